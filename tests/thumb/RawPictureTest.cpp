#include "RecipeTestSupport.h"

#include "DngFixture.h"
#include "Errors.h"
#include "ExifOrientation.h"
#include "PictureFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// Pearson correlation of one channel (0 blue, 1 green, 2 red) of two bitmaps of one size.
double Correlation(const TBitmap& a, const TBitmap& b, int channel)
{
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    const double n = double(a.Width()) * a.Height();
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const double u = a.ScanLine(y)[x * 3 + channel], v = b.ScanLine(y)[x * 3 + channel];
            sa += u, sb += v, saa += u * u, sbb += v * v, sab += u * v;
        }
    return (sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
}

// The fixture pattern as the sensor stores it, turned upright and made a thumbnail by our own steps.
std::unique_ptr<TBitmap> UprightPattern(int width, int height, int orientation, const TThumbnailSettings& settings)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t rgb[3];
            TestPatternPixel(width, height, x, y, rgb);
            uint8_t* p = bitmap->ScanLine(y) + x * 3;
            p[0] = rgb[2], p[1] = rgb[1], p[2] = rgb[0];
        }
    ApplyExifOrientation(*bitmap, orientation);
    ShapeThumbnail(*bitmap, settings);
    return bitmap;
}

}  // namespace

// The preview is turned by the file's orientation, not by its own Exif tag,
// and every RAW name decodes the same bytes the same way.
TEST(RawPictures, LargePreviewIsDecodedThroughTheJpegPathAndTurned)
{
    TTempDir dir;
    TDngContents dng;
    dng.Orientation = 6;
    dng.Preview = MakeTestJpeg(600, 400, TJpegKind::Baseline, 92, 6);  // stored 400 x 600
    dng.PreviewWidth = 400;
    dng.PreviewHeight = 600;
    WriteBytes(dir.File("IMG_0001.DNG"), MakeTestDng(dng));
    WriteBytes(dir.File("preview.jpg"), dng.Preview);

    auto thumbnail = Preview(dir.File("IMG_0001.DNG"));
    ASSERT_EQ(thumbnail->Width(), 200);
    ASSERT_EQ(thumbnail->Height(), 133);
    const TReferenceThumbnail reference = ReferenceThumbnail(dir.File("preview.jpg"), 200, TThumbnailSettings{}.BackColor);
    if (reference.Width == 0)
        GTEST_SKIP() << "python3 with Pillow cannot be run";
    ASSERT_EQ(reference.Width, 200);
    ASSERT_EQ(reference.Height, 133);
    TBitmap expected;
    expected.SetSize(200, 133);
    for (int y = 0; y < 133; ++y)
        for (int x = 0; x < 200; ++x)
            for (int c = 0; c < 3; ++c)
                expected.ScanLine(y)[x * 3 + c] = reference.Rgb[(size_t(y) * 200 + x) * 3 + 2 - c];
    EXPECT_LT(MeanDifference(*thumbnail, expected), 3.0);

    for (const char* name : {"a.CR2", "a.nef", "a.NRW", "a.arw", "a.raf", "a.orf", "a.rw2", "a.pef", "a.srw", "a.cr3"}) {
        WriteBytes(dir.File(name), MakeTestDng(dng));
        EXPECT_TRUE(SamePixels(*Preview(dir.File(name)), *thumbnail)) << name;
    }
}

TEST(RawPictures, WithoutALargeEnoughPreviewTheSensorDataIsDecodedAtHalfSize)
{
    TTempDir dir;
    TDngContents small;
    small.SensorWidth = 800;
    small.SensorHeight = 528;
    small.Orientation = 8;
    small.Preview = MakeTestJpeg(120, 80);
    small.PreviewWidth = 120;
    small.PreviewHeight = 80;
    TDngContents none = small;
    none.Preview.clear();
    none.Orientation = 1;
    WriteBytes(dir.File("small.dng"), MakeTestDng(small));
    WriteBytes(dir.File("none.dng"), MakeTestDng(none));

    const TThumbnailSettings settings;
    auto turned = Batch(dir.File("small.dng"), settings);
    ASSERT_EQ(turned->Bitmap->Width(), 132);
    ASSERT_EQ(turned->Bitmap->Height(), 200);
    auto upright = Preview(dir.File("none.dng"), settings);
    ASSERT_EQ(upright->Width(), 200);
    ASSERT_EQ(upright->Height(), 132);
    // Colours go through the camera's processing; where they lie must not.
    EXPECT_GT(Correlation(*turned->Bitmap, *UprightPattern(400, 264, 8, settings), 2), 0.8);
    EXPECT_GT(Correlation(*upright, *UprightPattern(400, 264, 1, settings), 1), 0.8);
    EXPECT_EQ(ReadEncodedHeader(turned->Stream.Bytes()).Width, 132);
}

TEST(RawPictures, KindsLibrawCannotReadSaySo)
{
    TTempDir dir;
    const std::string magic = "FUJIFILMCCD-RAW ";
    std::vector<uint8_t> bytes(4096, 0x5A);
    std::copy(magic.begin(), magic.end(), bytes.begin());
    WriteBytes(dir.File("x.raf"), bytes);
    WriteBytes(dir.File("zeros.nef"), std::vector<uint8_t>(20000, 0));
    WriteBytes(dir.File("short.cr3"), std::vector<uint8_t>{'g', 'a', 'r', 'b', 'a', 'g', 'e'});
    for (const char* name : {"x.raf", "zeros.nef"})
        try {
            Preview(dir.File(name));
            FAIL() << "an unreadable RAW file made a thumbnail: " << name;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "cannot read RAW picture: not a kind of RAW file libraw can read") << name;
        }
    try {
        Preview(dir.File("short.cr3"));
        FAIL() << "seven bytes made a thumbnail";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "cannot read RAW picture: the file is cut short or cannot be read");
    }
}
