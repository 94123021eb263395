#include "DecoderFuzz.h"

#include "FuzzScratch.h"

#include <string>

namespace {

// Every byte of a decoded picture is read, so a bitmap smaller than it says
// shows up under the sanitizers.
void ReadEveryByte(const TBitmap& bitmap)
{
    static volatile uint8_t sink;
    if (bitmap.Empty())
        FuzzFail("a decoded picture without pixels");
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        for (int32_t i = 0; i < bitmap.Width() * bitmap.BytesPerPixel(); ++i)
            sink = sink ^ bitmap.ScanLine(y)[i];
}

}  // namespace

int FuzzDecoder(const TPictureDecoder& decoder, const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    TDecodeRequest request;
    request.MaxSize = 50 + (data[0] >> 1) * 4;  // 50 .. 558
    request.Background = (data[0] & 1) ? 0xFFFFFF : 16053492;
    const std::span<const uint8_t> file(data + 1, size - 1);
    decoder.Holds(file);
    try {
        const TDecodedPicture picture = decoder.Decode(file, request);
        if (!picture.Bitmap)
            FuzzFail(std::string(decoder.Name) + " decoder returned no bitmap");
        ReadEveryByte(*picture.Bitmap);
        if (picture.Orientation < 1 || picture.Orientation > 8)
            FuzzFail("orientation " + std::to_string(picture.Orientation));
    } catch (const Exception&) {
    }
    return 0;
}
