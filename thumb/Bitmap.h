#pragma once
// A raster picture with its own pixel buffer: 24-bit blue-green-red rows, or
// 8-bit palette-indexed rows until converted. Pixels are reached only through
// ScanLine; rows may be padded.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using TColor = int32_t;  // 0x00BBGGRR, -1 = no colour
constexpr TColor clNone = -1;

struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};

enum class TPixelFormat { pf8bit, pf24bit };

struct TPaletteEntry {
    uint8_t Red = 0, Green = 0, Blue = 0;
    bool operator==(const TPaletteEntry&) const = default;
};

class TBitmap;

struct TBrush {
    TColor Color = 0xFFFFFF;  // clNone: clear brush
};

struct TPen {
    TColor Color = 0;  // clNone: clear pen
    int32_t Width = 1;
};

// The drawing surface of one bitmap. Colours on an 8-bit bitmap are drawn
// after the bitmap has been converted to 24 bits.
class TCanvas {
public:
    explicit TCanvas(TBitmap& owner) : FOwner(owner) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TBrush Brush;
    TPen Pen;

    // Every pixel with Left <= x < Right and Top <= y < Bottom takes the brush colour.
    void FillRect(const TRect& rect);
    // The pen ring at columns left and right - 1, rows top and bottom - 1; the brush inside.
    void Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // Copies source one to one with its top-left pixel at (x, y), clipped to this bitmap.
    void Draw(int32_t x, int32_t y, const TBitmap& source);
    // Nearest-pixel stretch of source onto rect, clipped to this bitmap.
    void StretchDraw(const TRect& rect, const TBitmap& source);

private:
    TBitmap& FOwner;
};

class TBitmap {
public:
    TBitmap();
    TBitmap(const TBitmap&) = delete;             // use Assign: the canvas belongs to its bitmap
    TBitmap& operator=(const TBitmap&) = delete;

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    bool Empty() const { return FWidth <= 0 || FHeight <= 0; }

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // 8 -> 24 converts the pixels through the palette in place; 24 -> 8 keeps
    // the size and leaves the pixels undefined.
    void SetPixelFormat(TPixelFormat format);

    // Changing a side keeps the pixels that stay inside; new pixels are undefined.
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);
    void SetSize(int32_t width, int32_t height);

    uint8_t* ScanLine(int32_t row);
    const uint8_t* ScanLine(int32_t row) const;
    // Distance in bytes from one row to the next.
    std::ptrdiff_t RowStride() const { return FStride; }
    int BytesPerPixel() const { return FPixelFormat == TPixelFormat::pf24bit ? 3 : 1; }

    // The colours of 8-bit pixel values; unused for 24-bit pixels.
    const std::vector<TPaletteEntry>& Palette() const { return FPalette; }
    void SetPalette(std::vector<TPaletteEntry> palette) { FPalette = std::move(palette); }

    // Same size, same pixel format, same palette, same pixels.
    void Assign(const TBitmap& other);
    // Releases the pixels: the bitmap becomes empty, keeping its pixel format.
    void ReleasePixels();

    TCanvas& Canvas() { return FCanvas; }

private:
    void Reallocate(int32_t width, int32_t height, TPixelFormat format, bool keepPixels);

    int32_t FWidth = 0;
    int32_t FHeight = 0;
    TPixelFormat FPixelFormat = TPixelFormat::pf24bit;
    std::ptrdiff_t FStride = 0;
    std::unique_ptr<uint8_t[]> FPixels;  // left uninitialised: every caller paints what it makes
    size_t FPixelBytes = 0;
    std::vector<TPaletteEntry> FPalette;
    TCanvas FCanvas;
};

// Red, green and blue of a colour value.
inline uint8_t RedOf(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
inline uint8_t GreenOf(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
inline uint8_t BlueOf(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }
inline TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (b << 16); }
