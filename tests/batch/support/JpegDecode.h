#pragma once
// Decodes a JPEG held in memory, for checking what a thumbnail holds.

#include <cstdint>
#include <vector>

struct TDecodedJpeg {
    int Width = 0;
    int Height = 0;
    int Components = 0;
    std::vector<uint8_t> Pixels;  // rows of Components bytes per pixel
    std::vector<uint8_t> IccProfile;  // as libjpeg puts the APP2 chunks together; empty if none
};

// Throws std::runtime_error when libjpeg cannot decode the bytes.
TDecodedJpeg DecodeJpeg(const std::vector<uint8_t>& bytes);
