#include "Bitmap.h"

#include "Errors.h"

#include <algorithm>
#include <cstring>

namespace {

// Rows padded to four bytes, as device-independent bitmaps are.
std::ptrdiff_t StrideFor(int32_t width, TPixelFormat format)
{
    const std::ptrdiff_t bytes = static_cast<std::ptrdiff_t>(width) * (format == TPixelFormat::pf24bit ? 3 : 1);
    return (bytes + 3) & ~std::ptrdiff_t(3);
}

}  // namespace

TBitmap::TBitmap() : FCanvas(*this) {}

void TBitmap::Reallocate(int32_t width, int32_t height, TPixelFormat format, bool keepPixels)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const std::ptrdiff_t stride = StrideFor(width, format);
    const size_t total = static_cast<size_t>(stride) * static_cast<size_t>(height);
    std::unique_ptr<uint8_t[]> pixels(total ? new uint8_t[total] : nullptr);
    if (keepPixels && format == FPixelFormat) {
        const int32_t rows = std::min(height, FHeight);
        const size_t bytes = static_cast<size_t>(std::min(stride, FStride));
        for (int32_t y = 0; y < rows; ++y)
            std::memcpy(pixels.get() + y * stride, FPixels.get() + y * FStride, bytes);
    }
    FPixels = std::move(pixels);
    FPixelBytes = total;
    FWidth = width;
    FHeight = height;
    FStride = stride;
    FPixelFormat = format;
}

void TBitmap::SetWidth(int32_t width)
{
    if (width != FWidth)
        Reallocate(width, FHeight, FPixelFormat, true);
}

void TBitmap::SetHeight(int32_t height)
{
    if (height != FHeight)
        Reallocate(FWidth, height, FPixelFormat, true);
}

void TBitmap::SetSize(int32_t width, int32_t height)
{
    if (width != FWidth || height != FHeight)
        Reallocate(width, height, FPixelFormat, true);
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == FPixelFormat)
        return;
    if (format == TPixelFormat::pf8bit) {
        Reallocate(FWidth, FHeight, format, false);
        return;
    }
    // 8 -> 24: every index becomes its palette colour; a missing entry is black.
    const std::ptrdiff_t stride = StrideFor(FWidth, format);
    const size_t total = static_cast<size_t>(stride) * static_cast<size_t>(FHeight);
    std::unique_ptr<uint8_t[]> pixels(total ? new uint8_t[total] : nullptr);
    const size_t paletteSize = FPalette.size();
    for (int32_t y = 0; y < FHeight; ++y) {
        const uint8_t* src = FPixels.get() + y * FStride;
        uint8_t* dst = pixels.get() + y * stride;
        for (int32_t x = 0; x < FWidth; ++x, dst += 3) {
            const uint8_t index = src[x];
            const TPaletteEntry entry = index < paletteSize ? FPalette[index] : TPaletteEntry{};
            dst[0] = entry.Blue;
            dst[1] = entry.Green;
            dst[2] = entry.Red;
        }
    }
    FPixels = std::move(pixels);
    FPixelBytes = total;
    FStride = stride;
    FPixelFormat = format;
}

uint8_t* TBitmap::ScanLine(int32_t row)
{
    if (row < 0 || row >= FHeight)
        throw Exception("Scan line index out of range");
    return FPixels.get() + row * FStride;
}

const uint8_t* TBitmap::ScanLine(int32_t row) const
{
    if (row < 0 || row >= FHeight)
        throw Exception("Scan line index out of range");
    return FPixels.get() + row * FStride;
}

void TBitmap::Assign(const TBitmap& other)
{
    if (&other == this)
        return;
    std::unique_ptr<uint8_t[]> pixels(other.FPixelBytes ? new uint8_t[other.FPixelBytes] : nullptr);
    if (other.FPixelBytes)
        std::memcpy(pixels.get(), other.FPixels.get(), other.FPixelBytes);
    FPixels = std::move(pixels);
    FPixelBytes = other.FPixelBytes;
    FPalette = other.FPalette;
    FWidth = other.FWidth;
    FHeight = other.FHeight;
    FStride = other.FStride;
    FPixelFormat = other.FPixelFormat;
}

void TBitmap::ReleasePixels()
{
    FPixels.reset();
    FPixelBytes = 0;
    FWidth = 0;
    FHeight = 0;
    FStride = StrideFor(0, FPixelFormat);
}
