// Pictures made to keep a decoder busy for minutes: thousands of markers or
// scans in a small file. The run finishes them, as a thumbnail or as a clear
// failure, in about the time of a normal picture. The timeout only ends a
// child that hangs, so the test fails instead of waiting.

#include "HardeningSupport.h"
#include "CraftedJpeg.h"
#include "JpegDecode.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <jerror.h>

#include <chrono>
#include <csignal>
#include <thread>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class StallingPicture : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string Archive = Dir.File("thumbs.zip");
};

// 500 scans, each a pass over 8000 x 8000 pixels: several seconds of work
// for a valid picture, the most the scan limit lets through.
std::vector<uint8_t> SlowPicture()
{
    return CraftedGreyProgressive(8000, 8000, LongProgression(500));
}

}  // namespace

TEST_F(StallingPicture, ManyMarkersBecomeAThumbnailAndRepeatedScansFailAtOnce)
{
    const std::vector<uint8_t> tagged = WithApp1(MakeTestJpeg(64, 48), ExifOrientationPayload(8));
    WriteBytes(Dir.File("markers.jpg"), WithEmptyApp1Markers(tagged, 300000));
    WriteBytes(Dir.File("scans.jpg"), CraftedGreyProgressive(8000, 8000, RepeatedAcScan(20000)));
    WriteBytes(Dir.File("sol.jpg"), CraftedGreyProgressive(16, 16, LongProgression(501)));
    WriteTestJpeg(Dir.File("z-after.jpg"), 64, 48);

    const TChildResult result = RunChild("/usr/bin/timeout",
                                         {"-k", "5", "60", BatchProgram, "-k", "-c", Archive, Dir.File("markers.jpg"),
                                          Dir.File("scans.jpg"), Dir.File("sol.jpg"), Dir.File("z-after.jpg")});
    EXPECT_EQ(result.ExitCode, 1) << result.Err;
    EXPECT_THAT(result.Err, HasSubstr(Dir.File("scans.jpg") + ": JPEG error #" +
                                      std::to_string(JWRN_BOGUS_PROGRESSION) +
                                      ". Inconsistent progression sequence for component 1 coefficient "));
    EXPECT_THAT(result.Err, HasSubstr(Dir.File("sol.jpg") + ": JPEG error: more than 500 scans.\n"));
    const TZipListing listing = ReadZipListing(Archive);
    ASSERT_THAT(listing.Names(), ElementsAre("markers.jpg", "z-after.jpg"));
    const TDecodedJpeg turned = DecodeJpeg(listing.Extract(listing.Entries[0]));
    EXPECT_EQ(turned.Width, 150) << "the Exif block behind the empty markers still turns the picture";
    EXPECT_EQ(turned.Height, 200);
}

// SIGTERM while a slow picture is decoded: the picture is given up, the
// archive keeps what was finished and is closed, and the run ends long before
// the picture could have been finished. The bound is generous against a busy
// machine; the picture alone takes several seconds, longer under sanitizers.
TEST_F(StallingPicture, SigtermDuringASlowPictureEndsTheRunAtOnce)
{
    WriteTestJpeg(Dir.File("a.jpg"), 64, 48);
    WriteBytes(Dir.File("b-slow.jpg"), SlowPicture());
    WriteTestJpeg(Dir.File("c.jpg"), 64, 48);
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(std::string("-j ") + jobs);
        TRunningChild child(BatchProgram, {"-c", "-j", jobs, Archive, Dir.File("a.jpg"), Dir.File("b-slow.jpg"),
                                           Dir.File("c.jpg")});
        // The line of the first picture comes when the second begins.
        std::string line;
        ASSERT_TRUE(child.ReadErrLine(line));
        ASSERT_EQ(line, "Files 1/3 " + Dir.File("a.jpg"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto signalled = std::chrono::steady_clock::now();
        child.Signal(SIGTERM);
        std::string rest;
        EXPECT_EQ(child.Wait(rest), 128 + SIGTERM) << rest;
        const auto took = std::chrono::steady_clock::now() - signalled;
        EXPECT_LT(took, std::chrono::seconds(3));
        EXPECT_THAT(rest, HasSubstr("stopped after 1 of 3 pictures: 1 picture done; " + Archive + " is closed"));
        EXPECT_THAT(ReadZipListing(Archive).Names(), ElementsAre("a.jpg"));
        EXPECT_TRUE(UnzipTestPasses(Archive));
    }
}

// A normal picture still finishes when the signal comes while it is made:
// it takes far less than the grace a stop gives.
TEST_F(StallingPicture, SigtermDuringNormalPicturesKeepsEveryFinishedOne)
{
    std::vector<std::string> args{"-c", Archive};
    const std::vector<uint8_t> photo = MakeTestJpeg(1600, 1200);
    for (int k = 0; k < 20; ++k) {
        const std::string number = std::to_string(k);
        args.push_back(Dir.File("p" + number + ".jpg"));
        WriteBytes(args.back(), photo);
    }
    TRunningChild child(BatchProgram, args);
    std::string line;
    ASSERT_TRUE(child.ReadErrLine(line));
    child.Signal(SIGTERM);
    std::string rest;
    EXPECT_EQ(child.Wait(rest), 128 + SIGTERM) << rest;
    const size_t at = rest.find("stopped after ");
    ASSERT_NE(at, std::string::npos) << rest;
    const int stoppedAfter = std::stoi(rest.substr(at + 14));
    EXPECT_EQ(static_cast<int>(ReadZipListing(Archive).Names().size()), stoppedAfter)
        << "every picture counted is in the archive, and no other";
    EXPECT_GE(stoppedAfter, 2) << "the picture under way when the signal came was finished";
}
