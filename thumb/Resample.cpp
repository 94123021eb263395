#include "Resample.h"

#include "BitmapTools.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

inline uint8_t ClampChannel(int32_t v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

inline uint8_t FinishChannel(int32_t sum, int32_t total)
{
    if (total != 0)
        return ClampChannel(sum / total);
    const uint32_t shifted = static_cast<uint32_t>(sum) >> 8;
    return static_cast<uint8_t>(shifted > 255 ? 255 : shifted);
}

// sum / total truncated and clamped, by multiplication: with total below 2^16
// and quotients below 256, (sum * ceil(2^40 / total)) >> 40 is the exact quotient.
struct TDivider {
    int32_t Total;
    uint64_t Reciprocal = 0;
    explicit TDivider(int32_t total) : Total(total)
    {
        if (total > 0 && total < 65536)
            Reciprocal = ((uint64_t(1) << 40) + uint64_t(total) - 1) / uint64_t(total);
    }
    uint8_t operator()(int32_t sum) const
    {
        if (Reciprocal == 0)
            return FinishChannel(sum, Total);
        if (sum <= 0)
            return 0;
        if (sum >= 255 * Total)
            return 255;
        return static_cast<uint8_t>((uint64_t(sum) * Reciprocal) >> 40);
    }
};

// The 16-bit multiply-add paths need every weight to fit 16 bits (they are
// about 256 at most); other lists take the plain loops.
bool FitsSixteenBits(const TContributorList& list)
{
    for (int32_t i = 0; i < list.Count(); ++i)
        for (int32_t k = 0; k < list.N(i); ++k)
            if (std::abs(list.Contributors(i)[k].Weight) > 32767)
                return false;
    return true;
}

// Sums of the three channels over an entry's contributors, blue first.
inline void ChannelSums(const int16_t* values, int32_t count, const TContributor* c, bool wide, int32_t sums[3])
{
#if defined(__SSE2__)
    if (!wide) {
        // Two taps at a time: interleave their pixels and multiply-add with both weights.
        __m128i acc = _mm_setzero_si128();
        int32_t k = 0;
        for (; k + 1 < count; k += 2) {
            const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + 4 * c[k].Pixel));
            const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + 4 * c[k + 1].Pixel));
            const auto pair = static_cast<int32_t>((uint32_t(uint16_t(c[k + 1].Weight)) << 16) | uint16_t(c[k].Weight));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), _mm_set1_epi32(pair)));
        }
        if (k < count) {
            const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + 4 * c[k].Pixel));
            const __m128i w = _mm_set1_epi32(uint16_t(c[k].Weight));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_unpacklo_epi16(a, _mm_setzero_si128()), w));
        }
        alignas(16) int32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
        sums[0] = lanes[0];
        sums[1] = lanes[1];
        sums[2] = lanes[2];
        return;
    }
#endif
    (void)wide;
    int32_t b = 0, g = 0, r = 0;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t w = c[k].Weight;
        const int16_t* p = values + 4 * c[k].Pixel;
        b += w * p[0];
        g += w * p[1];
        r += w * p[2];
    }
    sums[0] = b;
    sums[1] = g;
    sums[2] = r;
}

// Frees the thread's cache however the resampling ends.
struct TCacheRelease {
    ~TCacheRelease() { ThreadLineCache().Release(); }
};

void HorizontalPass(const TContributorList& list, const TBitmap& source, TBitmap& work)
{
    TLineCache& cache = ThreadLineCache();
    const int32_t targetWidth = work.Width();
    const bool wide = !FitsSixteenBits(list);
    std::vector<TDivider> dividers;
    dividers.reserve(static_cast<size_t>(targetWidth));
    for (int32_t x = 0; x < targetWidth; ++x)
        dividers.emplace_back(list.Total(x));
    for (int32_t y = 0; y < source.Height(); ++y) {
        cache.Load(source.Width(), 3, source.ScanLine(y));
        uint8_t* out = work.ScanLine(y);
        for (int32_t x = 0; x < targetWidth; ++x, out += 3) {
            int32_t sums[3];
            ChannelSums(cache.Values.data(), list.N(x), list.Contributors(x), wide, sums);
            out[0] = dividers[x](sums[0]);
            out[1] = dividers[x](sums[1]);
            out[2] = dividers[x](sums[2]);
        }
    }
}

// sums[i] += w1 * a[i] + w2 * b[i] over a whole row of bytes.
void AddRowPair(int32_t* sums, const uint8_t* a, int32_t w1, const uint8_t* b, int32_t w2, size_t n, bool wide)
{
    size_t i = 0;
#if defined(__SSE2__)
    if (!wide) {
        const auto pair = static_cast<int32_t>((uint32_t(uint16_t(w2)) << 16) | uint16_t(w1));
        const __m128i weights = _mm_set1_epi32(pair);
        const __m128i zero = _mm_setzero_si128();
        for (; i + 8 <= n; i += 8) {
            const __m128i va = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + i)), zero);
            const __m128i vb = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b + i)), zero);
            auto* s = reinterpret_cast<__m128i*>(sums + i);
            _mm_storeu_si128(s, _mm_add_epi32(_mm_loadu_si128(s), _mm_madd_epi16(_mm_unpacklo_epi16(va, vb), weights)));
            _mm_storeu_si128(s + 1, _mm_add_epi32(_mm_loadu_si128(s + 1), _mm_madd_epi16(_mm_unpackhi_epi16(va, vb), weights)));
        }
    }
#endif
    (void)wide;
    for (; i < n; ++i)
        sums[i] += w1 * a[i] + w2 * b[i];
}

// Walks the target row by row and adds whole source rows, so every inner loop
// is contiguous; integer sums do not depend on the order of their terms.
void VerticalPass(const TContributorList& list, const TBitmap& work, TBitmap& target)
{
    TLineCache& cache = ThreadLineCache();
    const size_t rowBytes = static_cast<size_t>(work.Width()) * 3;
    const bool wide = !FitsSixteenBits(list);
    cache.Sums.assign(rowBytes, 0);
    int32_t* sums = cache.Sums.data();
    for (int32_t y = 0; y < target.Height(); ++y) {
        std::fill(sums, sums + rowBytes, 0);
        const TContributor* c = list.Contributors(y);
        const int32_t n = list.N(y);
        int32_t k = 0;
        for (; k + 1 < n; k += 2)
            AddRowPair(sums, work.ScanLine(c[k].Pixel), c[k].Weight, work.ScanLine(c[k + 1].Pixel), c[k + 1].Weight,
                       rowBytes, wide);
        if (k < n) {
            const uint8_t* row = work.ScanLine(c[k].Pixel);
            AddRowPair(sums, row, c[k].Weight, row, 0, rowBytes, wide);
        }
        const TDivider divide(list.Total(y));
        uint8_t* out = target.ScanLine(y);
        for (size_t i = 0; i < rowBytes; ++i)
            out[i] = divide(sums[i]);
    }
}

}  // namespace

TLineCache& ThreadLineCache()
{
    thread_local TLineCache cache;
    return cache;
}

void TLineCache::Load(int32_t count, std::ptrdiff_t step, const uint8_t* first)
{
    const auto n = static_cast<size_t>(std::max(count, 0));
    Values.resize(n * 4);
    int16_t* v = Values.data();
    const uint8_t* p = first;
    for (size_t i = 0; i < n; ++i, p += step, v += 4) {
        v[0] = p[0];
        v[1] = p[1];
        v[2] = p[2];
        v[3] = 0;
    }
}

void TLineCache::Release()
{
    std::vector<int16_t>().swap(Values);
    std::vector<int32_t>().swap(Sums);
}

void WeightedPixel(const TLineCache& cache, int32_t count, const TContributor* contributors, uint8_t* bgr)
{
    int32_t sums[3];
    ChannelSums(cache.Values.data(), count, contributors, true, sums);
    int32_t total = 0;
    for (int32_t k = 0; k < count; ++k)
        total += contributors[k].Weight;
    bgr[0] = FinishChannel(sums[0], total);
    bgr[1] = FinishChannel(sums[1], total);
    bgr[2] = FinishChannel(sums[2], total);
}

void ResampleTwoPass(TFilterProc filter, float radius, const TBitmap& source, TBitmap& target)
{
    const int32_t sw = source.Width(), sh = source.Height();
    const int32_t tw = target.Width(), th = target.Height();
    if (sw == 0 || sh == 0 || tw == 0 || th == 0)
        return;
    TCacheRelease release;
    auto work = NewBitmapSized(tw, sh, clNone);
    {
        TContributorList horizontal;
        horizontal.Build(sw, tw, ResampleScale(sw, tw), radius, filter);
        HorizontalPass(horizontal, source, *work);
    }
    TContributorList vertical;
    vertical.Build(sh, th, ResampleScale(sh, th), radius, filter);
    VerticalPass(vertical, *work, target);
}

void ResampleBitmap(int32_t newWidth, int32_t newHeight, int filterCode, float radius, TBitmap& source,
                    TBitmap& target)
{
    if (&source == &target) {
        // Sizing the target first would destroy the source.
        TBitmap copy;
        copy.Assign(source);
        ResampleBitmap(newWidth, newHeight, filterCode, radius, copy, target);
        return;
    }
    const TFilterInfo& info = FilterByCode(filterCode);
    if (radius == 0.0f)
        radius = info.Radius;
    target.ReleasePixels();
    target.SetPixelFormat(TPixelFormat::pf24bit);
    target.SetWidth(newWidth);
    target.SetHeight(newHeight);
    source.SetPixelFormat(TPixelFormat::pf24bit);
    ResampleTwoPass(info.Filter, radius, source, target);
}
