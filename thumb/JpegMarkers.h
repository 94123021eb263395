#pragma once
// The markers a thumbnail uses, kept while libjpeg reads a header: the first
// Exif block and the colour profile's chunks. Everything else is skipped as it
// is read, so reading takes time in proportion to the file, however many
// markers it holds (libjpeg's own saving walks its whole list for every marker).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

struct TIccChunk {
    int Sequence = 0;
    int Count = 0;
    std::vector<uint8_t> Bytes;
};

struct TKeptMarkers {
    bool HaveExif = false;
    std::vector<uint8_t> Exif;  // the payload, "Exif\0\0" first
    std::vector<TIccChunk> IccChunks;
    size_t IccBytes = 0;        // every chunk's payload, kept or not
    bool IccRefused = false;    // too large, or too many chunks: none is kept
};

// Installs the processors for APP1 and APP2 on info, which must have its
// source; they store into kept through info.client_data.
void KeepRecipeMarkers(jpeg_decompress_struct& info, TKeptMarkers& kept);

// The profile put together from its chunks in sequence order; empty when
// there is none, or when a chunk is missing, doubled or numbered wrongly.
std::vector<uint8_t> AssembledIccProfile(const TKeptMarkers& kept);
