#pragma once
// Separable two-pass windowed-sinc resampling of 24-bit bitmaps, in integer
// weights of 1/256 worked out once per output column and row.

#include "Bitmap.h"

#include <cstdint>
#include <cstddef>
#include <vector>

using TFilterProc = float (*)(float);

struct TFilterInfo {
    TFilterProc Filter;
    float Radius;  // default support radius
};

// Codes 0..6: box, triangle, Hermite, bell, B-spline, Lanczos-3, Mitchell.
constexpr int FilterCount = 7;
const TFilterInfo& FilterByCode(int code);  // a code outside 0..6 selects Lanczos-3

float BoxFilter(float x);
float TriangleFilter(float x);
float HermiteFilter(float x);
float BellFilter(float x);
float SplineFilter(float x);
float Lanczos3Kernel(float x);
float MitchellFilter(float x);

struct TContributor {
    int32_t Weight;
    int32_t Pixel;
};

// The contributors of every output pixel of one pass, in one flat block.
class TContributorList {
public:
    void Build(int32_t sourceLength, int32_t targetLength, float scale, float radius,
               TFilterProc filter);
    int32_t Count() const { return static_cast<int32_t>(FCounts.size()); }
    int32_t N(int32_t i) const { return FCounts[i]; }
    const TContributor* Contributors(int32_t i) const { return FItems.data() + FOffsets[i]; }
    int32_t Total(int32_t i) const { return FTotals[i]; }  // sum of the entry's weights
    int32_t Capacity() const { return FCapacity; }  // list size of every entry

private:
    std::vector<TContributor> FItems;
    std::vector<int32_t> FCounts;
    std::vector<int32_t> FTotals;
    std::vector<size_t> FOffsets;
    int32_t FCapacity = 0;
};

// One line of pixels as integers: blue, green, red and a zero side by side, so
// one tap reads one place. Each thread has its own.
struct TLineCache {
    std::vector<int16_t> Values;  // 4 per pixel
    std::vector<int32_t> Sums;  // running sums of a whole output row, vertical pass
    // Reads count blue-green-red pixels starting at first, step bytes apart.
    void Load(int32_t count, std::ptrdiff_t step, const uint8_t* first);
    void Release();
};
TLineCache& ThreadLineCache();

// The output pixel of one entry over the cache, written as blue, green, red.
// A zero weight total takes each sum shifted right by 8 as unsigned.
void WeightedPixel(const TLineCache& cache, int32_t count, const TContributor* contributors,
                   uint8_t* bgr);

// targetLength / sourceLength for lines of one pixel, else (t - 1) / (s - 1).
float ResampleScale(int32_t sourceLength, int32_t targetLength);

// Sizes target to newWidth x newHeight (24-bit), converts source to 24 bits in
// place, then fills target. Radius 0 means the filter's default. Target and
// source must be different bitmaps.
void ResampleBitmap(int32_t newWidth, int32_t newHeight, int filterCode, float radius,
                    TBitmap& source, TBitmap& target);
// Fills the already sized target from the 24-bit source.
void ResampleTwoPass(TFilterProc filter, float radius, const TBitmap& source, TBitmap& target);
