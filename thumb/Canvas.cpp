#include "Bitmap.h"

#include <algorithm>
#include <cstring>

namespace {

struct TSpan {
    int32_t From, To;  // From <= x < To
};

TSpan Clip(int32_t from, int32_t to, int32_t limit)
{
    return {std::max(from, 0), std::min(to, limit)};
}

void PaintRect(TBitmap& bitmap, int32_t left, int32_t top, int32_t right, int32_t bottom, TColor color)
{
    if (color == clNone)
        return;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    const TSpan xs = Clip(left, right, bitmap.Width());
    const TSpan ys = Clip(top, bottom, bitmap.Height());
    if (xs.From >= xs.To || ys.From >= ys.To)
        return;
    const uint8_t b = BlueOf(color), g = GreenOf(color), r = RedOf(color);
    for (int32_t y = ys.From; y < ys.To; ++y) {
        uint8_t* p = bitmap.ScanLine(y) + xs.From * 3;
        for (int32_t x = xs.From; x < xs.To; ++x, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

// One source pixel as blue, green, red, whatever its format.
inline void SourcePixel(const TBitmap& source, const uint8_t* row, int32_t x, uint8_t* out)
{
    if (source.PixelFormat() == TPixelFormat::pf24bit) {
        std::memcpy(out, row + x * 3, 3);
        return;
    }
    const auto& palette = source.Palette();
    const uint8_t index = row[x];
    const TPaletteEntry e = index < palette.size() ? palette[index] : TPaletteEntry{};
    out[0] = e.Blue;
    out[1] = e.Green;
    out[2] = e.Red;
}

}  // namespace

void TCanvas::FillRect(const TRect& rect)
{
    PaintRect(FOwner, rect.Left, rect.Top, rect.Right, rect.Bottom, Brush.Color);
}

void TCanvas::Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (right <= left || bottom <= top)
        return;
    if (Pen.Color == clNone) {
        PaintRect(FOwner, left, top, right, bottom, Brush.Color);
        return;
    }
    const int32_t w = std::max(Pen.Width, 1);
    PaintRect(FOwner, left + w, top + w, right - w, bottom - w, Brush.Color);
    PaintRect(FOwner, left, top, right, std::min(top + w, bottom), Pen.Color);
    PaintRect(FOwner, left, std::max(bottom - w, top), right, bottom, Pen.Color);
    PaintRect(FOwner, left, top, std::min(left + w, right), bottom, Pen.Color);
    PaintRect(FOwner, std::max(right - w, left), top, right, bottom, Pen.Color);
}

void TCanvas::Draw(int32_t x, int32_t y, const TBitmap& source)
{
    if (source.Empty() || &source == &FOwner)
        return;
    FOwner.SetPixelFormat(TPixelFormat::pf24bit);
    const TSpan xs = Clip(x, x + source.Width(), FOwner.Width());
    const TSpan ys = Clip(y, y + source.Height(), FOwner.Height());
    if (xs.From >= xs.To || ys.From >= ys.To)
        return;
    for (int32_t ty = ys.From; ty < ys.To; ++ty) {
        const uint8_t* src = source.ScanLine(ty - y);
        uint8_t* dst = FOwner.ScanLine(ty) + xs.From * 3;
        if (source.PixelFormat() == TPixelFormat::pf24bit) {
            std::memcpy(dst, src + (xs.From - x) * 3, static_cast<size_t>(xs.To - xs.From) * 3);
            continue;
        }
        for (int32_t tx = xs.From; tx < xs.To; ++tx, dst += 3)
            SourcePixel(source, src, tx - x, dst);
    }
}

void TCanvas::StretchDraw(const TRect& rect, const TBitmap& source)
{
    const int64_t w = rect.Right - rect.Left;
    const int64_t h = rect.Bottom - rect.Top;
    if (source.Empty() || w <= 0 || h <= 0 || &source == &FOwner)
        return;
    FOwner.SetPixelFormat(TPixelFormat::pf24bit);
    const TSpan xs = Clip(rect.Left, rect.Right, FOwner.Width());
    const TSpan ys = Clip(rect.Top, rect.Bottom, FOwner.Height());
    for (int32_t ty = ys.From; ty < ys.To; ++ty) {
        const auto sy = static_cast<int32_t>((ty - rect.Top) * int64_t(source.Height()) / h);
        const uint8_t* src = source.ScanLine(sy);
        uint8_t* dst = FOwner.ScanLine(ty);
        for (int32_t tx = xs.From; tx < xs.To; ++tx) {
            const auto sx = static_cast<int32_t>((tx - rect.Left) * int64_t(source.Width()) / w);
            SourcePixel(source, src, sx, dst + tx * 3);
        }
    }
}
