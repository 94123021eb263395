#include "BitmapTools.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TColor PixelAt(const TBitmap& b, int x, int y)
{
    const uint8_t* p = b.ScanLine(y) + x * 3;
    return RGBColor(p[2], p[1], p[0]);
}

TRect Fit(int w, int h, int mode, int size)
{
    auto b = NewBitmapSized(w, h, clNone);
    return FitRect(*b, mode, size);
}

}  // namespace

TEST(MulDiv, RoundsHalvesAwayFromZeroWhateverTheSigns)
{
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(-3, 1, -2), 2);
    EXPECT_EQ(MulDiv(5, 1, 4), 1);
    EXPECT_EQ(MulDiv(7, 1, 4), 2);
    EXPECT_EQ(MulDiv(-7, 1, 4), -2);
}

TEST(MulDiv, UsesA64BitProductAndFailsWithMinusOne)
{
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(std::numeric_limits<int32_t>::max(), 2, 1), -1);
    EXPECT_EQ(MulDiv(std::numeric_limits<int32_t>::min(), 1, -1), -1);
}

TEST(FitRect, LongerSideBecomesTheTargetSize)
{
    EXPECT_EQ(Fit(3000, 2000, fitLongerSide, 200), (TRect{0, 0, 200, 133}));
    EXPECT_EQ(Fit(2000, 3000, fitLongerSide, 200), (TRect{0, 0, 133, 200}));
    EXPECT_EQ(Fit(500, 500, fitLongerSide, 200), (TRect{0, 0, 200, 200}));
    EXPECT_EQ(Fit(400, 3, fitLongerSide, 200), (TRect{0, 0, 200, 2}));
    EXPECT_EQ(Fit(120, 90, fitLongerSide, 200), (TRect{0, 0, 200, 150}));
}

TEST(FitRect, ShortSideThatRoundsToZeroKeepsOnePixel)
{
    EXPECT_EQ(Fit(1000, 2, fitLongerSide, 200), (TRect{0, 0, 200, 1}));
    EXPECT_EQ(Fit(2, 1000, fitLongerSide, 200), (TRect{0, 0, 1, 200}));
    EXPECT_EQ(Fit(13312, 7, fitLongerSide, 200), (TRect{0, 0, 200, 1}));
    EXPECT_EQ(Fit(800, 2, fitLongerSide, 200), (TRect{0, 0, 200, 1}));
    EXPECT_EQ(Fit(400, 1, fitLongerSide, 200), (TRect{0, 0, 200, 1}));
    EXPECT_EQ(Fit(1000, 3, fitLongerSide, 200), (TRect{0, 0, 200, 1}));
    EXPECT_EQ(Fit(1000, 8, fitLongerSide, 200), (TRect{0, 0, 200, 2}));
    EXPECT_EQ(Fit(3000, 5, fitWidth, 50), (TRect{0, 0, 50, 1}));
    EXPECT_EQ(Fit(5, 3000, fitHeight, 50), (TRect{0, 0, 1, 50}));
    EXPECT_EQ(Fit(101, 1, fitPercent, 10), (TRect{0, 0, 10, 1}));
}

TEST(FitRect, OtherModesAndBadInput)
{
    EXPECT_EQ(Fit(300, 100, fitWidth, 60), (TRect{0, 0, 60, 20}));
    EXPECT_EQ(Fit(300, 100, fitHeight, 60), (TRect{0, 0, 180, 60}));
    EXPECT_EQ(Fit(101, 33, fitPercent, 50), (TRect{0, 0, 51, 17}));

    TBitmap empty;
    EXPECT_EQ(FitRect(empty, fitLongerSide, 200), (TRect{0, 0, 200, -1}));
    EXPECT_EQ(FitRect(empty, fitHeight, 200), (TRect{0, 0, -1, 200}));

    TRect kept{1, 2, 3, 4};
    FitRect(empty, 4, 200, kept);
    EXPECT_EQ(kept, (TRect{1, 2, 3, 4}));
}

TEST(BorderBox, OutermostRingIsPenAndTheRestBrush)
{
    const TColor brush = 16053492, pen = 10651742;
    auto b = NewBitmapSized(3, 3, 0);
    DrawBorderBox(b.get(), brush, pen);
    int border = 0;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            border += PixelAt(*b, x, y) == pen;
    EXPECT_EQ(border, 8);
    EXPECT_EQ(PixelAt(*b, 1, 1), brush);

    for (int side : {1, 2}) {
        auto small = NewBitmapSized(side, side, 0);
        DrawBorderBox(small.get(), brush, pen);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                EXPECT_EQ(PixelAt(*small, x, y), pen);
    }
}

TEST(NewBitmap, SizedFilledAndEmptyCases)
{
    auto b = NewBitmapFromRect({5, 5, 9, 7}, 0x0000FF);
    EXPECT_EQ(b->Width(), 4);
    EXPECT_EQ(b->Height(), 2);
    EXPECT_EQ(b->PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(PixelAt(*b, 3, 1), 0x0000FF);
    EXPECT_EQ(BitmapBounds(*b), (TRect{0, 0, 4, 2}));

    EXPECT_TRUE(NewBitmapSized(10, 0, 0)->Empty());
    EXPECT_TRUE(NewBitmap24()->Empty());

    EXPECT_EQ(BitmapBounds(nullptr), TRect{});
    FillBitmap(nullptr, 0);
    DrawBorderBox(nullptr, 0, 0);
}
