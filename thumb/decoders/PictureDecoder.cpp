#include "PictureDecoder.h"

#include <algorithm>
#include <array>

std::span<const TPictureDecoder* const> PictureDecoders()
{
    static const std::array<const TPictureDecoder*, 6> decoders{&HeifDecoder, &AvifDecoder, &PngDecoder,
                                                                &WebpDecoder, &RawDecoder,  &TiffDecoder};
    return decoders;
}

const TPictureDecoder* DecoderOfKind(TPictureKind kind)
{
    for (const TPictureDecoder* decoder : PictureDecoders())
        if (decoder->Kind == kind)
            return decoder;
    return nullptr;
}

const TPictureDecoder* DecoderFor(std::span<const uint8_t> file, std::string_view fileName)
{
    const TPictureKind held = PictureKindOfContent(file);
    if (held == TPictureKind::pkJpeg)
        return nullptr;
    if (held != TPictureKind::pkUnknown)
        return DecoderOfKind(held);
    return DecoderOfKind(PictureKindOfName(fileName));
}

void ReserveDecodeMemory(TDecodedPicture& picture, const char* kindName, int64_t width, int64_t height,
                         int64_t bytes)
{
    TDecodeBudget& budget = SharedDecodeBudget();
    if (bytes > budget.Total())
        throw EPictureError(kindName, std::to_string(width) + " x " + std::to_string(height) +
                                          " pixels need more memory than one picture may take");
    picture.Room = std::make_unique<TDecodeRoom>(budget, bytes);
}

void RefuseOversizedPicture(const char* kindName, uint64_t width, uint64_t height, uint64_t bytesPerPixel)
{
    const auto total = static_cast<unsigned __int128>(width) * height * bytesPerPixel;
    if (total > static_cast<unsigned __int128>(SharedDecodeBudget().Total()))
        throw EPictureError(kindName, std::to_string(width) + " x " + std::to_string(height) +
                                          " pixels need more memory than one picture may take");
}

int ShrinkFactor(int64_t width, int64_t height, int32_t maxSize)
{
    const int64_t longer = std::max(width, height);
    const int64_t factor = longer / (int64_t{2} * std::max(maxSize, 1));
    return static_cast<int>(std::clamp<int64_t>(factor, 1, 1 << 16));
}

int32_t ShrunkSide(int64_t side, int factor)
{
    return static_cast<int32_t>((side + factor - 1) / factor);
}

int64_t ShapingBytes(int64_t width, int64_t height)
{
    return int64_t{3} * 3 * width * height;
}
