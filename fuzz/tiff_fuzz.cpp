// Arbitrary bytes as a TIFF picture.

#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzDecoder(TiffDecoder, data, size);
}
