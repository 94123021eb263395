#include "ThumbnailRecipe.h"

#include "DecodeBudget.h"
#include "ExifOrientation.h"
#include "JPEGImage.h"
#include "BitmapTools.h"
#include "PictureFile.h"
#include "decoders/PictureDecoder.h"

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

void LoadScaled(TJPEGImage& image, std::vector<uint8_t> bytes, int32_t maxSize)
{
    image.LoadFromBytes(std::move(bytes));
    image.SetScale(ChooseJpegScale(image, maxSize));
}

// A picture of any kind but JPEG, decoded and turned upright into bitmap.
TDecodedPicture DecodeUpright(const TPictureDecoder& decoder, std::vector<uint8_t> bytes,
                              const TThumbnailSettings& settings, TBitmap& bitmap)
{
    if (bytes.empty())
        throw EPictureError(decoder.Name, "the file is empty");
    TDecodedPicture picture = decoder.Decode(bytes, {settings.MaxSize, settings.BackColor});
    bytes = {};
    bitmap.Assign(*picture.Bitmap);
    picture.Bitmap.reset();
    ApplyExifOrientation(bitmap, picture.Orientation);
    return picture;
}

}  // namespace

void RenderThumbnailJpeg(const std::string& fileName, const TThumbnailSettings& settings,
                         TBitmap& workBitmap, TMemoryStream& workStream)
{
    workStream.SetSize(0);
    workStream.SetPosition(0);
    std::vector<uint8_t> bytes = ReadPictureFile(fileName);
    TJPEGImage image;
    if (const TPictureDecoder* decoder = DecoderFor(bytes, fileName)) {
        const TDecodedPicture picture = DecodeUpright(*decoder, std::move(bytes), settings, workBitmap);
        ShapeThumbnail(workBitmap, settings);
        image.IccProfile = picture.IccProfile;
        image.Assign(workBitmap);
        image.SaveToStream(workStream);
        workStream.SetPosition(0);
        return;
    }
    LoadScaled(image, std::move(bytes), settings.MaxSize);
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
    std::vector<uint8_t> bytes = ReadPictureFile(fileName);
    if (const TPictureDecoder* decoder = DecoderFor(bytes, fileName)) {
        auto bitmap = std::make_unique<TBitmap>();
        const TDecodedPicture picture = DecodeUpright(*decoder, std::move(bytes), settings, *bitmap);
        bitmap->SetPixelFormat(TPixelFormat::pf24bit);
        slot = std::move(bitmap);
        ShapeThumbnail(*slot, settings);
        return;
    }
    TJPEGImage image;
    LoadScaled(image, std::move(bytes), settings.MaxSize);
    const TDecodeRoom room(SharedDecodeBudget(), RenderMemoryEstimate(image));
    slot = BitmapFromJpeg(image, true);
    ApplyExifOrientation(*slot, image.ExifOrientation());
    ShapeThumbnail(*slot, settings);
}
