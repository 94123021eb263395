// Arbitrary bytes as a HEIF or AVIF picture, by a bit of the first byte.

#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    return FuzzDecoder((data[0] & 2) ? AvifDecoder : HeifDecoder, data, size);
}
