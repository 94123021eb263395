#pragma once
// Shared helpers of the recipe suites: running both entry points, reading the
// encoded result back, and comparing pixels.

#include "Bitmap.h"
#include "JPEGImage.h"
#include "JpegFixtures.h"
#include "MemoryStream.h"
#include "ThumbnailRecipe.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>

struct TBatchResult {
    std::unique_ptr<TBitmap> Bitmap = std::make_unique<TBitmap>();
    TMemoryStream Stream;
};

inline std::unique_ptr<TBatchResult> Batch(const std::string& path, const TThumbnailSettings& s = {})
{
    auto r = std::make_unique<TBatchResult>();
    RenderThumbnailJpeg(path, s, *r->Bitmap, r->Stream);
    return r;
}

inline std::unique_ptr<TBitmap> Preview(const std::string& path, const TThumbnailSettings& s = {})
{
    std::unique_ptr<TBitmap> slot;
    RenderPreviewBitmap(path, s, slot);
    return slot;
}

// What an independent reader sees in the header of encoded bytes.
struct TEncodedHeader {
    int Width = 0, Height = 0, Components = 0;
    bool Progressive = false;
};

inline TEncodedHeader ReadEncodedHeader(const std::vector<uint8_t>& bytes)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);  // a broken file ends the test run loudly
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    TEncodedHeader h{int(info.image_width), int(info.image_height), info.num_components,
                     bool(jpeg_has_multiple_scans(&info))};
    jpeg_destroy_decompress(&info);
    return h;
}

inline std::unique_ptr<TBitmap> DecodeBytes(const std::vector<uint8_t>& bytes)
{
    TJPEGImage image;
    image.LoadFromBytes(bytes);
    auto b = std::make_unique<TBitmap>();
    b->Assign(image.Bitmap());
    b->SetPixelFormat(TPixelFormat::pf24bit);
    return b;
}

inline bool SamePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(a.Width()) * a.BytesPerPixel()) != 0)
            return false;
    return true;
}

// Mean absolute channel difference of two 24-bit bitmaps of one size.
inline double MeanDifference(const TBitmap& a, const TBitmap& b)
{
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int i = 0; i < a.Width() * 3; ++i)
            sum += std::abs(int(a.ScanLine(y)[i]) - int(b.ScanLine(y)[i]));
    return sum / (double(a.Width()) * a.Height() * 3);
}

inline TColor PixelAt(const TBitmap& b, int x, int y)
{
    const uint8_t* p = b.ScanLine(y) + x * 3;
    return RGBColor(p[2], p[1], p[0]);
}
