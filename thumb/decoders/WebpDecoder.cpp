#include "PictureDecoder.h"

#include "ExifOrientation.h"
#include "IccProfile.h"
#include "PixelRows.h"
#include "RowShrinker.h"

#include <algorithm>
#include <cstring>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

constexpr const char* KindName = "WebP";

std::string StatusText(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported feature";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "the file is cut short";
    case VP8_STATUS_BITSTREAM_ERROR: return "the picture data is damaged";
    default: return "not a WebP file";
    }
}

struct TDemuxer {
    WebPDemuxer* Handle = nullptr;
    explicit TDemuxer(std::span<const uint8_t> file)
    {
        const WebPData data{file.data(), file.size()};
        Handle = WebPDemux(&data);
    }
    ~TDemuxer() { WebPDemuxDelete(Handle); }
    TDemuxer(const TDemuxer&) = delete;
    TDemuxer& operator=(const TDemuxer&) = delete;
};

struct TAnimationDecoder {
    WebPAnimDecoder* Handle = nullptr;
    ~TAnimationDecoder() { WebPAnimDecoderDelete(Handle); }
};

struct TOutputBuffer {
    WebPDecoderConfig Config;
    ~TOutputBuffer() { WebPFreeDecBuffer(&Config.output); }
};

// The profile and orientation the file's chunks carry.
void ReadChunks(std::span<const uint8_t> file, TDecodedPicture& picture)
{
    const TDemuxer demuxer(file);
    if (!demuxer.Handle)
        return;
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demuxer.Handle, "ICCP", 1, &chunk)) {
        if (IsWholeRgbProfile(chunk.chunk.bytes, chunk.chunk.size))
            picture.IccProfile.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    if (WebPDemuxGetChunk(demuxer.Handle, "EXIF", 1, &chunk)) {
        picture.Orientation = ExifOrientationOfTiff(chunk.chunk.bytes, chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
}

// Rows of premultiplied red-green-blue-alpha laid on the background, shrunk by factor.
std::unique_ptr<TBitmap> FromPremultiplied(const uint8_t* rgba, int stride, int width, int height, int factor,
                                           TColor background)
{
    TRowShrinker shrinker(width, height, 3, factor);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        PremultipliedRgbaOnBackground(rgba + size_t(y) * stride, width, background, row.data());
        shrinker.AddRow(row.data());
    }
    return shrinker.TakeBitmap();
}

std::unique_ptr<TBitmap> DecodeFirstFrame(std::span<const uint8_t> file, const WebPBitstreamFeatures& features,
                                          const TDecodeRequest& request)
{
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_rgbA;
    options.use_threads = 0;
    const WebPData data{file.data(), file.size()};
    TAnimationDecoder decoder;
    decoder.Handle = WebPAnimDecoderNew(&data, &options);
    uint8_t* frame = nullptr;
    int timestamp = 0;
    if (!decoder.Handle || !WebPAnimDecoderGetNext(decoder.Handle, &frame, &timestamp))
        throw EPictureError(KindName, "the animation's first frame is damaged");
    const int factor = ShrinkFactor(features.width, features.height, request.MaxSize);
    return FromPremultiplied(frame, features.width * 4, features.width, features.height, factor,
                             request.Background);
}

// Scaled by the decoder itself to twice the thumbnail size.
void ChooseScale(const WebPBitstreamFeatures& features, int32_t maxSize, WebPDecoderOptions& options)
{
    const int64_t longer = std::max(features.width, features.height), target = int64_t{2} * maxSize;
    if (longer <= target)
        return;
    options.use_scaling = 1;
    options.scaled_width = int(std::max<int64_t>(1, (features.width * target + longer / 2) / longer));
    options.scaled_height = int(std::max<int64_t>(1, (features.height * target + longer / 2) / longer));
}

std::unique_ptr<TBitmap> DecodeStill(std::span<const uint8_t> file, const WebPBitstreamFeatures& features,
                                     const TDecodeRequest& request)
{
    TOutputBuffer buffer;
    if (!WebPInitDecoderConfig(&buffer.Config))
        throw EPictureError(KindName, "the decoder cannot start");
    WebPDecoderConfig& config = buffer.Config;
    ChooseScale(features, request.MaxSize, config.options);
    const int width = config.options.use_scaling ? config.options.scaled_width : features.width;
    const int height = config.options.use_scaling ? config.options.scaled_height : features.height;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    if (!features.has_alpha) {
        // Straight into the bitmap's rows.
        config.output.colorspace = MODE_BGR;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = bitmap->ScanLine(0);
        config.output.u.RGBA.stride = int(bitmap->RowStride());
        config.output.u.RGBA.size = size_t(bitmap->RowStride()) * size_t(height);
    } else {
        config.output.colorspace = MODE_rgbA;
    }
    const VP8StatusCode status = WebPDecode(file.data(), file.size(), &config);
    if (status != VP8_STATUS_OK)
        throw EPictureError(KindName, StatusText(status));
    if (!features.has_alpha)
        return bitmap;
    return FromPremultiplied(config.output.u.RGBA.rgba, config.output.u.RGBA.stride, width, height, 1,
                             request.Background);
}

// What the decoder holds besides its output: lossless and animated pictures
// are decoded whole at four bytes a pixel, lossy ones a few rows at a time.
int64_t DecoderBytes(const WebPBitstreamFeatures& features)
{
    const int64_t pixels = int64_t{features.width} * features.height;
    if (features.has_animation)
        return 3 * 4 * pixels;
    if (features.format == 2)
        return 4 * pixels;
    return int64_t{features.width} * 64 + (features.has_alpha ? pixels : 0);
}

bool HoldsWebp(std::span<const uint8_t> file)
{
    return file.size() >= 12 && std::memcmp(file.data(), "RIFF", 4) == 0 &&
           std::memcmp(file.data() + 8, "WEBP", 4) == 0;
}

TDecodedPicture DecodeWebp(std::span<const uint8_t> file, const TDecodeRequest& request)
{
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(file.data(), file.size(), &features);
    if (status != VP8_STATUS_OK)
        throw EPictureError(KindName, StatusText(status));
    if (features.width <= 0 || features.height <= 0)
        throw EPictureError(KindName, "the picture has no pixels");
    TDecodedPicture picture;
    const int factor = ShrinkFactor(features.width, features.height, request.MaxSize);
    const int64_t outWidth = ShrunkSide(features.width, factor), outHeight = ShrunkSide(features.height, factor);
    const int64_t output = ShapingBytes(outWidth, outHeight) + 4 * outWidth * outHeight;
    ReserveDecodeMemory(picture, KindName, features.width, features.height,
                        int64_t(file.size()) + DecoderBytes(features) + output);
    ReadChunks(file, picture);
    picture.Bitmap = features.has_animation ? DecodeFirstFrame(file, features, request)
                                            : DecodeStill(file, features, request);
    return picture;
}

}  // namespace

const TPictureDecoder WebpDecoder{TPictureKind::pkWebp, KindName, HoldsWebp, DecodeWebp};
