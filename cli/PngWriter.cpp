#include "PngWriter.h"

#include "Bitmap.h"
#include "Errors.h"
#include "PreviewOutput.h"

#include <zlib.h>

namespace {

void AppendBigEndian32(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// Length, type, data, then the CRC of type and data.
void AppendChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data)
{
    AppendBigEndian32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
    AppendBigEndian32(out, static_cast<uint32_t>(crc));
}

std::vector<uint8_t> HeaderChunkData(int width, int height)
{
    std::vector<uint8_t> data;
    AppendBigEndian32(data, static_cast<uint32_t>(width));
    AppendBigEndian32(data, static_cast<uint32_t>(height));
    data.push_back(8);  // bits per sample
    data.push_back(2);  // colour type: RGB
    data.push_back(0);  // deflate
    data.push_back(0);  // adaptive filtering (every row uses filter 0)
    data.push_back(0);  // not interlaced
    return data;
}

// Each row: filter byte 0, then red, green, blue per pixel.
std::vector<uint8_t> RawScanlines(const TBitmap& bitmap)
{
    const int width = bitmap.Width();
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(bitmap.Height()) * (1 + 3 * static_cast<size_t>(width)));
    for (int y = 0; y < bitmap.Height(); ++y) {
        raw.push_back(0);
        const uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            raw.push_back(row[3 * x + 2]);
            raw.push_back(row[3 * x + 1]);
            raw.push_back(row[3 * x]);
        }
    }
    return raw;
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& raw)
{
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(size);
    if (compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw Exception("PNG compression failed");
    packed.resize(size);
    return packed;
}

} // namespace

std::vector<uint8_t> EncodePng(TBitmap& bitmap)
{
    if (bitmap.Empty())
        throw Exception("Cannot write an empty picture as PNG");
    if (bitmap.PixelFormat() != TPixelFormat::pf24bit)
        bitmap.SetPixelFormat(TPixelFormat::pf24bit);

    static const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> png(signature, signature + sizeof signature);
    AppendChunk(png, "IHDR", HeaderChunkData(bitmap.Width(), bitmap.Height()));
    AppendChunk(png, "IDAT", Compress(RawScanlines(bitmap)));
    AppendChunk(png, "IEND", {});
    return png;
}

void WritePng(const std::string& path, TBitmap& bitmap)
{
    ReplaceFileWith(path, EncodePng(bitmap));
}
