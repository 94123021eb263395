#include "BitmapTools.h"

namespace {

// A side scaled down from a real picture keeps at least one pixel: a strip
// whose short side rounds to 0 would otherwise become an empty thumbnail.
int32_t ScaledSide(int32_t side, int32_t numerator, int32_t denominator)
{
    const int32_t scaled = MulDiv(side, numerator, denominator);
    return scaled == 0 && side > 0 && numerator > 0 && denominator > 0 ? 1 : scaled;
}

}  // namespace

void FitRect(const TBitmap& bitmap, int fitMode, int32_t targetSize, TRect& result)
{
    const int32_t w = bitmap.Width();
    const int32_t h = bitmap.Height();
    switch (fitMode) {
    case fitWidth:
        result = {0, 0, targetSize, ScaledSide(h, targetSize, w)};
        break;
    case fitHeight:
        result = {0, 0, ScaledSide(w, targetSize, h), targetSize};
        break;
    case fitLongerSide:
        if (h > w)
            result = {0, 0, ScaledSide(w, targetSize, h), targetSize};
        else
            result = {0, 0, targetSize, ScaledSide(h, targetSize, w)};
        break;
    case fitPercent:
        result = {0, 0, ScaledSide(w, targetSize, 100), ScaledSide(h, targetSize, 100)};
        break;
    default:
        break;
    }
}

TRect FitRect(const TBitmap& bitmap, int fitMode, int32_t targetSize)
{
    TRect result;
    FitRect(bitmap, fitMode, targetSize, result);
    return result;
}
