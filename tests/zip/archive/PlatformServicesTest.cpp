#include "ArchiveTestSupport.h"

#include "AbandonedReplacements.h"
#include "FileIdentity.h"
#include "FullPath.h"
#include "Volume.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <set>

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

TEST(AbandonedReplacements, ReplacementNamesBelongToTheirTargetOnly)
{
    EXPECT_TRUE(IsReplacementName("/x/thumbs.zip", ".thumbs.zip.plinkavorte-Ab12Cd"));
    EXPECT_FALSE(IsReplacementName("/x/thumbs.zip", ".thumbs.zip.plinkavorte-Ab12C"));
    EXPECT_FALSE(IsReplacementName("/x/thumbs.zip", ".thumbs.zip.plinkavorte-Ab12Cde"));
    EXPECT_FALSE(IsReplacementName("/x/thumbs.zip", ".humbs.zip.plinkavorte-Ab12Cd"));
    EXPECT_FALSE(IsReplacementName("/x/thumbs.zip", ".thumbs.zip.Ab12Cd"));
    EXPECT_EQ(ReplacementPattern("thumbs.zip"), "./.thumbs.zip.plinkavorte-XXXXXX");
}

TEST(AbandonedReplacements, OnlyOldUnlockedLeftoversOfThisProgramGoFromTheFolder)
{
    TScratch scratch;
    const auto make = [&](const std::string& name, int ageSeconds) {
        WriteAll(scratch.File(name), {1, 2, 3});
        const timespec times[2] = {{std::time(nullptr) - ageSeconds, 0}, {std::time(nullptr) - ageSeconds, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, scratch.File(name).c_str(), times, 0), 0);
    };
    make(".thumbs.zip.plinkavorte-Ab12Cd", 60);
    make(".other.zip.plinkavorte-Zz99yy", 60);
    make(".young.zip.plinkavorte-Qq11Ww", 0);
    make(".held.zip.plinkavorte-Ee22Rr", 60);
    make(".thumbs.zip.plinkavorte-journal", 60);
    make("holiday.plinkavorte-Ab12Cd", 60);
    const int held = ::open(scratch.File(".held.zip.plinkavorte-Ee22Rr").c_str(), O_RDONLY);
    ASSERT_TRUE(LockReplacement(held));

    EXPECT_EQ(RemoveAbandonedReplacements(scratch.File("thumbs.zip")), 2);
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.Path()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{".young.zip.plinkavorte-Qq11Ww", ".held.zip.plinkavorte-Ee22Rr",
                                           ".thumbs.zip.plinkavorte-journal", "holiday.plinkavorte-Ab12Cd"}));
    ::close(held);
}
