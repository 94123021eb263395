#include "ThumbnailRecipe.h"

#include "DecodeBudget.h"
#include "ExifOrientation.h"
#include "JPEGImage.h"
#include "BitmapTools.h"

TJPEGScale ChooseJpegScale(const TJPEGImage& image, int32_t maxSize)
{
    const double ratio = static_cast<double>(image.Width()) / maxSize;
    if (ratio > 8)
        return TJPEGScale::jsEighth;
    if (ratio > 4)
        return TJPEGScale::jsQuarter;
    if (ratio > 2)
        return TJPEGScale::jsHalf;
    return TJPEGScale::jsFullSize;
}

std::unique_ptr<TBitmap> BitmapFromJpeg(TJPEGImage& image, bool copyPixels)
{
    auto bitmap = NewBitmapSized(image.Width(), image.Height(), clNone);
    if (copyPixels)
        bitmap->Canvas().Draw(0, 0, image.Bitmap());
    return bitmap;
}

void ShapeThumbnail(TBitmap& bitmap, const TThumbnailSettings& settings)
{
    if (!settings.Framed)
        ResizeBitmapToRect(bitmap, FitRect(bitmap, fitLongerSide, settings.MaxSize), rfLanczos3);
    else if (!settings.Square)
        FrameThumbnail(bitmap, settings.BackColor, settings.BorderColor, settings.MaxSize, settings.FrameWidth);
    else
        SquareThumbnail(bitmap, settings.BackColor, settings.BorderColor, settings.MaxSize, settings.FrameWidth);
}

namespace {

void LoadScaled(TJPEGImage& image, const std::string& fileName, int32_t maxSize)
{
    image.LoadFromFile(fileName);
    image.SetScale(ChooseJpegScale(image, maxSize));
}

}  // namespace

void RenderThumbnailJpeg(const std::string& fileName, const TThumbnailSettings& settings,
                         TBitmap& workBitmap, TMemoryStream& workStream)
{
    workStream.SetSize(0);
    workStream.SetPosition(0);
    TJPEGImage image;
    LoadScaled(image, fileName, settings.MaxSize);
    const TDecodeRoom room(SharedDecodeBudget(), RenderMemoryEstimate(image));
    workBitmap.Assign(image.Bitmap());
    ApplyExifOrientation(workBitmap, image.ExifOrientation());
    ShapeThumbnail(workBitmap, settings);
    image.Assign(workBitmap);
    image.SaveToStream(workStream);
    workStream.SetPosition(0);
}

void RenderPreviewBitmap(const std::string& fileName, const TThumbnailSettings& settings,
                         std::unique_ptr<TBitmap>& slot)
{
    TJPEGImage image;
    LoadScaled(image, fileName, settings.MaxSize);
    const TDecodeRoom room(SharedDecodeBudget(), RenderMemoryEstimate(image));
    slot = BitmapFromJpeg(image, true);
    ApplyExifOrientation(*slot, image.ExifOrientation());
    ShapeThumbnail(*slot, settings);
}
