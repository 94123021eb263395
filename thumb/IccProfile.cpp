#include "IccProfile.h"

#include <cstring>

namespace {

constexpr size_t HeaderBytes = 128;

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

}  // namespace

bool IsWholeRgbProfile(const uint8_t* data, size_t size)
{
    if (!data || size < HeaderBytes || size > MaxIccProfileBytes)
        return false;
    // A size field other than the length means chunks lost or added.
    return BigEndian32(data) == size && std::memcmp(data + 36, "acsp", 4) == 0 &&
           std::memcmp(data + 16, "RGB ", 4) == 0;
}
