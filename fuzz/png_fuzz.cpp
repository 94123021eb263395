// Arbitrary bytes as a PNG picture.

#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzDecoder(PngDecoder, data, size);
}
