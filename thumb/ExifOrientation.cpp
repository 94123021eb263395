#include "ExifOrientation.h"

#include <cstring>
#include <memory>

namespace {

constexpr uint16_t OrientationTag = 0x0112;
constexpr uint16_t ShortType = 3;
constexpr size_t TiffStart = 6;  // after "Exif\0\0"

class TTiffReader {
public:
    TTiffReader(const uint8_t* tiff, size_t size, bool bigEndian)
        : FTiff(tiff), FSize(size), FBig(bigEndian) {}

    bool U16(size_t at, uint16_t& v) const
    {
        if (at > FSize || FSize - at < 2)
            return false;
        const uint8_t* p = FTiff + at;
        v = FBig ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
        return true;
    }

    bool U32(size_t at, uint32_t& v) const
    {
        uint16_t a = 0, b = 0;
        if (!U16(at, a) || !U16(at + 2, b))
            return false;
        v = FBig ? uint32_t(a) << 16 | b : uint32_t(b) << 16 | a;
        return true;
    }

private:
    const uint8_t* FTiff;
    size_t FSize;
    bool FBig;
};

int OrientationInTiff(const uint8_t* tiff, size_t tiffSize) noexcept;

// Where output pixel (x, y) of the upright picture comes from in the stored one.
void SourceOf(int orientation, int32_t w, int32_t h, int32_t x, int32_t y, int32_t& sx, int32_t& sy)
{
    switch (orientation) {
    case 2: sx = w - 1 - x; sy = y; break;
    case 3: sx = w - 1 - x; sy = h - 1 - y; break;
    case 4: sx = x; sy = h - 1 - y; break;
    case 5: sx = y; sy = x; break;
    case 6: sx = y; sy = h - 1 - x; break;
    case 7: sx = w - 1 - y; sy = h - 1 - x; break;
    case 8: sx = w - 1 - y; sy = x; break;
    default: sx = x; sy = y; break;
    }
}

}  // namespace

int ExifOrientationOf(const uint8_t* payload, size_t size) noexcept
{
    if (!payload || size < TiffStart + 8 || std::memcmp(payload, "Exif\0\0", 6) != 0)
        return 1;
    return OrientationInTiff(payload + TiffStart, size - TiffStart);
}

int ExifOrientationOfTiff(const uint8_t* tiff, size_t tiffSize) noexcept
{
    // Some writers keep the prefix of a JPEG segment here too.
    if (tiff && tiffSize >= TiffStart && std::memcmp(tiff, "Exif\0\0", TiffStart) == 0)
        return ExifOrientationOf(tiff, tiffSize);
    return OrientationInTiff(tiff, tiffSize);
}

namespace {

int OrientationInTiff(const uint8_t* tiff, size_t tiffSize) noexcept
{
    if (!tiff || tiffSize < 8)
        return 1;
    bool big;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else
        return 1;
    const TTiffReader r(tiff, tiffSize, big);
    uint16_t magic = 0, count = 0;
    uint32_t ifd = 0;
    if (!r.U16(2, magic) || magic != 42 || !r.U32(4, ifd) || !r.U16(ifd, count))
        return 1;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = size_t(ifd) + 2 + size_t(i) * 12;
        uint16_t tag = 0, type = 0, value = 0;
        uint32_t n = 0;
        if (!r.U16(entry, tag) || !r.U16(entry + 2, type) || !r.U32(entry + 4, n) ||
            !r.U16(entry + 8, value))
            return 1;
        if (tag != OrientationTag)
            continue;
        if (type != ShortType || n < 1 || value < 1 || value > 8)
            return 1;
        return value;
    }
    return 1;
}

}  // namespace

void ApplyExifOrientation(TBitmap& bitmap, int orientation)
{
    if (orientation < 2 || orientation > 8 || bitmap.Empty())
        return;
    const int32_t w = bitmap.Width(), h = bitmap.Height();
    const bool turned = orientation >= 5;
    const int bpp = bitmap.BytesPerPixel();
    auto upright = std::make_unique<TBitmap>();
    upright->SetPixelFormat(bitmap.PixelFormat());
    upright->SetSize(turned ? h : w, turned ? w : h);
    upright->SetPalette(bitmap.Palette());
    for (int32_t y = 0; y < upright->Height(); ++y) {
        uint8_t* out = upright->ScanLine(y);
        for (int32_t x = 0; x < upright->Width(); ++x, out += bpp) {
            int32_t sx = 0, sy = 0;
            SourceOf(orientation, w, h, x, y, sx, sy);
            std::memcpy(out, bitmap.ScanLine(sy) + size_t(sx) * bpp, size_t(bpp));
        }
    }
    bitmap.Assign(*upright);
}
