#include "Resample.h"
#include "BitmapTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <utility>

namespace {

using TTaps = std::vector<std::pair<int, int>>;  // weight, pixel

TTaps TapsOf(const TContributorList& list, int i)
{
    TTaps taps;
    for (int k = 0; k < list.N(i); ++k)
        taps.emplace_back(list.Contributors(i)[k].Weight, list.Contributors(i)[k].Pixel);
    return taps;
}

TContributorList Lanczos(int source, int target, TFilterProc filter = Lanczos3Kernel, float radius = 3.0f)
{
    TContributorList list;
    list.Build(source, target, ResampleScale(source, target), radius, filter);
    return list;
}

// Weights far beyond 16 bits, with negative lobes.
float Steep(float x)
{
    return std::fabs(x) < 1.5f ? 300.0f - 250.0f * std::fabs(x) : 0.0f;
}

// A deterministic busy picture, every channel different.
std::unique_ptr<TBitmap> Busy(int w, int h)
{
    auto b = NewBitmapSized(w, h, clNone);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b->ScanLine(y) + x * 3;
            p[0] = uint8_t(x * 37 + y * 11);
            p[1] = uint8_t((x ^ y) * 53);
            p[2] = uint8_t(((x / 3 + y / 2) % 2) * 255);
        }
    return b;
}

bool SamePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(a.Width()) * 3) != 0)
            return false;
    return true;
}

// The textbook order: every column of the intermediate loaded into the line
// cache and filtered on its own. The engine walks rows instead; both must agree.
std::unique_ptr<TBitmap> ColumnByColumn(const TBitmap& source, int tw, int th, TFilterProc filter = Lanczos3Kernel,
                                        float radius = 3.0f)
{
    const int sw = source.Width(), sh = source.Height();
    auto work = NewBitmapSized(tw, sh, clNone);
    TLineCache cache;
    TContributorList h = Lanczos(sw, tw, filter, radius);
    for (int y = 0; y < sh; ++y) {
        cache.Load(sw, 3, source.ScanLine(y));
        for (int x = 0; x < tw; ++x)
            WeightedPixel(cache, h.N(x), h.Contributors(x), work->ScanLine(y) + x * 3);
    }
    auto out = NewBitmapSized(tw, th, clNone);
    TContributorList v = Lanczos(sh, th, filter, radius);
    for (int x = 0; x < tw; ++x) {
        cache.Load(sh, work->RowStride(), work->ScanLine(0) + x * 3);
        for (int y = 0; y < th; ++y)
            WeightedPixel(cache, v.N(y), v.Contributors(y), out->ScanLine(y) + x * 3);
    }
    return out;
}

}  // namespace

TEST(Filters, KernelValuesAndDefaultRadii)
{
    EXPECT_EQ(Lanczos3Kernel(0.0f), 1.0f);
    EXPECT_EQ(Lanczos3Kernel(3.0f), 0.0f);
    EXPECT_EQ(Lanczos3Kernel(-4.5f), 0.0f);
    EXPECT_EQ(Lanczos3Kernel(-1.3f), Lanczos3Kernel(1.3f));
    EXPECT_NEAR(Lanczos3Kernel(0.5f), 0.607927, 1e-6);
    EXPECT_NEAR(Lanczos3Kernel(1.5f), -0.135095, 1e-6);
    EXPECT_NEAR(Lanczos3Kernel(1.0f), 0.0f, 1e-6);

    EXPECT_EQ(BoxFilter(0.5f), 1.0f);
    EXPECT_EQ(BoxFilter(-0.5f), 0.0f);
    EXPECT_FLOAT_EQ(TriangleFilter(-0.25f), 0.75f);
    EXPECT_FLOAT_EQ(HermiteFilter(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(BellFilter(1.0f), 0.125f);
    EXPECT_FLOAT_EQ(SplineFilter(0.0f), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(SplineFilter(1.0f), 1.0f / 6.0f);
    EXPECT_NEAR(MitchellFilter(0.0f), 16.0f / 18.0f, 1e-6);
    EXPECT_NEAR(MitchellFilter(1.0f), 1.0f / 18.0f, 1e-6);
    EXPECT_EQ(MitchellFilter(2.0f), 0.0f);

    const float radii[FilterCount] = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
    for (int code = 0; code < FilterCount; ++code)
        EXPECT_EQ(FilterByCode(code).Radius, radii[code]) << code;
    EXPECT_EQ(FilterByCode(5).Filter, &Lanczos3Kernel);
}

TEST(Contributors, EnlargingFourToSevenReflectsAtBothEnds)
{
    EXPECT_EQ(ResampleScale(4, 7), 2.0f);
    const TContributorList list = Lanczos(4, 7);
    for (int i : {0, 2, 4, 6})
        EXPECT_EQ(TapsOf(list, i), (TTaps{{256, i / 2}})) << i;
    EXPECT_EQ(TapsOf(list, 1), (TTaps{{6, 2}, {-35, 1}, {156, 0}, {156, 1}, {-35, 2}, {6, 3}}));
    EXPECT_EQ(list.Total(1), 254);
    EXPECT_EQ(TapsOf(list, 5), (TTaps{{6, 0}, {-35, 1}, {156, 2}, {156, 3}, {-35, 3}, {6, 2}}));
    EXPECT_EQ(list.Capacity(), 7);
}

TEST(Contributors, ShrinkingSevenToFourDropsZeroWeights)
{
    const TContributorList list = Lanczos(7, 4);
    EXPECT_EQ(list.Capacity(), 13);
    EXPECT_EQ(TapsOf(list, 0), (TTaps{{3, 5}, {-17, 3}, {78, 1}, {128, 0}, {78, 1}, {-17, 3}, {3, 5}}));
    EXPECT_EQ(list.Total(0), 256);
}

TEST(Contributors, TapsOfShortLinesNeverLeaveTheLine)
{
    const std::pair<int, int> cases[] = {{7, 3}, {5, 2}, {9, 1}, {1, 6}, {2, 9}, {2, 1}, {1, 1}, {3, 40}};
    for (auto [source, target] : cases) {
        const TContributorList list = Lanczos(source, target);
        ASSERT_EQ(list.Count(), target);
        for (int i = 0; i < target; ++i) {
            ASSERT_LE(list.N(i), list.Capacity());
            for (auto [w, p] : TapsOf(list, i)) {
                EXPECT_NE(w, 0);
                EXPECT_GE(p, 0) << source << "->" << target;
                EXPECT_LT(p, source) << source << "->" << target;
            }
        }
    }
    EXPECT_EQ(ResampleScale(1, 6), 6.0f);
    EXPECT_FLOAT_EQ(ResampleScale(9, 1), 1.0f / 9.0f);
}

TEST(WeightedPixel, TruncatesAndHandlesAZeroTotal)
{
    TLineCache cache;
    const uint8_t line[] = {0, 0, 0, 1, 1, 1, 200, 100, 0};
    cache.Load(3, 3, line);
    uint8_t out[3];

    const TContributor third[] = {{1, 0}, {2, 1}};  // 2/3 truncates to 0
    WeightedPixel(cache, 2, third, out);
    EXPECT_EQ(out[0], 0);

    const TContributor cancel[] = {{300, 2}, {-300, 0}};  // sums shifted by 8: 60000 >> 8
    WeightedPixel(cache, 2, cancel, out);
    EXPECT_EQ(out[0], 234);
    EXPECT_EQ(out[1], 117);
    EXPECT_EQ(out[2], 0);

    const TContributor negative[] = {{-300, 2}, {300, 0}};  // negative sums read unsigned
    WeightedPixel(cache, 2, negative, out);
    EXPECT_EQ(out[0], 255);

    WeightedPixel(cache, 0, nullptr, out);
    EXPECT_EQ((out[0] | out[1] | out[2]), 0);
}

TEST(Resample, OvershootAtASharpEdgeIsClipped)
{
    auto step = NewBitmapSized(6, 1, 0);
    step->Canvas().Brush.Color = 0xFFFFFF;
    step->Canvas().FillRect({3, 0, 6, 1});
    auto out = NewBitmap24();
    ResampleBitmap(11, 1, 5, 0, *step, *out);

    const TContributorList list = Lanczos(6, 11);
    bool over = false, under = false;
    for (int x = 0; x < 11; ++x) {
        int sum = 0;
        for (auto [w, p] : TapsOf(list, x))
            sum += w * (p >= 3 ? 255 : 0);
        const int raw = sum / list.Total(x);
        over |= raw > 255;
        under |= raw < 0;
        EXPECT_EQ(out->ScanLine(0)[x * 3], std::clamp(raw, 0, 255)) << x;
    }
    EXPECT_TRUE(over && under);
}

TEST(Resample, RowOrderGivesTheSamePixelsAsColumnOrder)
{
    const int cases[][4] = {{37, 23, 11, 9}, {20, 30, 47, 61}, {9, 1, 4, 5}, {50, 40, 200, 1}, {5, 5, 5, 5}};
    for (const auto& c : cases) {
        auto source = Busy(c[0], c[1]);
        auto fast = NewBitmap24();
        ResampleBitmap(c[2], c[3], 5, 0, *source, *fast);
        EXPECT_TRUE(SamePixels(*fast, *ColumnByColumn(*source, c[2], c[3]))) << c[0] << "x" << c[1];
    }
    auto source = Busy(23, 17);
    for (auto [filter, radius] : {std::pair{&Steep, 1.5f}, std::pair{&MitchellFilter, 2.0f}, std::pair{&BoxFilter, 0.5f}}) {
        auto fast = NewBitmapSized(9, 31, clNone);
        ResampleTwoPass(filter, radius, *source, *fast);
        EXPECT_TRUE(SamePixels(*fast, *ColumnByColumn(*source, 9, 31, filter, radius)));
    }
}

TEST(Resample, SameSizeCopiesEveryPixel)
{
    auto source = Busy(5, 5);
    auto out = NewBitmap24();
    ResampleBitmap(5, 5, 5, 0, *source, *out);
    EXPECT_TRUE(SamePixels(*source, *out));
}

TEST(Resample, ABitmapResampledIntoItselfKeepsItsPicture)
{
    auto b = Busy(40, 30);
    auto expected = NewBitmap24();
    ResampleBitmap(13, 9, 5, 0, *b, *expected);
    ResampleBitmap(13, 9, 5, 0, *b, *b);
    EXPECT_TRUE(SamePixels(*b, *expected));
}

TEST(Resample, ZeroSidesDoNothingAndGreyBecomesTwentyFourBit)
{
    auto source = Busy(8, 8);
    auto out = NewBitmap24();
    ResampleBitmap(0, 4, 5, 0, *source, *out);
    EXPECT_TRUE(out->Empty());
    TBitmap none;
    ResampleBitmap(4, 4, 5, 0, none, *out);
    EXPECT_EQ(out->Width(), 4);

    TBitmap grey;
    grey.SetPixelFormat(TPixelFormat::pf8bit);
    grey.SetSize(6, 4);
    std::vector<TPaletteEntry> ramp(256);
    for (int i = 0; i < 256; ++i)
        ramp[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    grey.SetPalette(ramp);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            grey.ScanLine(y)[x] = uint8_t(x * 40 + y);
    ResampleBitmap(3, 2, 5, 0, grey, *out);
    EXPECT_EQ(grey.PixelFormat(), TPixelFormat::pf24bit);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint8_t* p = out->ScanLine(y) + x * 3;
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
        }
}

TEST(Resample, EachThreadHasItsOwnCacheAndItIsReleased)
{
    auto a = Busy(300, 200), b = Busy(211, 97);
    auto expectA = ColumnByColumn(*a, 71, 50), expectB = ColumnByColumn(*b, 40, 150);
    bool okA = true, okB = true;
    auto run = [](TBitmap& src, int w, int h, const TBitmap& expect, bool& ok) {
        for (int i = 0; i < 20 && ok; ++i) {
            TBitmap out;
            ResampleBitmap(w, h, 5, 0, src, out);
            ok = SamePixels(out, expect);
        }
    };
    std::thread t1(run, std::ref(*a), 71, 50, std::cref(*expectA), std::ref(okA));
    std::thread t2(run, std::ref(*b), 40, 150, std::cref(*expectB), std::ref(okB));
    t1.join();
    t2.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
    EXPECT_EQ(ThreadLineCache().Values.capacity(), 0u);
}
