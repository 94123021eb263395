#pragma once
// Arbitrary bytes as a picture of one kind, straight into its decoder. The
// first byte picks the thumbnail size and background; the rest is the file.

#include "decoders/PictureDecoder.h"

#include <cstddef>
#include <cstdint>

int FuzzDecoder(const TPictureDecoder& decoder, const uint8_t* data, size_t size);
