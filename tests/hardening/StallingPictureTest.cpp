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
#include <cstdio>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class StallingPicture : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string Archive = Dir.File("thumbs.zip");
};

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
