#include "Resample.h"

#include "bitmapstuff.h"

#include <algorithm>

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

// Frees the thread's cache however the resampling ends.
struct TCacheRelease {
    ~TCacheRelease() { ThreadLineCache().Release(); }
};

void HorizontalPass(const TContributorList& list, const TBitmap& source, TBitmap& work)
{
    TLineCache& cache = ThreadLineCache();
    const int32_t targetWidth = work.Width();
    for (int32_t y = 0; y < source.Height(); ++y) {
        cache.Load(source.Width(), 3, source.ScanLine(y));
        uint8_t* out = work.ScanLine(y);
        for (int32_t x = 0; x < targetWidth; ++x, out += 3)
            WeightedPixel(cache, list.N(x), list.Contributors(x), out);
    }
}

// Walks the target row by row and adds whole source rows, so every inner loop
// is contiguous; each output channel still sees its contributors in order.
void VerticalPass(const TContributorList& list, const TBitmap& work, TBitmap& target)
{
    TLineCache& cache = ThreadLineCache();
    const size_t rowBytes = static_cast<size_t>(work.Width()) * 3;
    cache.Sums.assign(rowBytes, 0);
    int32_t* sums = cache.Sums.data();
    for (int32_t y = 0; y < target.Height(); ++y) {
        std::fill(sums, sums + rowBytes, 0);
        const TContributor* c = list.Contributors(y);
        for (int32_t k = 0; k < list.N(y); ++k) {
            const uint8_t* src = work.ScanLine(c[k].Pixel);
            const int32_t w = c[k].Weight;
            for (size_t i = 0; i < rowBytes; ++i)
                sums[i] += w * src[i];
        }
        const int32_t total = list.Total(y);
        uint8_t* out = target.ScanLine(y);
        for (size_t i = 0; i < rowBytes; ++i)
            out[i] = FinishChannel(sums[i], total);
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
    Red.resize(n);
    Green.resize(n);
    Blue.resize(n);
    const uint8_t* p = first;
    for (size_t i = 0; i < n; ++i, p += step) {
        Blue[i] = p[0];
        Green[i] = p[1];
        Red[i] = p[2];
    }
}

void TLineCache::Release()
{
    std::vector<int32_t>().swap(Red);
    std::vector<int32_t>().swap(Green);
    std::vector<int32_t>().swap(Blue);
    std::vector<int32_t>().swap(Sums);
}

void WeightedPixel(const TLineCache& cache, int32_t count, const TContributor* contributors,
                   uint8_t* bgr)
{
    const int32_t* red = cache.Red.data();
    const int32_t* green = cache.Green.data();
    const int32_t* blue = cache.Blue.data();
    int32_t r = 0, g = 0, b = 0, total = 0;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t w = contributors[k].Weight;
        const int32_t p = contributors[k].Pixel;
        r += w * red[p];
        g += w * green[p];
        b += w * blue[p];
        total += w;
    }
    bgr[0] = FinishChannel(b, total);
    bgr[1] = FinishChannel(g, total);
    bgr[2] = FinishChannel(r, total);
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

void ResampleBitmap(int32_t newWidth, int32_t newHeight, int filterCode, float radius,
                    TBitmap& source, TBitmap& target)
{
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
