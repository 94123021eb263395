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
