#include "Resample.h"
#include "BitmapTools.h"

void ResizeBitmap(TBitmap& bitmap, int32_t newWidth, int32_t newHeight, int filterCode)
{
    std::unique_ptr<TBitmap> resized;
    if (filterCode == rfStretch) {
        resized = NewBitmapSized(newWidth, newHeight, clNone);
        resized->Canvas().StretchDraw(BitmapBounds(*resized), bitmap);
    } else {
        resized = NewBitmap24();
        ResampleBitmap(newWidth, newHeight, filterCode, 0.0f, bitmap, *resized);
    }
    bitmap.Assign(*resized);
}

void ResizeBitmapToRect(TBitmap& bitmap, const TRect& rect, int filterCode)
{
    if (!bitmap.Empty())
        ResizeBitmap(bitmap, rect.Right, rect.Bottom, filterCode);
}
