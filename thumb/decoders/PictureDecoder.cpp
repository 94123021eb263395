#include "PictureDecoder.h"

#include "RenderStop.h"

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

namespace {

thread_local const TDecodeScope* GScope = nullptr;

}  // namespace

TDecodeScope::TDecodeScope(int64_t fileBytes, int64_t restBytes, const TRenderStop* stop)
    : FileBytes(fileBytes), RestBytes(restBytes), Stop(stop), FOuter(GScope)
{
    GScope = this;
}

TDecodeScope::~TDecodeScope()
{
    GScope = FOuter;
}

const TDecodeScope* TDecodeScope::Current()
{
    return GScope;
}

void ThrowIfGivenUp()
{
    if (const TRenderStop* stop = ScopeStop())
        stop->ThrowIfGivenUp();
}

const TRenderStop* ScopeStop()
{
    return GScope ? GScope->Stop : nullptr;
}

void ReserveDecodeMemory(TDecodedPicture& picture, const char* kindName, int64_t width, int64_t height,
                         int64_t bytes)
{
    TDecodeBudget& budget = SharedDecodeBudget();
    if (bytes > budget.Total())
        throw EPictureError(kindName, std::to_string(width) + " x " + std::to_string(height) +
                                          " pixels need more memory than one picture may take");
    if (!GScope) {
        picture.Room = std::make_unique<TDecodeRoom>(budget, bytes);
        return;
    }
    // Waiting here while holding the file's room could leave every worker
    // waiting for the others: only room free at once is taken.
    const int64_t rest = std::max<int64_t>(bytes - GScope->FileBytes, 0);
    if (rest <= GScope->RestBytes)
        return;
    if (!budget.TryTake(rest))
        throw EDecodeRoomWanted{rest};
    picture.Room = std::make_unique<TDecodeRoom>(budget, TDecodeRoom::TAlreadyTaken{rest});
}

void RefuseOversizedPicture(const char* kindName, uint64_t width, uint64_t height, uint64_t bytesPerPixel)
{
    uint64_t pixels = 0;
    uint64_t total = 0;
    const bool overflows = __builtin_mul_overflow(width, height, &pixels) ||
                           __builtin_mul_overflow(pixels, bytesPerPixel, &total);
    if (overflows || total > static_cast<uint64_t>(SharedDecodeBudget().Total()))
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
