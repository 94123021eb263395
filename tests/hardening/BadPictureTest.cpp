// Pictures that are not what they claim, through plinkavorte-batch: what the
// user reads, and that the archive keeps what came before the bad picture.

#include "HardeningSupport.h"
#include "JpegDecode.h"
#include "JpegFixtures.h"
#include "ZipListing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

using ::testing::ElementsAre;

namespace {

// The start-of-frame marker's height and width fields set to the given size.
std::vector<uint8_t> WithFrameSize(std::vector<uint8_t> jpeg, int width, int height)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<uint8_t>(height);
            jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<uint8_t>(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame marker";
    return jpeg;
}

class BadPicture : public ::testing::Test {
protected:
    // Runs a batch of a good picture, then the one given, into a fresh archive.
    TChildResult RunAfterGoodPicture(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        WriteTestJpeg(Dir.File("a-good.jpg"), 64, 48);
        WriteBytes(Dir.File(name), bytes);
        return RunBatch({"-c", Archive, Dir.File("a-good.jpg"), Dir.File(name)});
    }

    void ExpectOnlyAPictureKept()
    {
        EXPECT_THAT(ReadZipListing(Archive).Names(), ElementsAre("a.jpg"));
        EXPECT_TRUE(UnzipTestPasses(Archive));
    }

    void ExpectOnlyTheGoodPictureKept()
    {
        EXPECT_THAT(ReadZipListing(Archive).Names(), ElementsAre("a-good.jpg"));
        EXPECT_TRUE(UnzipTestPasses(Archive));
    }

    TTempDir Dir;
    std::string Archive = Dir.File("thumbs.zip");
};

TEST_F(BadPicture, EmptyFileEndsTheRunWithTheJpegMessage)
{
    const TChildResult result = RunAfterGoodPicture("empty.jpg", {});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(LastErrorLine(result), Dir.File("empty.jpg") + ": JPEG error #42. Empty input file.");
    ExpectOnlyTheGoodPictureKept();
}

TEST_F(BadPicture, TextNamedJpegEndsTheRun)
{
    const std::string text = "this is a shopping list, not a photograph\n";
    const TChildResult result = RunAfterGoodPicture("list.jpg", std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(LastErrorLine(result),
              Dir.File("list.jpg") + ": JPEG error #53. Not a JPEG file: starts with 0x74 0x68.");
    ExpectOnlyTheGoodPictureKept();
}

// A small file claiming a giant multi-scan picture would need tens of
// gigabytes of coefficients; it is refused instead of exhausting memory.
TEST_F(BadPicture, HugeProgressiveHeaderIsRefusedWithoutTakingTheMemory)
{
    const auto bytes = WithFrameSize(MakeTestJpeg(64, 48, TJpegKind::Progressive), 65500, 65500);
    const TChildResult result = RunAfterGoodPicture("huge.jpg", bytes);
    EXPECT_EQ(result.ExitCode, 1);
    // libjpeg's own words for this one ("Backing store not supported") would mislead.
    EXPECT_EQ(LastErrorLine(result), Dir.File("huge.jpg") +
                                         ": JPEG error #49. 65500 x 65500 pixels need more memory than one "
                                         "picture may take.");
    ExpectOnlyTheGoodPictureKept();
}

// A file cut short decodes as far as it goes; libjpeg fills the rest.
TEST_F(BadPicture, TruncatedAndHugeBaselinePicturesStillBecomeThumbnails)
{
    auto cut = MakeTestJpeg(64, 48);
    cut.resize(cut.size() / 2);
    WriteBytes(Dir.File("cut.jpg"), cut);
    WriteBytes(Dir.File("huge.jpg"), WithFrameSize(MakeTestJpeg(64, 48), 65500, 65500));
    const TChildResult result = RunBatch({"-c", Archive, Dir.File("cut.jpg"), Dir.File("huge.jpg")});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    const TZipListing listing = ReadZipListing(Archive);
    EXPECT_THAT(listing.Names(), ElementsAre("cut.jpg", "huge.jpg"));
    const TDecodedJpeg cutThumb = DecodeJpeg(listing.Extract(listing.Entries[0]));
    EXPECT_EQ(cutThumb.Width, 200);
    EXPECT_EQ(cutThumb.Height, 150);
    const TDecodedJpeg hugeThumb = DecodeJpeg(listing.Extract(listing.Entries[1]));
    EXPECT_EQ(hugeThumb.Width, 200);
    EXPECT_EQ(hugeThumb.Height, 200);
    EXPECT_TRUE(UnzipTestPasses(Archive));
}

TEST_F(BadPicture, CmykAndOnePixelPicturesBecomeThumbnails)
{
    WriteTestJpeg(Dir.File("ink.jpg"), 90, 60, TJpegKind::Cmyk);
    WriteTestJpeg(Dir.File("adobe.jpg"), 90, 60, TJpegKind::AdobeCmyk);
    WriteTestJpeg(Dir.File("dot.jpg"), 1, 1);
    const TChildResult result =
        RunBatch({"-c", Archive, Dir.File("ink.jpg"), Dir.File("adobe.jpg"), Dir.File("dot.jpg")});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    const TZipListing listing = ReadZipListing(Archive);
    ASSERT_THAT(listing.Names(), ElementsAre("ink.jpg", "adobe.jpg", "dot.jpg"));
    for (int i = 0; i < 2; ++i) {
        const TDecodedJpeg ink = DecodeJpeg(listing.Extract(listing.Entries[i]));
        EXPECT_EQ(ink.Width, 200);
        EXPECT_EQ(ink.Height, 133);
        EXPECT_EQ(ink.Components, 3) << "inks are turned into colour";
    }
    // The longer side always becomes the size, enlarging if need be.
    const TDecodedJpeg dot = DecodeJpeg(listing.Extract(listing.Entries[2]));
    EXPECT_EQ(dot.Width, 200);
    EXPECT_EQ(dot.Height, 200);
    EXPECT_TRUE(UnzipTestPasses(Archive));
}

// Found by the thumbnail fuzzer: a strip whose thumbnail's short side rounds
// to 0 was stored as an entry of 0 bytes. The short side keeps one pixel, framed
// or not.
TEST_F(BadPicture, StripWhoseShortSideRoundsToZeroBecomesAOnePixelThumbnail)
{
    WriteTestJpeg(Dir.File("strip.jpg"), 13312, 7);
    WriteTestJpeg(Dir.File("pole.jpg"), 7, 13312);
    const TChildResult plain = RunBatch({"-c", Archive, Dir.File("strip.jpg"), Dir.File("pole.jpg")});
    EXPECT_EQ(plain.ExitCode, 0) << plain.Err;
    const TZipListing listing = ReadZipListing(Archive);
    ASSERT_THAT(listing.Names(), ElementsAre("strip.jpg", "pole.jpg"));
    const TDecodedJpeg strip = DecodeJpeg(listing.Extract(listing.Entries[0]));
    EXPECT_EQ(strip.Width, 200);
    EXPECT_EQ(strip.Height, 1);
    const TDecodedJpeg pole = DecodeJpeg(listing.Extract(listing.Entries[1]));
    EXPECT_EQ(pole.Width, 1);
    EXPECT_EQ(pole.Height, 200);
    EXPECT_TRUE(UnzipTestPasses(Archive));

    const std::string framedArchive = Dir.File("framed.zip");
    const TChildResult framed = RunBatch({"-c", "-f", "-w", "3", framedArchive, Dir.File("strip.jpg")});
    EXPECT_EQ(framed.ExitCode, 0) << framed.Err;
    const TZipListing framedListing = ReadZipListing(framedArchive);
    ASSERT_EQ(framedListing.Entries.size(), 1u);
    const TDecodedJpeg inFrame = DecodeJpeg(framedListing.Extract(framedListing.Entries[0]));
    EXPECT_EQ(inFrame.Width, 200);
    EXPECT_EQ(inFrame.Height, 1 + 2 * 3);
}

// A FIFO named like a picture once hung the run for good, deaf to SIGTERM.
// The timeout ends a hung child so the test fails instead of waiting.
TEST_F(BadPicture, FifoNamedLikeAPictureEndsTheRunAndDoesNotHang)
{
    const std::string folder = Dir.File("pics");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    WriteTestJpeg(folder + "/a.jpg", 64, 48);
    const std::string fifo = folder + "/x.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string message = "Cannot open file \"" + fifo + "\". Not a regular file.";

    for (const std::vector<std::string>& given : {std::vector<std::string>{folder},
                                                  std::vector<std::string>{folder + "/a.jpg", fifo}}) {
        std::vector<std::string> args{"-k", "5", "30", BatchProgram, "-c", "-j", "2", Archive};
        args.insert(args.end(), given.begin(), given.end());
        const TChildResult result = RunChild("/usr/bin/timeout", args);
        EXPECT_EQ(result.ExitCode, 1) << result.Err;
        EXPECT_EQ(LastErrorLine(result), fifo + ": " + message);
        ExpectOnlyAPictureKept();
    }
}

// A profile that cannot be trusted is left out; the run goes on without a word.
TEST_F(BadPicture, BadColourProfilesAreDroppedQuietly)
{
    const std::vector<uint8_t> profile = TestIccProfile(5000);
    const auto chunks = IccChunks(profile, 3);
    const std::vector<uint8_t> cutShort(profile.begin(), profile.end() - 100);
    const std::pair<std::string, std::vector<uint8_t>> bad[] = {
        {"gap.jpg", MakeTaggedJpeg(90, 60, {chunks[0], chunks[2]})},
        {"twice.jpg", MakeTaggedJpeg(90, 60, {chunks[0], chunks[1], chunks[1], chunks[2]})},
        {"numbers.jpg", MakeTaggedJpeg(90, 60, {chunks[0], chunks[1], IccChunk(7, 3, {})})},
        {"cut.jpg", MakeTaggedJpeg(90, 60, {IccChunk(1, 1, cutShort)})},
        {"vast.jpg", MakeTaggedJpeg(90, 60, IccChunks(TestIccProfile((1 << 20) + 1), 17))},
        {"grey.jpg", MakeTaggedJpeg(90, 60, {IccChunk(1, 1, TestIccProfile(600, "GRAY"))}, TJpegKind::Grey)},
        {"ink.jpg", MakeTaggedJpeg(90, 60, {IccChunk(1, 1, TestIccProfile(600, "CMYK"))}, TJpegKind::AdobeCmyk)},
    };
    std::vector<std::string> args{"-c", Archive};
    for (const auto& [name, bytes] : bad) {
        WriteBytes(Dir.File(name), bytes);
        args.push_back(Dir.File(name));
    }
    WriteBytes(Dir.File("good.jpg"), MakeTaggedJpeg(90, 60, chunks));
    args.push_back(Dir.File("good.jpg"));
    const TChildResult result = RunBatch(args);
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(std::count(result.Err.begin(), result.Err.end(), '\n'), 9) << "progress and the end only";
    EXPECT_EQ(LastErrorLine(result), "8 pictures done; " + Archive + " is closed");
    const TZipListing listing = ReadZipListing(Archive);
    ASSERT_EQ(listing.Entries.size(), 8u);
    for (size_t i = 0; i < 7; ++i) {
        const TDecodedJpeg thumb = DecodeJpeg(listing.Extract(listing.Entries[i]));
        EXPECT_EQ(listing.Entries[i].Name, bad[i].first);
        EXPECT_EQ(thumb.Width, 200) << bad[i].first;
        EXPECT_TRUE(thumb.IccProfile.empty()) << bad[i].first;
    }
    EXPECT_EQ(DecodeJpeg(listing.Extract(listing.Entries[7])).IccProfile, profile);
    EXPECT_TRUE(UnzipTestPasses(Archive));
}

} // namespace
