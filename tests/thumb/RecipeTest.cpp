#include "RecipeTestSupport.h"

#include "JpegErrors.h"
#include "BitmapTools.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class Recipe : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Dir = new TTempDir;
        WriteTestJpeg(Dir->File("land.jpg"), 3000, 2000);
    }
    static void TearDownTestSuite() { delete Dir; }
    static std::string Land() { return Dir->File("land.jpg"); }

    static TTempDir* Dir;
    TTempDir Own;
};
TTempDir* Recipe::Dir = nullptr;

TThumbnailSettings Framed(int size, int frame, bool square)
{
    TThumbnailSettings s;
    s.MaxSize = size;
    s.Framed = true;
    s.FrameWidth = frame;
    s.Square = square;
    return s;
}

// The rows and columns of a bitmap that are not the band around the picture.
void ExpectBand(const TBitmap& b, const TRect& picture, const TThumbnailSettings& s)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const bool inside = x >= picture.Left && x < picture.Right && y >= picture.Top && y < picture.Bottom;
            if (inside)
                continue;
            const bool ring = x == 0 || y == 0 || x == b.Width() - 1 || y == b.Height() - 1;
            ASSERT_EQ(PixelAt(b, x, y), ring ? s.BorderColor : s.BackColor) << x << "," << y;
        }
}

// The picture inside a framed thumbnail is exactly the plain thumbnail of the inner size.
void ExpectPicture(const TBitmap& framed, const TBitmap& plain, int left, int top)
{
    for (int y = 0; y < plain.Height(); ++y)
        ASSERT_EQ(0, std::memcmp(framed.ScanLine(top + y) + left * 3, plain.ScanLine(y), size_t(plain.Width()) * 3))
            << "row " << y;
}

}  // namespace

TEST_F(Recipe, LargePicturesDecodeAtAnEighthWhateverTheirOrientation)
{
    WriteTestJpeg(Own.File("big.jpg"), 4000, 3000);
    WriteTestJpeg(Own.File("tall.jpg"), 3000, 4000);
    TJPEGImage image;
    image.LoadFromFile(Own.File("big.jpg"));
    image.SetScale(ChooseJpegScale(image, 200));
    EXPECT_EQ(image.Scale(), TJPEGScale::jsEighth);
    EXPECT_EQ(image.Bitmap().Width(), 500);
    EXPECT_EQ(image.Bitmap().Height(), 375);

    auto big = Batch(Own.File("big.jpg"));
    EXPECT_EQ(BitmapBounds(*big->Bitmap), (TRect{0, 0, 200, 150}));
    auto tall = Batch(Own.File("tall.jpg"));
    EXPECT_EQ(BitmapBounds(*tall->Bitmap), (TRect{0, 0, 150, 200}));
    const TEncodedHeader h = ReadEncodedHeader(tall->Stream.Bytes());
    EXPECT_EQ(h.Width, 150);
    EXPECT_EQ(h.Height, 200);
    EXPECT_EQ(tall->Stream.GetPosition(), 0);
}

TEST_F(Recipe, ScaleChoiceComparesTheWidthStrictly)
{
    const std::pair<int, TJPEGScale> cases[] = {
        {400, TJPEGScale::jsFullSize}, {401, TJPEGScale::jsHalf},    {800, TJPEGScale::jsHalf},
        {801, TJPEGScale::jsQuarter},  {1600, TJPEGScale::jsQuarter}, {1601, TJPEGScale::jsEighth}};
    for (auto [width, scale] : cases) {
        TJPEGImage image;
        image.LoadFromBytes(MakeTestJpeg(width, 8));
        EXPECT_EQ(ChooseJpegScale(image, 200), scale) << width;
    }
    TJPEGImage odd;
    odd.LoadFromBytes(MakeTestJpeg(1001, 9));
    odd.SetScale(TJPEGScale::jsEighth);
    EXPECT_EQ(odd.Width(), 126);  // rounded up, as the decoder does
    EXPECT_EQ(odd.Bitmap().Width(), 126);
    EXPECT_EQ(odd.Bitmap().Height(), 2);
}

TEST_F(Recipe, StripsSmallPicturesAndOneRowPictures)
{
    WriteTestJpeg(Own.File("strip.jpg"), 400, 8000);
    WriteTestJpeg(Own.File("small.jpg"), 100, 80);
    WriteTestJpeg(Own.File("row.jpg"), 300, 1);
    WriteTestJpeg(Own.File("needle.jpg"), 4, 8000);
    EXPECT_EQ(BitmapBounds(*Batch(Own.File("strip.jpg"))->Bitmap), (TRect{0, 0, 10, 200}));
    EXPECT_EQ(BitmapBounds(*Batch(Own.File("small.jpg"))->Bitmap), (TRect{0, 0, 200, 160}));

    auto row = Batch(Own.File("row.jpg"));
    EXPECT_EQ(BitmapBounds(*row->Bitmap), (TRect{0, 0, 200, 1}));
    EXPECT_EQ(ReadEncodedHeader(row->Stream.Bytes()).Height, 1);

    // Its short side rounds to 0 and keeps one pixel: no empty thumbnail.
    auto needle = Batch(Own.File("needle.jpg"));
    EXPECT_EQ(BitmapBounds(*needle->Bitmap), (TRect{0, 0, 1, 200}));
    EXPECT_EQ(ReadEncodedHeader(needle->Stream.Bytes()).Width, 1);
    EXPECT_EQ(ReadEncodedHeader(needle->Stream.Bytes()).Height, 200);
}

TEST_F(Recipe, FrameSurroundsThePlainThumbnailOfTheInnerSize)
{
    const TThumbnailSettings s = Framed(200, 10, false);
    auto framed = Batch(Land(), s);
    ASSERT_EQ(BitmapBounds(*framed->Bitmap), (TRect{0, 0, 200, 140}));
    TThumbnailSettings inner;
    inner.MaxSize = 180;
    auto plain = Batch(Land(), inner);
    ASSERT_EQ(BitmapBounds(*plain->Bitmap), (TRect{0, 0, 180, 120}));
    ExpectPicture(*framed->Bitmap, *plain->Bitmap, 10, 10);
    ExpectBand(*framed->Bitmap, {10, 10, 190, 130}, s);
}

TEST_F(Recipe, SquareCentresThePictureWithTheOddRowBelow)
{
    const TThumbnailSettings s = Framed(200, 10, true);
    auto square = Batch(Land(), s);
    ASSERT_EQ(BitmapBounds(*square->Bitmap), (TRect{0, 0, 200, 200}));
    TThumbnailSettings inner;
    inner.MaxSize = 180;
    ExpectPicture(*square->Bitmap, *Batch(Land(), inner)->Bitmap, 10, 40);
    ExpectBand(*square->Bitmap, {10, 40, 190, 160}, s);

    const TThumbnailSettings flush = Framed(200, 0, true);
    auto odd = Batch(Land(), flush);
    auto plain = Batch(Land());
    ASSERT_EQ(plain->Bitmap->Height(), 133);
    ExpectPicture(*odd->Bitmap, *plain->Bitmap, 0, 33);  // 33 rows above, 34 below
    ExpectBand(*odd->Bitmap, {0, 33, 200, 166}, flush);
}

TEST_F(Recipe, AOnePixelWidePictureIsFramedLikeAnyOther)
{
    WriteTestJpeg(Own.File("needle.jpg"), 4, 8000);
    TThumbnailSettings inner;
    inner.MaxSize = 180;
    auto plain = Batch(Own.File("needle.jpg"), inner);
    ASSERT_EQ(BitmapBounds(*plain->Bitmap), (TRect{0, 0, 1, 180}));

    const TThumbnailSettings framed = Framed(200, 10, false);
    auto band = Batch(Own.File("needle.jpg"), framed);
    ASSERT_EQ(BitmapBounds(*band->Bitmap), (TRect{0, 0, 21, 200}));
    ExpectPicture(*band->Bitmap, *plain->Bitmap, 10, 10);
    ExpectBand(*band->Bitmap, {10, 10, 11, 190}, framed);

    const TThumbnailSettings square = Framed(200, 10, true);
    auto canvas = Batch(Own.File("needle.jpg"), square);
    ASSERT_EQ(BitmapBounds(*canvas->Bitmap), (TRect{0, 0, 200, 200}));
    ExpectPicture(*canvas->Bitmap, *plain->Bitmap, 99, 10);
    ExpectBand(*canvas->Bitmap, {99, 10, 100, 190}, square);
}

TEST_F(Recipe, FramesAroundNothingHoldOnlyBandColours)
{
    WriteTestJpeg(Own.File("needle.jpg"), 4, 8000);
    for (const TThumbnailSettings& s : {Framed(10, 10, false), Framed(10, 10, true)}) {  // no room inside
        auto r = Batch(Own.File("needle.jpg"), s);
        ASSERT_FALSE(r->Bitmap->Empty());
        ExpectBand(*r->Bitmap, {}, s);
        EXPECT_GT(r->Stream.GetSize(), 0);
    }
    for (const TThumbnailSettings& s : {Framed(10, 10, false), Framed(16, 9, true)})
        ExpectBand(*Batch(Land(), s)->Bitmap, {}, s);
}

TEST_F(Recipe, FrameWidthZeroIsThePlainThumbnail)
{
    EXPECT_TRUE(SamePixels(*Batch(Land(), Framed(200, 0, false))->Bitmap, *Batch(Land())->Bitmap));
}

TEST_F(Recipe, EncodedThumbnailIsTheWorkBitmapAtQualityNinety)
{
    auto r = Batch(Land());
    const TEncodedHeader h = ReadEncodedHeader(r->Stream.Bytes());
    EXPECT_EQ(h.Components, 3);
    EXPECT_FALSE(h.Progressive);
    auto back = DecodeBytes(r->Stream.Bytes());
    ASSERT_EQ(BitmapBounds(*back), BitmapBounds(*r->Bitmap));
    EXPECT_LT(MeanDifference(*back, *r->Bitmap), 3.0);
}

TEST_F(Recipe, ProgressiveSourcesGiveProgressiveThumbnails)
{
    WriteTestJpeg(Own.File("p.jpg"), 640, 480, TJpegKind::Progressive);
    auto r = Batch(Own.File("p.jpg"));
    EXPECT_TRUE(ReadEncodedHeader(r->Stream.Bytes()).Progressive);
    EXPECT_TRUE(SamePixels(*r->Bitmap, *Preview(Own.File("p.jpg"))));
}

TEST_F(Recipe, GreyPicturesComeOutAsGreyColourJpegsFromQuantisedLevels)
{
    WriteTestJpeg(Own.File("g.jpg"), 300, 200, TJpegKind::Grey);
    TJPEGImage image;
    image.LoadFromFile(Own.File("g.jpg"));
    EXPECT_TRUE(image.Grayscale());
    const TBitmap& decoded = image.Bitmap();
    ASSERT_EQ(decoded.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_EQ(decoded.Palette().size(), 236u);
    for (size_t i = 0; i < 236; ++i) {
        const TPaletteEntry e = decoded.Palette()[i];
        EXPECT_TRUE(e.Red == e.Green && e.Green == e.Blue);
        EXPECT_EQ(e.Red, (i * 255 + 117) / 235) << i;  // evenly spaced, both ends reached
    }

    auto r = Batch(Own.File("g.jpg"));
    EXPECT_EQ(r->Bitmap->PixelFormat(), TPixelFormat::pf24bit);
    for (int y = 0; y < r->Bitmap->Height(); y += 7) {
        const uint8_t* p = r->Bitmap->ScanLine(y);
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
    }
    EXPECT_EQ(ReadEncodedHeader(r->Stream.Bytes()).Components, 3);
}

TEST_F(Recipe, FailuresCarryTheFullPathOrTheLibraryCode)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    TBatchResult r;
    r.Stream.WriteBuffer("old", 3);
    try {
        RenderThumbnailJpeg("no-such-folder/./x.jpg", {}, *r.Bitmap, r.Stream);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), std::string("Cannot open file \"") + cwd + "/no-such-folder/x.jpg\". No such file or directory");
    }
    EXPECT_EQ(r.Stream.GetSize(), 0);
    EXPECT_THROW(Batch(Own.Path()), EFOpenError);

    WriteBytes(Own.File("empty.jpg"), {});
    WriteBytes(Own.File("text.jpg"), {'J', 'F', 'I', 'F', '?'});
    auto code = [&](const std::string& name) {
        try {
            Batch(Own.File(name));
        } catch (const EJPEG& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(code("empty.jpg"), "JPEG error #42");
    EXPECT_EQ(code("text.jpg"), "JPEG error #53");

    std::unique_ptr<TBitmap> slot;
    EXPECT_THROW(RenderPreviewBitmap(Own.File("text.jpg"), {}, slot), EJPEG);
    EXPECT_EQ(slot, nullptr);
}

TEST_F(Recipe, PicturesCutShortStillDecode)
{
    std::vector<uint8_t> whole = MakeTestJpeg(320, 240);
    whole.resize(whole.size() * 6 / 10);
    WriteBytes(Own.File("cut.jpg"), whole);
    auto r = Batch(Own.File("cut.jpg"));
    EXPECT_EQ(BitmapBounds(*r->Bitmap), (TRect{0, 0, 200, 150}));
    EXPECT_GT(r->Stream.GetSize(), 0);
}
