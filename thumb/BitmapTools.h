#pragma once
// Small vocabulary over 24-bit bitmaps: making, filling, bordering, measuring
// and fitting them; framing and resizing of thumbnails.

#include "Bitmap.h"

#include <cstdint>
#include <memory>

enum TFitMode : int { fitWidth = 0, fitHeight = 1, fitLongerSide = 2, fitPercent = 3 };

// number * numerator / denominator in 64 bits, rounded to nearest with halves
// away from zero; -1 for a zero denominator or a result outside 32 bits.
int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator);

TRect BitmapBounds(const TBitmap* bitmap);  // no bitmap: an empty rectangle
TRect BitmapBounds(const TBitmap& bitmap);
std::unique_ptr<TBitmap> NewBitmap24();
std::unique_ptr<TBitmap> NewBitmapSized(int32_t width, int32_t height, TColor fill);
std::unique_ptr<TBitmap> NewBitmapFromRect(const TRect& rect, TColor fill);
void FillBitmap(TBitmap* bitmap, TColor color);
void DrawBorderBox(TBitmap* bitmap, TColor brushColor, TColor penColor);

// The rectangle (0, 0, new width, new height) the bitmap takes in the mode.
// A mode outside 0..3 leaves result as it was.
void FitRect(const TBitmap& bitmap, int fitMode, int32_t targetSize, TRect& result);
TRect FitRect(const TBitmap& bitmap, int fitMode, int32_t targetSize);

// Filter codes of ResizeBitmap: Lanczos-3 resampling, or a plain nearest-pixel stretch.
constexpr int rfLanczos3 = 5;
constexpr int rfStretch = 7;

// Replaces the bitmap's pixels with a resized copy; the bitmap is 24-bit afterwards.
void ResizeBitmap(TBitmap& bitmap, int32_t newWidth, int32_t newHeight, int filterCode);
// ResizeBitmap to rect's right and bottom, unless the bitmap is empty.
void ResizeBitmapToRect(TBitmap& bitmap, const TRect& rect, int filterCode);

// Fits the picture into size - 2 * frameWidth and surrounds it by the frame band.
void FrameThumbnail(TBitmap& bitmap, TColor backColor, TColor borderColor, int32_t size,
                    int32_t frameWidth);
// Fits the picture as above and centres it on a framed size x size canvas.
void SquareThumbnail(TBitmap& bitmap, TColor backColor, TColor borderColor, int32_t size,
                     int32_t frameWidth);
