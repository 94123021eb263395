#include "ArchiveTestSupport.h"

#include "AbandonedReplacements.h"
#include "FileIdentity.h"
#include "FullPath.h"
#include "SafeReplace.h"
#include "Volume.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

using namespace archive_test;

TEST(FullPath, OnlyRootedNamesAreFullPaths)
{
    EXPECT_TRUE(IsFullPath("/tmp/a.zip"));
    EXPECT_FALSE(IsFullPath("a.zip"));
    EXPECT_FALSE(IsFullPath("C:\\a.zip"));
    EXPECT_FALSE(IsFullPath(""));
}

TEST(FullPath, ExpansionFoldsStepsAgainstTheCurrentDirectory)
{
    EXPECT_EQ(ExpandFileName("/a/./b//c/../d.jpg"), "/a/b/d.jpg");
    EXPECT_EQ(ExpandFileName("/../x"), "/x");
    EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(ExpandFileName("cat.jpg"), (cwd == "/" ? "" : cwd) + "/cat.jpg");
    EXPECT_EQ(ExtractFilePath("/a/b/c.zip"), "/a/b/");
    EXPECT_EQ(ExtractFilePath("c.zip"), "");
    EXPECT_EQ(ExtractFileName("/a/b/c.zip"), "c.zip");
}

TEST(Volume, SystemQueriesAnswerForPathsThatDoNotExistYet)
{
    TScratch scratch;
    const std::string missing = scratch.File("not/yet/there.zip");
    EXPECT_GT(SystemFreeSpace(missing), 0);
    EXPECT_EQ(SystemFreeSpace(missing), SystemFreeSpace(scratch.Path()));
    // Whatever the disk, the answer for a path and its folder is the same.
    EXPECT_EQ(SystemIsRemovableDrive(missing), SystemIsRemovableDrive(scratch.Path()));
    // Pseudo file systems have no block device: fixed.
    EXPECT_FALSE(SystemIsRemovableDrive("/proc/self"));
}

TEST(SafeReplace, TheNewFileTakesTheOldPermissionBitsAndIdentity)
{
    TScratch scratch;
    const std::string target = scratch.File("a.zip");
    WriteAll(target, Bytes{1, 2, 3});
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    TFileIdentity old;
    ASSERT_TRUE(GetFileIdentity(target, old));
    TFileIdentity made;
    {
        TSafeReplace replace(target);
        EXPECT_EQ(ExtractFilePath(replace.TempFileName()), ExtractFilePath(target));
        replace.Stream().WriteBuffer("abcd", 4);
        made = replace.Commit();
    }
    EXPECT_EQ(ReadAll(target), (Bytes{'a', 'b', 'c', 'd'}));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    TFileIdentity now;
    ASSERT_TRUE(GetFileIdentity(target, now));
    EXPECT_EQ(now, made);
    EXPECT_NE(now.Inode, old.Inode);
    EXPECT_EQ(now.Size, 4);
}

TEST(SafeReplace, AnAbandonedReplaceLeavesNoTraceAndTheTargetAlone)
{
    TScratch scratch;
    const std::string target = scratch.File("a.zip");
    WriteAll(target, Bytes{9, 9});
    std::string temp;
    {
        TSafeReplace replace(target);
        temp = replace.TempFileName();
        replace.Stream().WriteBuffer("xyz", 3);
        EXPECT_TRUE(std::filesystem::exists(temp));
    }
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_EQ(ReadAll(target), (Bytes{9, 9}));
    EXPECT_THROW(TSafeReplace(scratch.File("no/such/folder/a.zip")), EFCreateError);
}

namespace {

// A writer killed in the middle: its replacement keeps its name, its lock dies with it.
std::string LeaveReplacementOfKilledWriter(const std::string& target)
{
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        auto* replace = new TSafeReplace(target);
        replace->Stream().WriteBuffer("half", 4);
        const std::string& name = replace->TempFileName();
        if (::write(pipeFds[1], name.data(), name.size()) != static_cast<ssize_t>(name.size()))
            ::_exit(1);
        ::kill(::getpid(), SIGKILL);
    }
    ::close(pipeFds[1]);
    std::string name;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        name.append(buffer, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    return name;
}

void AgeFile(const std::string& path)
{
    const timespec then[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), then, AT_SYMLINK_NOFOLLOW), 0) << path;
}

} // namespace

TEST(SafeReplace, TheNextWriteRemovesOnlyWhatAKilledWriterLeft)
{
    TScratch scratch;
    const std::string target = scratch.File("a.zip");
    WriteAll(target, Bytes{7});
    const std::string left = LeaveReplacementOfKilledWriter(target);
    ASSERT_TRUE(std::filesystem::exists(left));
    EXPECT_TRUE(IsReplacementName(target, ExtractFileName(left))) << left;

    // Fresh leftovers may still be in the hands of a writer that has just begun.
    { TSafeReplace replace(target); }
    EXPECT_TRUE(std::filesystem::exists(left));

    // Look-alikes that are not ours, and a replacement a live writer holds.
    const std::vector<std::string> strangers = {
        scratch.File(".a.zip.plinkavorte-abc"), scratch.File(".b.zip.plinkavorte-abcdef"),
        scratch.File("a.zip.plinkavorte-abcdef"), scratch.File(".a.zip.plinkavorte-ab.def")};
    for (const auto& path : strangers)
        WriteAll(path, Bytes{1});
    const std::string linked = scratch.File("linked.txt");
    WriteAll(linked, Bytes{2});
    const std::string link = scratch.File(".a.zip.plinkavorte-linkee");
    ASSERT_EQ(::symlink(linked.c_str(), link.c_str()), 0);
    TSafeReplace live(target);
    for (const auto& path : strangers)
        AgeFile(path);
    AgeFile(link);
    AgeFile(live.TempFileName());
    AgeFile(left);

    EXPECT_EQ(RemoveAbandonedReplacements(target), 1);
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_TRUE(std::filesystem::exists(live.TempFileName()));
    for (const auto& path : strangers)
        EXPECT_TRUE(std::filesystem::exists(path)) << path;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(linked), Bytes{2});
    EXPECT_EQ(ReadAll(target), Bytes{7});
}

TEST(SafeReplace, ReplacementNamesBelongToTheirTargetOnly)
{
    EXPECT_TRUE(IsReplacementName("/x/thumbs.zip", ".thumbs.zip.plinkavorte-Ab12Cd"));
    EXPECT_FALSE(IsReplacementName("/x/thumbs.zip", ".thumbs.zip.plinkavorte-Ab12C"));
    EXPECT_FALSE(IsReplacementName("/x/thumbs.zip", ".thumbs.zip.plinkavorte-Ab12Cde"));
    EXPECT_FALSE(IsReplacementName("/x/thumbs.zip", ".humbs.zip.plinkavorte-Ab12Cd"));
    EXPECT_FALSE(IsReplacementName("/x/thumbs.zip", ".thumbs.zip.Ab12Cd"));
    EXPECT_EQ(ReplacementPattern("thumbs.zip"), "./.thumbs.zip.plinkavorte-XXXXXX");
}
