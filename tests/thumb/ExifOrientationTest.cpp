#include "ExifOrientation.h"
#include "JpegFixtures.h"
#include "BitmapTools.h"

#include <gtest/gtest.h>

namespace {

int Parse(const std::vector<uint8_t>& payload)
{
    return ExifOrientationOf(payload.data(), payload.size());
}

// A 3 x 2 picture whose pixels are numbered 1..6 in reading order.
std::unique_ptr<TBitmap> Numbered()
{
    auto b = NewBitmapSized(3, 2, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            b->ScanLine(y)[x * 3] = uint8_t(1 + y * 3 + x);
    return b;
}

std::vector<std::vector<int>> Rows(const TBitmap& b)
{
    std::vector<std::vector<int>> rows(b.Height());
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            rows[y].push_back(b.ScanLine(y)[x * 3]);
    return rows;
}

}  // namespace

TEST(ExifOrientation, ReadsTheTagInBothByteOrders)
{
    for (int v = 1; v <= 8; ++v) {
        EXPECT_EQ(Parse(ExifOrientationPayload(v, false)), v);
        EXPECT_EQ(Parse(ExifOrientationPayload(v, true)), v);
    }
}

TEST(ExifOrientation, DamagedOrAbsentBlocksMeanUpright)
{
    const std::vector<uint8_t> good = ExifOrientationPayload(6);
    for (size_t cut = 0; cut < good.size() - 6; ++cut)  // up to the last byte of the value
        EXPECT_EQ(Parse({good.begin(), good.begin() + cut}), 1) << cut;

    auto bad = good;
    bad[6] = 'X';  // byte order mark
    EXPECT_EQ(Parse(bad), 1);
    bad = good;
    bad[0] = 'e';
    EXPECT_EQ(Parse(bad), 1);
    bad = good;
    bad[6 + 4] = 0xF0;  // IFD far beyond the block
    EXPECT_EQ(Parse(bad), 1);
    bad = good;
    bad[6 + 8 + 2 + 12 + 2] = 4;  // orientation stored as a long
    EXPECT_EQ(Parse(bad), 1);
    EXPECT_EQ(Parse(ExifOrientationPayload(9)), 1);
    EXPECT_EQ(Parse(ExifOrientationPayload(0)), 1);
    EXPECT_EQ(ExifOrientationOf(nullptr, 0), 1);
}

// Expected layouts follow the tag's own wording: which side of the upright
// picture the stored first row and first column show.
TEST(ExifOrientation, TurnsAndMirrorsToUpright)
{
    using R = std::vector<std::vector<int>>;
    const R expected[9] = {
        {}, {{1, 2, 3}, {4, 5, 6}},
        {{3, 2, 1}, {6, 5, 4}},          // first column on the right
        {{6, 5, 4}, {3, 2, 1}},          // first row at the bottom, column right
        {{4, 5, 6}, {1, 2, 3}},          // first row at the bottom
        {{1, 4}, {2, 5}, {3, 6}},        // first row on the left, column on top
        {{4, 1}, {5, 2}, {6, 3}},        // first row on the right, column on top
        {{6, 3}, {5, 2}, {4, 1}},        // first row on the right, column at the bottom
        {{3, 6}, {2, 5}, {1, 4}},        // first row on the left, column at the bottom
    };
    for (int v = 1; v <= 8; ++v) {
        auto b = Numbered();
        ApplyExifOrientation(*b, v);
        EXPECT_EQ(Rows(*b), expected[v]) << v;
    }
    auto b = Numbered();
    ApplyExifOrientation(*b, 0);
    ApplyExifOrientation(*b, 42);
    EXPECT_EQ(Rows(*b), expected[1]);
}

TEST(ExifOrientation, KeepsEightBitPixelsAndTheirPalette)
{
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf8bit);
    b.SetSize(2, 1);
    b.SetPalette({{1, 1, 1}, {9, 9, 9}});
    b.ScanLine(0)[0] = 0;
    b.ScanLine(0)[1] = 1;
    ApplyExifOrientation(b, 6);
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(b.Width(), 1);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(b.ScanLine(0)[0], 0);
    EXPECT_EQ(b.ScanLine(1)[0], 1);
    EXPECT_EQ(b.Palette().size(), 2u);
}
