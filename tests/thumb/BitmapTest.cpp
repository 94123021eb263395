#include "Bitmap.h"
#include "Errors.h"
#include "BitmapTools.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TColor PixelAt(const TBitmap& b, int x, int y)
{
    const uint8_t* p = b.ScanLine(y) + x * 3;
    return RGBColor(p[2], p[1], p[0]);
}

std::unique_ptr<TBitmap> Numbered(int w, int h)
{
    auto b = NewBitmapSized(w, h, clNone);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b->Canvas().Brush.Color = RGBColor(uint8_t(x), uint8_t(y), 7),
            b->Canvas().FillRect({x, y, x + 1, y + 1});
    return b;
}

}  // namespace

TEST(Bitmap, RowsArePaddedAndAddressedOnlyInRange)
{
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    b.SetWidth(5);
    EXPECT_TRUE(b.Empty());
    b.SetHeight(2);
    EXPECT_FALSE(b.Empty());
    EXPECT_GE(b.RowStride(), 15);
    EXPECT_EQ(b.RowStride() % 4, 0);
    EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), b.RowStride());
    EXPECT_THROW(b.ScanLine(2), Exception);
    EXPECT_THROW(b.ScanLine(-1), Exception);
}

TEST(Bitmap, ResizingKeepsThePixelsThatStayInside)
{
    auto b = Numbered(4, 3);
    b->SetWidth(2);
    b->SetHeight(5);
    EXPECT_EQ(PixelAt(*b, 1, 2), RGBColor(1, 2, 7));
    EXPECT_EQ(b->Width(), 2);
    EXPECT_EQ(b->Height(), 5);
}

TEST(Bitmap, EightBitPixelsTakeTheirPaletteColoursWhenConverted)
{
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf8bit);
    b.SetSize(3, 2);
    b.SetPalette({{10, 20, 30}, {200, 100, 50}});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            b.ScanLine(y)[x] = uint8_t((x + y) % 2);
    TBitmap copy;
    copy.Assign(b);
    EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(copy.ScanLine(1)[0], 1);

    b.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(PixelAt(b, 0, 0), RGBColor(10, 20, 30));
    EXPECT_EQ(PixelAt(b, 1, 0), RGBColor(200, 100, 50));
    EXPECT_EQ(PixelAt(b, 2, 1), RGBColor(200, 100, 50));
    EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf8bit);  // a copy is its own bitmap
}

TEST(Canvas, FillRectCoversHalfOpenRangeAndClips)
{
    auto b = NewBitmapSized(4, 4, 0);
    b->Canvas().Brush.Color = 0x123456;
    b->Canvas().FillRect({-2, 1, 2, 9});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(*b, x, y), (x < 2 && y >= 1) ? 0x123456 : 0) << x << "," << y;
}

TEST(Canvas, DrawCopiesOneToOneAndClipsOnEverySide)
{
    auto src = Numbered(3, 3);
    auto dst = NewBitmapSized(4, 4, 0xFFFFFF);
    dst->Canvas().Draw(-1, 2, *src);
    EXPECT_EQ(PixelAt(*dst, 0, 2), RGBColor(1, 0, 7));
    EXPECT_EQ(PixelAt(*dst, 1, 3), RGBColor(2, 1, 7));
    EXPECT_EQ(PixelAt(*dst, 2, 2), 0xFFFFFF);
    EXPECT_EQ(PixelAt(*dst, 0, 1), 0xFFFFFF);

    dst->Canvas().Draw(3, 3, *src);
    EXPECT_EQ(PixelAt(*dst, 3, 3), RGBColor(0, 0, 7));

    auto before = NewBitmap24();
    before->Assign(*dst);
    TBitmap empty;
    dst->Canvas().Draw(0, 0, empty);
    dst->Canvas().Draw(10, 10, *src);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(0, std::memcmp(dst->ScanLine(y), before->ScanLine(y), 12));
}

TEST(Canvas, DrawingAnEightBitSourceUsesItsPalette)
{
    TBitmap grey;
    grey.SetPixelFormat(TPixelFormat::pf8bit);
    grey.SetSize(1, 1);
    grey.SetPalette({{0, 0, 0}, {77, 77, 77}});
    grey.ScanLine(0)[0] = 1;
    auto dst = NewBitmapSized(2, 1, 0);
    dst->Canvas().Draw(1, 0, grey);
    EXPECT_EQ(PixelAt(*dst, 1, 0), RGBColor(77, 77, 77));
    EXPECT_EQ(PixelAt(*dst, 0, 0), 0);
}
