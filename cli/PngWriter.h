#pragma once
// Lossless PNG output of a 24-bit bitmap: 8-bit RGB, no filtering, one
// zlib-compressed image data chunk.

#include <cstdint>
#include <string>
#include <vector>

class TBitmap;

// The PNG file bytes of the bitmap's pixels (blue-green-red rows become
// red-green-blue). An 8-bit bitmap is converted to 24 bits first.
std::vector<uint8_t> EncodePng(TBitmap& bitmap);

// Writes EncodePng's bytes to a new file that then replaces the path;
// throws EFCreateError or EWriteError, leaving the path as it was.
void WritePng(const std::string& path, TBitmap& bitmap);
