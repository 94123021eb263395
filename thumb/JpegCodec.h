#pragma once
// The libjpeg calls of the JPEG image object. Each entry returns 0, or the
// libjpeg message code of the error that stopped it; the codec is destroyed
// before the entry returns, so the caller throws on a clean stack. What
// reading a picture file throws (EPictureGivenUp among it) comes out as thrown.

#include "Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class TPictureFile;
class TRenderStop;

// Codes of our own beside libjpeg's message codes, which are never negative.
constexpr int JpegGivenUp = -1;       // the decode's stop gave up
constexpr int JpegTooManyScans = -2;
constexpr int JpegFileChanged = -3;   // the header read again differs from the first reading

// libjpeg-turbo's own bound (its TurboJPEG decoder's scan limit); real
// encoders write a few dozen scans at most.
constexpr int MaxJpegScans = 500;

// What libjpeg may hold for one picture; past it a decode fails with a JPEG error.
constexpr int64_t JpegPictureMemoryCap = int64_t{1} << 30;

struct TJpegHeaderInfo {
    int32_t Width = 0;
    int32_t Height = 0;
    bool Grayscale = false;
    bool Progressive = false;
    int ExifOrientation = 1;
    int Components = 0;
    int64_t CoefficientBytes = 0;  // the whole picture's coefficients, kept when it has several scans
    // The colour profile of a three-component picture, when it is whole and RGB;
    // any other profile, damaged or not, is left out without an error.
    std::vector<uint8_t> IccProfile;
};

struct TJpegDecodeOptions {
    int ScaleDenom = 1;       // 1, 2, 4 or 8
    bool Smoothing = true;    // block smoothing of progressive pictures
    bool Quantise = false;    // 236 levels into an 8-bit palette bitmap
    bool ForceGrey = false;
    bool BestSpeed = false;
    const TRenderStop* Stop = nullptr;  // asked while the decode runs
    // The size the header gave when the picture was loaded; 0 checks nothing.
    uint32_t ExpectedWidth = 0;
    uint32_t ExpectedHeight = 0;
};

struct TJpegEncodeOptions {
    int Quality = 90;
    bool Progressive = false;
    bool ForceGrey = false;
    std::span<const uint8_t> IccProfile;  // written as APP2 markers when not empty
};

// A failing entry puts libjpeg's text for its error into reason, where one is given.
int ReadJpegHeader(const uint8_t* data, size_t size, TJpegHeaderInfo& header, std::string* reason = nullptr);
int ReadJpegHeader(TPictureFile& file, TJpegHeaderInfo& header, std::string* reason = nullptr);
// bitmap becomes 24-bit BGR, or 8-bit with the quantiser's palette.
int DecodeJpeg(const uint8_t* data, size_t size, const TJpegDecodeOptions& options, TBitmap& bitmap,
               std::string* reason = nullptr);
int DecodeJpeg(TPictureFile& file, const TJpegDecodeOptions& options, TBitmap& bitmap,
               std::string* reason = nullptr);
// bitmap must be 24-bit and not empty.
int EncodeJpeg(const TBitmap& bitmap, const TJpegEncodeOptions& options, std::vector<uint8_t>& out,
               std::string* reason = nullptr);
