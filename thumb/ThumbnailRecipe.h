#pragma once
// One JPEG file in, one thumbnail out: encoded into a stream for the archive,
// or as a bitmap for the preview. Both paths give the same pixels. Any number
// of threads may render at once, each with bitmaps and streams of its own; the
// pictures they decode together share one memory budget (DecodeBudget.h).

#include "Bitmap.h"
#include "MemoryStream.h"

#include <cstdint>
#include <memory>
#include <string>

class TJPEGImage;
class TRenderStop;
enum class TJPEGScale;

struct TThumbnailSettings {
    int32_t MaxSize = 200;
    bool Framed = false;
    int32_t FrameWidth = 10;
    bool Square = false;
    TColor BackColor = 16053492;
    TColor BorderColor = 10651742;
    bool operator==(const TThumbnailSettings&) const = default;
};

// Leaves exactly the thumbnail's JPEG bytes in workStream, position 0. Once
// the stop (if any) gives up, while the picture waits for memory, is read or
// decoded, it fails with EPictureGivenUp.
void RenderThumbnailJpeg(const std::string& fileName, const TThumbnailSettings& settings,
                         TBitmap& workBitmap, TMemoryStream& workStream, const TRenderStop* stop = nullptr);
// Puts a new bitmap into the (empty) slot before shaping it, so after a failure
// the caller holds whatever was made so far and releases it.
void RenderPreviewBitmap(const std::string& fileName, const TThumbnailSettings& settings,
                         std::unique_ptr<TBitmap>& slot);

// The display's bits per pixel; 8 or fewer makes every picture decode quantised.
void SetDisplayBitsPerPixel(int bitsPerPixel);
int DisplayBitsPerPixel();

// The DCT scale for a freshly loaded image: picture width against maxSize.
TJPEGScale ChooseJpegScale(const TJPEGImage& image, int32_t maxSize);
// A new 24-bit bitmap of the image's scaled size; with copyPixels the image is
// decoded and drawn into it.
std::unique_ptr<TBitmap> BitmapFromJpeg(TJPEGImage& image, bool copyPixels);
// The plain, framed or square shape the settings ask for, in place.
void ShapeThumbnail(TBitmap& bitmap, const TThumbnailSettings& settings);
