#include "BitmapTools.h"

void FitRect(const TBitmap& bitmap, int fitMode, int32_t targetSize, TRect& result)
{
    const int32_t w = bitmap.Width();
    const int32_t h = bitmap.Height();
    switch (fitMode) {
    case fitWidth:
        result = {0, 0, targetSize, MulDiv(h, targetSize, w)};
        break;
    case fitHeight:
        result = {0, 0, MulDiv(w, targetSize, h), targetSize};
        break;
    case fitLongerSide:
        if (h > w)
            result = {0, 0, MulDiv(w, targetSize, h), targetSize};
        else
            result = {0, 0, targetSize, MulDiv(h, targetSize, w)};
        break;
    case fitPercent:
        result = {0, 0, MulDiv(w, targetSize, 100), MulDiv(h, targetSize, 100)};
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
