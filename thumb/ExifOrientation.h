#pragma once
// The orientation tag of an Exif block, and turning a decoded picture upright.

#include "Bitmap.h"

#include <cstddef>
#include <cstdint>

// The orientation (1..8) in an APP1 payload starting "Exif\0\0"; 1 when the
// payload is no Exif block, is damaged, or has no usable tag.
int ExifOrientationOf(const uint8_t* payload, size_t size) noexcept;
// The same for an Exif block as PNG and WebP keep it, usually without the
// "Exif\0\0" prefix.
int ExifOrientationOfTiff(const uint8_t* tiff, size_t size) noexcept;

// Turns and mirrors the bitmap in place so a picture stored with the given
// orientation shows upright. 1 and unknown values change nothing.
void ApplyExifOrientation(TBitmap& bitmap, int orientation);
