// Arbitrary bytes as a camera RAW picture.

#include "DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzDecoder(RawDecoder, data, size);
}
