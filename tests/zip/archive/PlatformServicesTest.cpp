#include "ArchiveTestSupport.h"

#include "FileIdentity.h"
#include "FullPath.h"
#include "SafeReplace.h"
#include "Volume.h"

#include <sys/stat.h>

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
