#include "Bitmap.h"
#include "Errors.h"
#include "JpegFixtures.h"
#include "PngCheck.h"
#include "PngWriter.h"

#include <gtest/gtest.h>

namespace {

// Every pixel a different colour, so a swapped channel or row shows.
void Paint(TBitmap& bitmap, int width, int height)
{
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 7 + y);        // blue
            row[3 * x + 1] = static_cast<uint8_t>(y * 13);       // green
            row[3 * x + 2] = static_cast<uint8_t>(255 - x * 3);  // red
        }
    }
}

} // namespace

TEST(PngWriter, DecodesBackToTheSamePixelsInRgbOrder)
{
    TTempDir dir;
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{61, 17}}) {
        TBitmap bitmap;
        Paint(bitmap, width, height);
        const std::string number = std::to_string(width);
        const std::string path = dir.File("p" + number + ".png");
        WritePng(path, bitmap);
        EXPECT_EQ(ComparePngWithBitmap(path, bitmap), "") << width << "x" << height;
    }
}

TEST(PngWriter, PaletteBitmapIsWrittenThroughItsPalette)
{
    TBitmap grey;
    grey.SetPixelFormat(TPixelFormat::pf8bit);
    grey.SetSize(4, 1);
    std::vector<TPaletteEntry> palette(256);
    for (int k = 0; k < 256; ++k)
        palette[k] = {static_cast<uint8_t>(k), static_cast<uint8_t>(k), static_cast<uint8_t>(k)};
    grey.SetPalette(palette);
    const uint8_t values[4] = {0, 80, 160, 255};
    std::copy(values, values + 4, grey.ScanLine(0));

    TTempDir dir;
    WritePng(dir.File("grey.png"), grey);
    ASSERT_EQ(grey.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(grey.ScanLine(0)[3 * 2 + 1], 160);
    EXPECT_EQ(ComparePngWithBitmap(dir.File("grey.png"), grey), "");
}

TEST(PngWriter, RefusesAnEmptyBitmapAndAnUnwritablePath)
{
    TBitmap empty;
    EXPECT_THROW(EncodePng(empty), Exception);
    TBitmap bitmap;
    Paint(bitmap, 2, 2);
    EXPECT_THROW(WritePng("/nonexistent-folder/x.png", bitmap), EFCreateError);
}
