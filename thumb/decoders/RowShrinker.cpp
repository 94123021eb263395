#include "RowShrinker.h"

#include "PictureDecoder.h"

#include <algorithm>
#include <cstring>

namespace {

std::vector<TPaletteEntry> GreyPalette()
{
    std::vector<TPaletteEntry> palette(256);
    for (int v = 0; v < 256; ++v)
        palette[v] = {uint8_t(v), uint8_t(v), uint8_t(v)};
    return palette;
}

}  // namespace

TRowShrinker::TRowShrinker(int32_t width, int32_t height, int channels, int factor)
    : FWidth(width), FHeight(height), FChannels(channels), FFactor(std::max(factor, 1)),
      FBitmap(std::make_unique<TBitmap>())
{
    FBitmap->SetPixelFormat(channels == 1 ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
    FBitmap->SetSize(ShrunkSide(width, FFactor), ShrunkSide(height, FFactor));
    if (channels == 1)
        FBitmap->SetPalette(GreyPalette());
    if (FFactor > 1)
        FSums.assign(size_t(FBitmap->Width()) * channels, 0);
}

int64_t TRowShrinker::WorkBytes(int32_t width, int channels)
{
    return int64_t{width} * channels * int64_t(sizeof(uint32_t));
}

void TRowShrinker::AddRow(const uint8_t* row)
{
    ThrowIfGivenUp();
    if (FRowsAdded >= FHeight)
        return;
    ++FRowsAdded;
    if (FFactor == 1) {
        std::memcpy(FBitmap->ScanLine(FRowsOut++), row, size_t(FWidth) * FChannels);
        return;
    }
    const int32_t outWidth = FBitmap->Width();
    for (int32_t ox = 0; ox < outWidth; ++ox) {
        const int32_t first = ox * FFactor, last = std::min(first + FFactor, FWidth);
        uint32_t* sum = FSums.data() + size_t(ox) * FChannels;
        for (int32_t x = first; x < last; ++x)
            for (int c = 0; c < FChannels; ++c)
                sum[c] += row[size_t(x) * FChannels + c];
    }
    if (++FRowsInBlock == FFactor || FRowsAdded == FHeight)
        EmitBlockRow();
}

void TRowShrinker::EmitBlockRow()
{
    uint8_t* out = FBitmap->ScanLine(FRowsOut++);
    const int32_t outWidth = FBitmap->Width();
    for (int32_t ox = 0; ox < outWidth; ++ox) {
        const int32_t columns = std::min(FFactor, FWidth - ox * FFactor);
        const uint32_t n = uint32_t(columns) * uint32_t(FRowsInBlock);
        for (int c = 0; c < FChannels; ++c) {
            const size_t i = size_t(ox) * FChannels + c;
            out[i] = uint8_t((FSums[i] + n / 2) / n);
            FSums[i] = 0;
        }
    }
    FRowsInBlock = 0;
}

std::unique_ptr<TBitmap> TRowShrinker::TakeBitmap()
{
    // Rows a decoder never delivered repeat the last one: no uninitialised byte may reach a thumbnail.
    if (FRowsInBlock > 0)
        EmitBlockRow();
    for (int32_t y = FRowsOut; y < FBitmap->Height(); ++y) {
        if (y == 0)
            std::memset(FBitmap->ScanLine(0), 0, size_t(FBitmap->Width()) * FChannels);
        else
            std::memcpy(FBitmap->ScanLine(y), FBitmap->ScanLine(y - 1), size_t(FBitmap->Width()) * FChannels);
    }
    FRowsOut = FBitmap->Height();
    return std::move(FBitmap);
}
