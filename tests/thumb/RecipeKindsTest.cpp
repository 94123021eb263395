#include "RecipeTestSupport.h"

#include "BitmapTools.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Sets the display depth for one test and puts the default back.
struct TDisplayDepth {
    explicit TDisplayDepth(int bits) { SetDisplayBitsPerPixel(bits); }
    ~TDisplayDepth() { SetDisplayBitsPerPixel(24); }
};

TThumbnailSettings Settings(int size, bool framed, bool square, int frame = 10)
{
    TThumbnailSettings s;
    s.MaxSize = size;
    s.Framed = framed;
    s.Square = square;
    s.FrameWidth = frame;
    return s;
}

}  // namespace

using TSameCase = std::tuple<TJpegKind, int /*orientation*/, int /*display bits*/, bool /*framed*/, bool /*square*/>;

class BatchAndPreview : public ::testing::TestWithParam<TSameCase> {};

TEST_P(BatchAndPreview, GiveIdenticalPixels)
{
    const auto [kind, orientation, bits, framed, square] = GetParam();
    TDisplayDepth depth(bits);
    TTempDir dir;
    WriteTestJpeg(dir.File("p.jpg"), 900, 500, kind, 90, orientation);
    const TThumbnailSettings s = Settings(150, framed, square);
    auto batch = Batch(dir.File("p.jpg"), s);
    auto preview = Preview(dir.File("p.jpg"), s);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_TRUE(SamePixels(*batch->Bitmap, *preview));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BatchAndPreview,
    ::testing::Values(TSameCase{TJpegKind::Baseline, 0, 24, false, false},
                      TSameCase{TJpegKind::Progressive, 0, 24, true, false},
                      TSameCase{TJpegKind::Grey, 0, 24, true, true},
                      TSameCase{TJpegKind::Grey, 6, 24, false, false},
                      TSameCase{TJpegKind::Baseline, 8, 24, true, true},
                      TSameCase{TJpegKind::AdobeCmyk, 3, 24, true, false},
                      TSameCase{TJpegKind::Baseline, 0, 8, false, false},
                      TSameCase{TJpegKind::Cmyk, 5, 8, true, true}));

class UprightOrientation : public ::testing::TestWithParam<int> {};

// Whatever way the camera stored it, the thumbnail shows the upright scene.
TEST_P(UprightOrientation, MatchesTheUntaggedPicture)
{
    const int orientation = GetParam();
    TTempDir dir;
    WriteTestJpeg(dir.File("plain.jpg"), 480, 320);
    WriteTestJpeg(dir.File("tagged.jpg"), 480, 320, TJpegKind::Baseline, 90, orientation);
    auto upright = Batch(dir.File("plain.jpg"), Settings(120, true, true, 4));
    auto tagged = Batch(dir.File("tagged.jpg"), Settings(120, true, true, 4));
    ASSERT_EQ(BitmapBounds(*tagged->Bitmap), BitmapBounds(*upright->Bitmap));
    EXPECT_LT(MeanDifference(*tagged->Bitmap, *upright->Bitmap), 4.0);
    // Red grows to the right and green downwards in the scene.
    const TColor topRight = PixelAt(*tagged->Bitmap, 110, 35), bottomLeft = PixelAt(*tagged->Bitmap, 10, 85);
    EXPECT_GT(RedOf(topRight), RedOf(bottomLeft) + 80);
    EXPECT_GT(GreenOf(bottomLeft), GreenOf(topRight) + 80);
}

INSTANTIATE_TEST_SUITE_P(Tags, UprightOrientation, ::testing::Range(1, 9));

TEST(ExifInFiles, DamagedOrBigEndianBlocks)
{
    TTempDir dir;
    const std::vector<uint8_t> plain = MakeTestJpeg(300, 200);
    WriteBytes(dir.File("plain.jpg"), plain);
    auto expected = Batch(dir.File("plain.jpg"));

    std::vector<uint8_t> cut = ExifOrientationPayload(6);
    cut.resize(20);
    WriteBytes(dir.File("cut.jpg"), WithApp1(plain, cut));
    EXPECT_TRUE(SamePixels(*Batch(dir.File("cut.jpg"))->Bitmap, *expected->Bitmap));

    WriteBytes(dir.File("junk.jpg"), WithApp1(plain, {'E', 'x', 'i', 'f', 0, 0, 0xFF, 0xFF, 0xFF}));
    EXPECT_TRUE(SamePixels(*Batch(dir.File("junk.jpg"))->Bitmap, *expected->Bitmap));

    WriteBytes(dir.File("mm.jpg"), WithApp1(plain, ExifOrientationPayload(3, true)));
    auto run = Batch(dir.File("mm.jpg"));
    const TBitmap& turned = *run->Bitmap;
    ASSERT_EQ(BitmapBounds(turned), BitmapBounds(*expected->Bitmap));
    // A half turn of the stored frame: corners swap, up to the resampler's rounding.
    const TColor a = PixelAt(turned, 0, 0), b = PixelAt(*expected->Bitmap, turned.Width() - 1, turned.Height() - 1);
    EXPECT_NEAR(RedOf(a), RedOf(b), 12);
    EXPECT_NEAR(GreenOf(a), GreenOf(b), 12);
}

class InkFiles : public ::testing::TestWithParam<TJpegKind> {};

TEST_P(InkFiles, BecomeTheColourPicture)
{
    TTempDir dir;
    WriteTestJpeg(dir.File("rgb.jpg"), 400, 300);
    WriteTestJpeg(dir.File("ink.jpg"), 400, 300, GetParam());
    TJPEGImage image;
    image.LoadFromFile(dir.File("ink.jpg"));
    EXPECT_EQ(image.Bitmap().PixelFormat(), TPixelFormat::pf24bit);
    auto rgb = Batch(dir.File("rgb.jpg"));
    auto ink = Batch(dir.File("ink.jpg"));
    ASSERT_EQ(BitmapBounds(*ink->Bitmap), BitmapBounds(*rgb->Bitmap));
    EXPECT_LT(MeanDifference(*ink->Bitmap, *rgb->Bitmap), 4.0);
    EXPECT_EQ(ReadEncodedHeader(ink->Stream.Bytes()).Components, 3);
}

INSTANTIATE_TEST_SUITE_P(Kinds, InkFiles,
                         ::testing::Values(TJpegKind::Cmyk, TJpegKind::AdobeCmyk, TJpegKind::AdobeYcck));

TEST(EightBitDisplay, QuantisesColourPicturesToThePalette)
{
    TDisplayDepth depth(8);
    TTempDir dir;
    WriteTestJpeg(dir.File("c.jpg"), 400, 300);
    TJPEGImage image;
    EXPECT_EQ(image.PixelFormat, TJPEGPixelFormat::jf8Bit);
    image.LoadFromFile(dir.File("c.jpg"));
    const TBitmap& decoded = image.Bitmap();
    EXPECT_EQ(decoded.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_LE(decoded.Palette().size(), 236u);
    EXPECT_GT(decoded.Palette().size(), 100u);

    auto quantised = Batch(dir.File("c.jpg"));
    SetDisplayBitsPerPixel(32);
    auto full = Batch(dir.File("c.jpg"));
    EXPECT_LT(MeanDifference(*quantised->Bitmap, *full->Bitmap), 8.0);
}
