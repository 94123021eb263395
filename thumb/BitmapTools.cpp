#include "BitmapTools.h"

#include <limits>

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator)
{
    if (denominator == 0)
        return -1;
    int64_t product = int64_t(number) * numerator;
    const int64_t half = int64_t(denominator) / 2;
    // Halves go away from zero: bias toward the product's own sign.
    product += (product >= 0) == (denominator > 0) ? half : -half;
    const int64_t result = product / denominator;
    if (result < std::numeric_limits<int32_t>::min() || result > std::numeric_limits<int32_t>::max())
        return -1;
    return static_cast<int32_t>(result);
}

TRect BitmapBounds(const TBitmap* bitmap)
{
    if (!bitmap)
        return {};
    return {0, 0, bitmap->Width(), bitmap->Height()};
}

TRect BitmapBounds(const TBitmap& bitmap)
{
    return BitmapBounds(&bitmap);
}

std::unique_ptr<TBitmap> NewBitmap24()
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    return bitmap;
}

std::unique_ptr<TBitmap> NewBitmapSized(int32_t width, int32_t height, TColor fill)
{
    auto bitmap = NewBitmap24();
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    if (fill != clNone)
        FillBitmap(bitmap.get(), fill);
    return bitmap;
}

std::unique_ptr<TBitmap> NewBitmapFromRect(const TRect& rect, TColor fill)
{
    return NewBitmapSized(rect.Right - rect.Left, rect.Bottom - rect.Top, fill);
}

void FillBitmap(TBitmap* bitmap, TColor color)
{
    if (!bitmap)
        return;
    bitmap->Canvas().Brush.Color = color;
    bitmap->Canvas().FillRect(BitmapBounds(bitmap));
}

void DrawBorderBox(TBitmap* bitmap, TColor brushColor, TColor penColor)
{
    if (!bitmap)
        return;
    TCanvas& canvas = bitmap->Canvas();
    canvas.Brush.Color = brushColor;
    canvas.Pen.Color = penColor;
    canvas.Pen.Width = 1;
    const TRect r = BitmapBounds(bitmap);
    canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
}
