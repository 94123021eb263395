#include "ThumbnailRecipe.h"

namespace {
int DisplayBits = 24;  // no display known: full colour
}

void SetDisplayBitsPerPixel(int bitsPerPixel)
{
    DisplayBits = bitsPerPixel;
}

int DisplayBitsPerPixel()
{
    return DisplayBits;
}
