#pragma once
// The size a HEIF or AVIF file's coded pictures declare in their own streams
// (HEVC sequence parameter sets, AV1 sequence headers). libheif decodes a
// stream at that size before it crops to the picture's, so a crafted file can
// declare a 24 x 16 picture coded at 30000 x 30000: the memory must be
// counted from this size, read before anything is decoded.

#include <cstdint>
#include <span>

struct TCodedSize {
    uint64_t Width = 0;
    uint64_t Height = 0;
    uint64_t Pixels() const { return Width * Height; }
    bool operator<(const TCodedSize& other) const { return Pixels() < other.Pixels(); }
};

// The size the item is decoded at: its own stream's, or for a grid or overlay
// its canvas and the file's largest stream. Zero where nothing can be read.
TCodedSize CodedSizeOf(std::span<const uint8_t> file, uint64_t item);
