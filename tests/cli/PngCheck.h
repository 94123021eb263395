#pragma once
// Reads a PNG back through an independent decoder (png_to_rgb.py) and
// compares it with a bitmap.

#include <string>

class TBitmap;

// "" when the PNG holds exactly the bitmap's pixels; otherwise what differs.
std::string ComparePngWithBitmap(const std::string& pngPath, const TBitmap& bitmap);
