// A picture whose path is too long for the system, met in a folder scan or
// named on the command line: a warning, and the run goes on without it.

#include "ChildProcess.h"
#include "JpegFixtures.h"
#include "LongPaths.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits.h>
#include <sys/stat.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string Program = PLK_BATCH_EXE;

} // namespace

TEST(TooLongPath, PictureIsWarnedAboutInsteadOfSkippedSilently)
{
    TTempDir dir;
    ASSERT_EQ(::mkdir(dir.File("pics").c_str(), 0700), 0);
    const std::string folder = MakeDeepFolder(dir.File("pics"), PATH_MAX - 100);
    WriteTestJpeg(folder + "/a.jpg", 64, 48);
    const TTooLongFile picture(folder, std::string(150, 'b') + ".jpg", MakeTestJpeg(64, 48));
    const std::string warning = "plinkavorte-batch: warning: " + picture.Path() + ": File name too long\n";
    const std::string archive = dir.File("thumbs.zip");

    const TChildResult scanned = RunChild(Program, {"-c", "-r", archive, dir.File("pics")});
    EXPECT_EQ(scanned.ExitCode, 0) << scanned.Err;
    EXPECT_EQ(Count(scanned.Err, warning), 1u) << scanned.Err;
    EXPECT_THAT(ReadZipListing(archive).Names(), ElementsAre("a.jpg"));

    const TChildResult named = RunChild(Program, {"-c", archive, folder + "/a.jpg", picture.Path()});
    EXPECT_EQ(named.ExitCode, 0) << named.Err;
    EXPECT_EQ(Count(named.Err, warning), 1u) << named.Err;
    EXPECT_THAT(ReadZipListing(archive).Names(), ElementsAre("a.jpg"));
}

// A folder past the limit holds pictures the system cannot reach: the scan
// says so and takes the rest.
TEST(TooLongPath, FolderIsWarnedAboutInsteadOfSkippedSilently)
{
    TTempDir dir;
    ASSERT_EQ(::mkdir(dir.File("pics").c_str(), 0700), 0);
    const std::string folder = MakeDeepFolder(dir.File("pics"), PATH_MAX - 100);
    WriteTestJpeg(folder + "/a.jpg", 64, 48);
    const TTooLongFolder deeper(folder, std::string(150, 'f'), MakeTestJpeg(64, 48));
    const std::string archive = dir.File("thumbs.zip");

    const TChildResult scanned = RunChild(Program, {"-c", "-r", archive, dir.File("pics")});
    EXPECT_EQ(scanned.ExitCode, 0) << scanned.Err;
    EXPECT_EQ(Count(scanned.Err, "plinkavorte-batch: warning: " + deeper.Path() + ": File name too long\n"), 1u)
        << scanned.Err;
    EXPECT_THAT(ReadZipListing(archive).Names(), ElementsAre("a.jpg"));
}
