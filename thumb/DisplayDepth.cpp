#include "ThumbnailRecipe.h"

#include <atomic>

namespace {
// Set once at start-up, read by every picture on any thread.
std::atomic<int> DisplayBits{24};  // no display known: full colour
}

void SetDisplayBitsPerPixel(int bitsPerPixel)
{
    DisplayBits = bitsPerPixel;
}

int DisplayBitsPerPixel()
{
    return DisplayBits;
}
