#include "AbDeflateHelper.h"

#include "AbExcept.h"

#include <cctype>
#include <zlib.h>

namespace {

int32_t AtLeastFour(int32_t value) { return (value == -1 || value >= 4) ? value : 4; }

} // namespace

void TAbDeflateHelper::SetAmpleLength(int32_t value)
{
    FAmpleLength = AtLeastFour(value);
    FPKZipOption = '?';
}

void TAbDeflateHelper::SetChainLength(int32_t value)
{
    FChainLength = AtLeastFour(value);
    FPKZipOption = '?';
}

void TAbDeflateHelper::SetMaxLazyLength(int32_t value)
{
    FMaxLazy = AtLeastFour(value);
    FPKZipOption = '?';
}

void TAbDeflateHelper::SetOptions(int32_t value)
{
    if (value != FOptions) {
        FOptions = value;
        FPKZipOption = '?';
    }
}

void TAbDeflateHelper::SetLetterValues(int32_t ample, int32_t chain, int32_t lazy)
{
    FAmpleLength = ample;
    FChainLength = chain;
    FMaxLazy = lazy;
}

void TAbDeflateHelper::SetPKZipOption(char letter)
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

uint32_t AbCrc32(uint32_t crc, const void* data, size_t length)
{
    return static_cast<uint32_t>(
        crc32(crc, static_cast<const Bytef*>(data), static_cast<uInt>(length)));
}

uint32_t Deflate(TStream&, TStream&, TAbDeflateHelper&)
{
    throw EAbDeflateError("not built yet");
}
