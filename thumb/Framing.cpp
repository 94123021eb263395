#include "BitmapTools.h"

namespace {

void FitInside(TBitmap& bitmap, int32_t innerSize)
{
    const TRect r = FitRect(bitmap, fitLongerSide, innerSize);
    ResizeBitmapToRect(bitmap, r, rfLanczos3);
}

}  // namespace

void FrameThumbnail(TBitmap& bitmap, TColor backColor, TColor borderColor, int32_t size,
                    int32_t frameWidth)
{
    FitInside(bitmap, size - 2 * frameWidth);
    TRect outer = BitmapBounds(bitmap);
    outer.Left -= frameWidth;
    outer.Top -= frameWidth;
    outer.Right += frameWidth;
    outer.Bottom += frameWidth;
    auto canvas = NewBitmapFromRect(outer, clNone);
    DrawBorderBox(canvas.get(), backColor, borderColor);
    canvas->Canvas().Draw((canvas->Width() - bitmap.Width()) / 2,
                          (canvas->Height() - bitmap.Height()) / 2, bitmap);
    bitmap.Assign(*canvas);
}

void SquareThumbnail(TBitmap& bitmap, TColor backColor, TColor borderColor, int32_t size,
                     int32_t frameWidth)
{
    auto canvas = NewBitmapSized(size, size, clNone);
    DrawBorderBox(canvas.get(), backColor, borderColor);
    FitInside(bitmap, size - 2 * frameWidth);
    canvas->Canvas().Draw((size - bitmap.Width()) / 2, (size - bitmap.Height()) / 2, bitmap);
    bitmap.Assign(*canvas);
}
