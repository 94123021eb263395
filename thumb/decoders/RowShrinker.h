#pragma once
// Takes a picture's rows top to bottom as a decoder produces them and keeps
// only the average of each factor x factor block, so a large picture never
// lies in memory whole.

#include "Bitmap.h"

#include <cstdint>
#include <memory>
#include <vector>

class TRowShrinker {
public:
    // channels: 3 for blue-green-red rows, 1 for grey rows.
    TRowShrinker(int32_t width, int32_t height, int channels, int factor);
    void AddRow(const uint8_t* row);
    int32_t RowsAdded() const { return FRowsAdded; }
    // The shrunk picture: 24-bit, or 8-bit with a grey palette for grey rows.
    std::unique_ptr<TBitmap> TakeBitmap();
    // What the shrinker holds besides its result.
    static int64_t WorkBytes(int32_t width, int channels);

private:
    void EmitBlockRow();

    const int32_t FWidth;
    const int32_t FHeight;
    const int FChannels;
    const int FFactor;
    std::unique_ptr<TBitmap> FBitmap;
    std::vector<uint32_t> FSums;
    int FRowsInBlock = 0;
    int32_t FRowsAdded = 0;
    int32_t FRowsOut = 0;
};
