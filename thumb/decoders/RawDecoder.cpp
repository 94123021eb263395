#include "PictureDecoder.h"

#include "JPEGImage.h"
#include "JpegErrors.h"
#include "PixelRows.h"
#include "RawSignature.h"
#include "RenderStop.h"
#include "RowShrinker.h"
#include "ThumbnailRecipe.h"

#include <algorithm>

#include <libraw/libraw.h>

namespace {

constexpr const char* KindName = "RAW";

std::string ReasonOf(int code)
{
    // libraw's own words for these say little to someone holding a photo.
    if (code == LIBRAW_FILE_UNSUPPORTED)
        return "not a kind of RAW file libraw can read";
    if (code == LIBRAW_IO_ERROR)
        return "the file is cut short or cannot be read";
    std::string text = libraw_strerror(code);
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z')
        text[0] = char(text[0] - 'A' + 'a');
    return text;
}

void Check(int code)
{
    if (code == LIBRAW_CANCELLED_BY_CALLBACK)
        ThrowIfGivenUp();
    if (code != LIBRAW_SUCCESS)
        throw EPictureError(KindName, ReasonOf(code));
}

// libraw's own turn codes as Exif orientations.
int OrientationOfFlip(int flip)
{
    switch (flip) {
    case 1: return 2;
    case 2: return 4;
    case 3: return 3;
    case 4: return 5;
    case 5: return 8;
    case 6: return 6;
    case 7: return 7;
    default: return 1;
    }
}

// libraw carries on past sensor data that ends early or does not decode;
// such a picture fails instead of showing whatever was left in the buffer.
struct TDataErrors {
    bool Seen = false;
};

void IgnoreMemoryError(void*, const char*, const char*) {}
void NoteDataError(void* errors, const char*, const int)
{
    static_cast<TDataErrors*>(errors)->Seen = true;
}

// libraw asks between the steps of its work; a stop given up cancels it.
int AnswerStop(void*, LibRaw_progress, int, int)
{
    const TRenderStop* stop = ScopeStop();
    return stop && stop->GivesUp() ? 1 : 0;
}

struct TProcessedImage {
    libraw_processed_image_t* Handle = nullptr;
    ~TProcessedImage() { LibRaw::dcraw_clear_mem(Handle); }
};

std::unique_ptr<LibRaw> OpenRaw(std::span<const uint8_t> file, TDataErrors& errors)
{
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    raw->set_memerror_handler(IgnoreMemoryError, nullptr);
    raw->set_dataerror_handler(NoteDataError, &errors);
    raw->set_progress_handler(AnswerStop, nullptr);
    raw->imgdata.params.max_raw_memory_mb = unsigned(SharedDecodeBudget().Total() >> 20);
    // libraw only reads the buffer, whatever its prototype says.
    Check(raw->open_buffer(const_cast<uint8_t*>(file.data()), file.size()));
    return raw;
}

// The embedded JPEG preview, loaded, when it is a JPEG at least as large as the thumbnail.
bool LoadPreview(LibRaw& raw, int32_t maxSize, TJPEGImage& preview)
{
    if (raw.unpack_thumb() != LIBRAW_SUCCESS || raw.imgdata.thumbnail.tformat != LIBRAW_THUMBNAIL_JPEG ||
        !raw.imgdata.thumbnail.thumb || raw.imgdata.thumbnail.tlength == 0)
        return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(raw.imgdata.thumbnail.thumb);
    try {
        preview.LoadFromBytes({bytes, bytes + raw.imgdata.thumbnail.tlength});
    } catch (const EJPEG&) {
        return false;  // a damaged preview: the sensor data may still be whole
    }
    return std::max(preview.Width(), preview.Height()) >= maxSize;
}

TDecodedPicture FromPreview(std::span<const uint8_t> file, TJPEGImage& preview, const TDecodeRequest& request)
{
    TDecodedPicture picture;
    preview.SetScale(ChooseJpegScale(preview, request.MaxSize));
    ReserveDecodeMemory(picture, KindName, preview.Data()->Width, preview.Data()->Height,
                        int64_t(file.size()) + RenderMemoryEstimate(preview));
    picture.Bitmap = std::make_unique<TBitmap>();
    picture.Bitmap->Assign(preview.Bitmap());
    picture.IccProfile = preview.IccProfile;
    return picture;
}

// Half-size decoding merges each 2 x 2 block of sensor cells into one pixel.
TDecodedPicture FromSensorData(std::span<const uint8_t> file, LibRaw& raw, const TDataErrors& errors,
                               const TDecodeRequest& request)
{
    const libraw_image_sizes_t& sizes = raw.imgdata.sizes;
    const int64_t width = sizes.width / 2, height = sizes.height / 2;
    if (width <= 0 || height <= 0)
        throw EPictureError(KindName, "the picture has no pixels");
    TDecodedPicture picture;
    const int factor = ShrinkFactor(width, height, request.MaxSize);
    const int64_t sensor = int64_t{sizes.raw_width} * sizes.raw_height * 2;
    ReserveDecodeMemory(picture, KindName, sizes.width, sizes.height,
                        int64_t(file.size()) + sensor + width * height * (8 + 3) +
                            ShapingBytes(ShrunkSide(width, factor), ShrunkSide(height, factor)));
    raw.imgdata.params.half_size = 1;
    raw.imgdata.params.use_camera_wb = 1;
    raw.imgdata.params.output_bps = 8;
    raw.imgdata.params.user_flip = 0;  // turned later, when it is small
    Check(raw.unpack());
    Check(raw.dcraw_process());
    int code = LIBRAW_SUCCESS;
    TProcessedImage image;
    image.Handle = raw.dcraw_make_mem_image(&code);
    Check(code);
    if (errors.Seen)
        throw EPictureError(KindName, "the sensor data is cut short or damaged");
    if (!image.Handle || image.Handle->type != LIBRAW_IMAGE_BITMAP || image.Handle->bits != 8 ||
        (image.Handle->colors != 3 && image.Handle->colors != 1))
        throw EPictureError(KindName, "the sensor data gave no picture");
    const libraw_processed_image_t& out = *image.Handle;
    const int channels = out.colors;
    TRowShrinker shrinker(out.width, out.height, channels, ShrinkFactor(out.width, out.height, request.MaxSize));
    std::vector<uint8_t> row(static_cast<size_t>(out.width) * 3);
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* in = out.data + size_t(y) * out.width * channels;
        if (channels == 3)
            RgbToBgr(in, out.width, row.data());
        shrinker.AddRow(channels == 3 ? row.data() : in);
    }
    picture.Bitmap = shrinker.TakeBitmap();
    return picture;
}

bool HoldsRaw(std::span<const uint8_t> file)
{
    return LooksLikeCameraRaw(file);
}

TDecodedPicture DecodeRaw(std::span<const uint8_t> file, const TDecodeRequest& request)
{
    TDataErrors errors;
    const std::unique_ptr<LibRaw> raw = OpenRaw(file, errors);
    const int orientation = OrientationOfFlip(raw->imgdata.sizes.flip);
    TJPEGImage preview;
    preview.Stop = ScopeStop();
    TDecodedPicture picture = LoadPreview(*raw, request.MaxSize, preview) ? FromPreview(file, preview, request)
                                                                          : FromSensorData(file, *raw, errors, request);
    picture.Orientation = orientation;
    return picture;
}

}  // namespace

const TPictureDecoder RawDecoder{TPictureKind::pkRaw, KindName, HoldsRaw, DecodeRaw};
