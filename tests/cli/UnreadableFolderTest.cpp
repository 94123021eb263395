// A folder plinkavorte-batch may not read is warned about, once, and the run
// goes on with what it could read; given alone it ends the run with the
// reason before the "no JPEG pictures" line.

#include "ChildProcess.h"
#include "JpegFixtures.h"
#include "Unprivileged.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string Program = PLK_BATCH_EXE;

}  // namespace

TEST(UnreadableFolder, IsWarnedAboutAndTheRunGoesOn)
{
    AsUnprivilegedUser([](const std::string& root) {
        const std::string pics = root + "/pics";
        const std::string locked = pics + "/b-locked";
        for (const std::string& folder : {pics, pics + "/a", locked, pics + "/c"})
            ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        WriteTestJpeg(pics + "/a/1.jpg", 64, 48);
        WriteTestJpeg(locked + "/2.jpg", 64, 48);
        WriteTestJpeg(pics + "/c/3.jpg", 64, 48);
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        const std::string warning = "plinkavorte-batch: warning: " + locked + ": Permission denied\n";
        const std::string archive = root + "/thumbs.zip";

        const TChildResult scanned = RunChild(Program, {"-c", "-r", archive, pics});
        EXPECT_EQ(scanned.ExitCode, 0) << scanned.Err;
        EXPECT_EQ(Count(scanned.Err, warning), 1u) << scanned.Err;
        EXPECT_THAT(ReadZipListing(archive).Names(), ElementsAre("1.jpg", "3.jpg"));

        const TChildResult given = RunChild(Program, {"-c", archive, locked});
        EXPECT_EQ(given.ExitCode, 1) << given.Err;
        EXPECT_THAT(given.Err, HasSubstr(warning + "plinkavorte-batch: no pictures found in " + locked + "\n"));
    });
}
