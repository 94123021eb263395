#pragma once
// Rows of decoded pixels turned into the bitmap's blue-green-red order, with
// transparent pixels laid on a background colour.

#include "Bitmap.h"

#include <cstdint>

void RgbToBgr(const uint8_t* rgb, int32_t count, uint8_t* bgr);
// Colour not multiplied by alpha, as PNG and most files store it.
void RgbaOnBackground(const uint8_t* rgba, int32_t count, TColor background, uint8_t* bgr);
// Colour already multiplied by alpha.
void PremultipliedRgbaOnBackground(const uint8_t* rgba, int32_t count, TColor background, uint8_t* bgr);
