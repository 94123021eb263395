#include "DeflateHelper.h"

#include "ArchiveErrors.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

int32_t AtLeastFour(int32_t value) { return (value == -1 || value >= 4) ? value : 4; }

} // namespace

void TDeflateHelper::SetAmpleLength(int32_t value)
{
    FAmpleLength = AtLeastFour(value);
    FPKZipOption = '?';
}

void TDeflateHelper::SetChainLength(int32_t value)
{
    FChainLength = AtLeastFour(value);
    FPKZipOption = '?';
}

void TDeflateHelper::SetMaxLazyLength(int32_t value)
{
    FMaxLazy = AtLeastFour(value);
    FPKZipOption = '?';
}

void TDeflateHelper::SetOptions(int32_t value)
{
    if (value != FOptions) {
        FOptions = value;
        FPKZipOption = '?';
    }
}

void TDeflateHelper::SetLetterValues(int32_t ample, int32_t chain, int32_t lazy)
{
    FAmpleLength = ample;
    FChainLength = chain;
    FMaxLazy = lazy;
}

void TDeflateHelper::SetPKZipOption(char letter)
{
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (lower == FPKZipOption)
        return;
    switch (lower) {
    case '0':
        FOptions = (FOptions & ~0x0F) | dfc_CanUseStored;
        SetLetterValues(8, 32, 16);
        break;
    case '2':
        FOptions |= 0x0F;
        SetLetterValues(8, 32, 16);
        break;
    case 'n':
        FOptions |= 0x0F;
        SetLetterValues(16, 32, 24);
        break;
    case 'x':
        FOptions |= 0x0F;
        SetLetterValues(64, 4096, 258);
        break;
    case 'f':
        FOptions |= 0x07;
        SetLetterValues(4, 32, 6);
        break;
    case 's':
        FOptions |= 0x07;
        SetLetterValues(4, 4, 4);
        break;
    default:
        return;
    }
    FPKZipOption = lower;
}

uint32_t Crc32(uint32_t crc, const void* data, size_t length)
{
    return static_cast<uint32_t>(
        crc32(crc, static_cast<const Bytef*>(data), static_cast<uInt>(length)));
}

namespace {

constexpr size_t DeflateChunk = 32768;
constexpr int DeflateMemLevel = 8;
constexpr int RawDeflateWindowBits = -15;
constexpr int ZlibNormalLevel = 6;
constexpr int ZlibLazyLevel = 6;   // a level zlib runs with lazy matching
constexpr int ZlibGreedyLevel = 1; // a level zlib runs without it
constexpr int LongestMatch = 258;
constexpr int UnlimitedChain = 1 << 30;

// The encoder of one thread, kept between entries with its buffers: made
// and freed for every entry, its quarter megabyte makes the C library give
// the heap back to the system and take it again each time, which costs more
// than deflating a small entry.
struct TZlibDeflater {
    z_stream Z{};
    bool Ready = false;
    int Level = -1;
    int Strategy = -1;
    std::vector<uint8_t> In = std::vector<uint8_t>(DeflateChunk);
    std::vector<uint8_t> Out = std::vector<uint8_t>(DeflateChunk);
    ~TZlibDeflater() { Release(); }
    void Release()
    {
        if (Ready)
            deflateEnd(&Z);
        Z = z_stream{};
        Ready = false;
    }
};

std::string ZlibCause(const z_stream& z, int code)
{
    return z.msg != nullptr ? std::string(z.msg) : std::string(zError(code));
}

int Unlimited(int32_t value, int limit) { return value == -1 ? limit : std::min<int>(value, limit); }

struct TZlibEffort {
    int Level = ZlibNormalLevel;
    int Strategy = Z_DEFAULT_STRATEGY;
    bool Tune = false;
    int Good = 0, Lazy = 0, Nice = 0, Chain = 0;
};

TZlibEffort EffortFor(const TDeflateHelper& helper)
{
    TZlibEffort effort;
    const int32_t options = helper.Options();
    if ((options & (dfc_CanUseStatic | dfc_CanUseDynamic)) == 0) {
        effort.Level = 0;   // stored blocks only
        return effort;
    }
    if ((options & dfc_CanUseDynamic) == 0)
        effort.Strategy = Z_FIXED;
    // zlib's own normal effort is kept as it is.
    if (helper.PKZipOption() == 'n' && (options & dfc_UseLazyMatch) != 0)
        return effort;
    effort.Level = (options & dfc_UseLazyMatch) != 0 ? ZlibLazyLevel : ZlibGreedyLevel;
    effort.Tune = true;
    effort.Good = Unlimited(helper.AmpleLength(), LongestMatch);
    effort.Lazy = Unlimited(helper.MaxLazyLength(), LongestMatch);
    effort.Chain = Unlimited(helper.ChainLength(), UnlimitedChain);
    effort.Nice = std::min(LongestMatch, std::max(4 * effort.Good, effort.Lazy));
    return effort;
}

// A held encoder of the same level and strategy is reset, which also
// drops its tuning; any other is made anew.
TZlibDeflater& DeflaterFor(const TDeflateHelper& helper)
{
    thread_local TZlibDeflater deflater;
    const TZlibEffort effort = EffortFor(helper);
    const bool reusable = deflater.Ready && deflater.Level == effort.Level && deflater.Strategy == effort.Strategy &&
                          deflateReset(&deflater.Z) == Z_OK;
    if (!reusable) {
        deflater.Release();
        const int code = deflateInit2(&deflater.Z, effort.Level, Z_DEFLATED, RawDeflateWindowBits,
                                      DeflateMemLevel, effort.Strategy);
        if (code != Z_OK)
            throw EDeflateError(ZlibCause(deflater.Z, code));
        deflater.Ready = true;
        deflater.Level = effort.Level;
        deflater.Strategy = effort.Strategy;
    }
    if (effort.Tune) {
        const int tuned = deflateTune(&deflater.Z, effort.Good, effort.Lazy, effort.Nice, effort.Chain);
        if (tuned != Z_OK)
            throw EDeflateError(ZlibCause(deflater.Z, tuned));
    }
    return deflater;
}

int PercentOf(int64_t done, int64_t total)
{
    if (total <= 0)
        return 100;
    return static_cast<int>(std::min<int64_t>(100, done * 100 / total));
}

} // namespace

uint32_t Deflate(TStream& source, TStream& dest, TDeflateHelper& helper)
{
    if ((helper.Options() & (dfc_CanUseStored | dfc_CanUseStatic | dfc_CanUseDynamic)) == 0)
        throw EDeflateError("no block type allowed");
    TZlibDeflater& deflater = DeflaterFor(helper);
    std::vector<uint8_t>& in = deflater.In;
    std::vector<uint8_t>& out = deflater.Out;
    uint32_t crc = 0;
    int64_t read = 0, written = 0;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        const int64_t got = source.Read(in.data(), static_cast<int64_t>(in.size()));
        flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
        crc = Crc32(crc, in.data(), static_cast<size_t>(got));
        read += got;
        deflater.Z.next_in = in.data();
        deflater.Z.avail_in = static_cast<uInt>(got);
        do {
            deflater.Z.next_out = out.data();
            deflater.Z.avail_out = static_cast<uInt>(out.size());
            const int code = deflate(&deflater.Z, flush);
            if (code == Z_STREAM_ERROR)
                throw EDeflateError(ZlibCause(deflater.Z, code));
            const int64_t produced = static_cast<int64_t>(out.size() - deflater.Z.avail_out);
            dest.WriteBuffer(out.data(), produced);
            written += produced;
        } while (deflater.Z.avail_out == 0);
        if (helper.OnProgressStep)
            helper.OnProgressStep(PercentOf(read, helper.StreamSize));
    }
    helper.NormalSize = static_cast<int32_t>(read);
    helper.CompressedSize = static_cast<int32_t>(written);
    return crc;
}
