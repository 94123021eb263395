#include "ThumbnailRecipe.h"

#include "DecodeBudget.h"
#include "ExifOrientation.h"
#include "JPEGImage.h"
#include "BitmapTools.h"
#include "FullPath.h"
#include "PictureFile.h"
#include "RenderStop.h"
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

// Enough of a file to tell its kind; a JPEG is then read in pieces by libjpeg.
constexpr size_t KindProbeBytes = 64 * 1024;

std::shared_ptr<TPictureFile> OpenPicture(const std::string& fileName, const TRenderStop* stop)
{
    auto file = std::make_shared<TPictureFile>(ExpandFileName(fileName));
    file->Stop = stop;
    return file;
}

// The decoder for what the file holds; nullptr for the JPEG path.
const TPictureDecoder* DecoderOf(TPictureFile& file, const std::string& fileName)
{
    const std::vector<uint8_t> probe = file.ReadPrefix(KindProbeBytes);
    return DecoderFor(probe, fileName);
}

void LoadScaled(TJPEGImage& image, std::shared_ptr<TPictureFile> file, int32_t maxSize)
{
    image.LoadFromPictureFile(std::move(file));
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

// The whole file for a decoder that needs it, its bytes counted in the budget
// before they are read; room stays taken until the thumbnail is made. The
// decoder's own reservation counts those bytes again and adds the rest. When
// the rest must wait, the bytes are let go and read again once room for all
// of it is free, so memory held is always memory counted.
TDecodedPicture DecodeWhole(TPictureFile& file, const std::string& fileName, const TPictureDecoder* decoder,
                            const TThumbnailSettings& settings, const TRenderStop* stop,
                            std::unique_ptr<TDecodeRoom>& room, TBitmap& bitmap)
{
    TDecodeBudget& budget = SharedDecodeBudget();
    int64_t rest = 0;
    for (int attempt = 1;; ++attempt) {
        room.reset();
        if (file.Size() > budget.Total())
            throw EPictureError(decoder->Name, "the file holds " + std::to_string(file.Size() >> 20) +
                                                   " MB, more than one picture may take");
        room = std::make_unique<TDecodeRoom>(budget, file.Size() + rest, stop);
        std::vector<uint8_t> bytes = file.ReadAll(budget.Total());
        if (const TPictureDecoder* exact = DecoderFor(bytes, fileName))
            decoder = exact;  // a kind that looks deeper than the probe (RAW in a TIFF)
        try {
            const TDecodeScope scope(static_cast<int64_t>(bytes.size()), rest, stop);
            return DecodeUpright(*decoder, std::move(bytes), settings, bitmap);
        } catch (const EDecodeRoomWanted& wanted) {
            if (attempt == 3)
                throw EPictureError(decoder->Name, "the file changed while it was read");
            rest = wanted.Bytes;
        }
    }
}

}  // namespace

void RenderThumbnailJpeg(const std::string& fileName, const TThumbnailSettings& settings,
                         TBitmap& workBitmap, TMemoryStream& workStream, const TRenderStop* stop)
{
    workStream.SetSize(0);
    workStream.SetPosition(0);
    const std::shared_ptr<TPictureFile> file = OpenPicture(fileName, stop);
    TJPEGImage image;
    image.Stop = stop;
    if (const TPictureDecoder* decoder = DecoderOf(*file, fileName)) {
        std::unique_ptr<TDecodeRoom> room;
        const TDecodedPicture picture = DecodeWhole(*file, fileName, decoder, settings, stop, room, workBitmap);
        ShapeThumbnail(workBitmap, settings);
        image.IccProfile = picture.IccProfile;
        image.Assign(workBitmap);
        image.SaveToStream(workStream);
        workStream.SetPosition(0);
        return;
    }
    LoadScaled(image, file, settings.MaxSize);
    const TDecodeRoom room(SharedDecodeBudget(), RenderMemoryEstimate(image), stop);
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
    const std::shared_ptr<TPictureFile> file = OpenPicture(fileName, nullptr);
    if (const TPictureDecoder* decoder = DecoderOf(*file, fileName)) {
        auto bitmap = std::make_unique<TBitmap>();
        std::unique_ptr<TDecodeRoom> room;
        const TDecodedPicture picture = DecodeWhole(*file, fileName, decoder, settings, nullptr, room, *bitmap);
        bitmap->SetPixelFormat(TPixelFormat::pf24bit);
        slot = std::move(bitmap);
        ShapeThumbnail(*slot, settings);
        return;
    }
    TJPEGImage image;
    LoadScaled(image, file, settings.MaxSize);
    const TDecodeRoom room(SharedDecodeBudget(), RenderMemoryEstimate(image));
    slot = BitmapFromJpeg(image, true);
    ApplyExifOrientation(*slot, image.ExifOrientation());
    ShapeThumbnail(*slot, settings);
}
