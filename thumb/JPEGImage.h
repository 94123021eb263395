#pragma once
// A JPEG picture: the file's compressed bytes, at most one decoded bitmap, and
// the decoder and encoder settings.

#include "Bitmap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TPictureFile;
class TRenderStop;
class TStream;
struct TJpegHeaderInfo;

enum class TJPEGScale { jsFullSize = 1, jsHalf = 2, jsQuarter = 4, jsEighth = 8 };
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };
enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };

// The compressed bytes, or the open file they are read from in pieces, and
// what the header says of them; shared by copies.
struct TJPEGData {
    std::vector<uint8_t> Bytes;
    std::shared_ptr<TPictureFile> File;
    int32_t Width = 0;
    int32_t Height = 0;
    bool Grayscale = false;
    bool Progressive = false;
    int ExifOrientation = 1;  // 1..8; 1 also when the file has no usable tag
    int Components = 0;
    int64_t CoefficientBytes = 0;  // what decoding keeps of a multi-scan file
    // What the picture's compressed bytes take in memory while it is decoded.
    int64_t HeldBytes() const;
};

class TJPEGImage {
public:
    TJPEGImage();
    ~TJPEGImage();
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    // Settings, with their values at creation.
    int CompressionQuality = 90;
    bool GrayscaleOutput = false;
    TJPEGPerformance Performance = TJPEGPerformance::jpBestQuality;
    TJPEGPixelFormat PixelFormat;  // from the display depth
    bool ProgressiveDisplay = false;
    bool ProgressiveEncoding = false;
    bool Smoothing = true;
    // Written into the encoded picture unless it is grey. A load sets it to the
    // file's RGB profile, or empty; Assign keeps it.
    std::vector<uint8_t> IccProfile;
    // Asked while the file is read and decoded; a batch run's stop.
    const TRenderStop* Stop = nullptr;

    TJPEGScale Scale() const { return FScale; }
    void SetScale(TJPEGScale scale);  // drops a decoded bitmap made at another scale

    // Opens the file and reads its header; the decode reads the file again,
    // a piece at a time. Throws EFOpenError, EJPEG or EPictureGivenUp.
    void LoadFromFile(const std::string& fileName);
    void LoadFromPictureFile(std::shared_ptr<TPictureFile> file);
    void LoadFromBytes(std::vector<uint8_t> bytes);

    // The scaled size of the decoded picture.
    int32_t Width() const;
    int32_t Height() const;
    bool Empty() const;
    bool Grayscale() const;
    int ExifOrientation() const;
    const TJPEGData* Data() const { return FData.get(); }

    // The decoded picture, made on first need. 24-bit, or 8-bit palette-indexed
    // when the output is quantised.
    const TBitmap& Bitmap();

    // Takes a copy of the bitmap; drops the compressed bytes but keeps the
    // progressive encoding setting and the colour profile.
    void Assign(const TBitmap& bitmap);
    // Writes the compressed bytes, encoding the held bitmap if needed. An empty
    // picture writes nothing.
    void SaveToStream(TStream& stream);

private:
    void TakeHeader(std::shared_ptr<TJPEGData> data, TJpegHeaderInfo& header);
    bool HasPicture() const;
    void Decode();
    void Compress();

    std::shared_ptr<TJPEGData> FData;
    std::unique_ptr<TBitmap> FBitmap;
    TJPEGScale FScale = TJPEGScale::jsFullSize;
};
