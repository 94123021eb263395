// Arbitrary bytes as a WEBP picture.

#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzDecoder(WebpDecoder, data, size);
}
