#include "JPEGImage.h"

#include "FullPath.h"
#include "JpegCodec.h"
#include "JpegErrors.h"
#include "JpegFileSource.h"
#include "PictureFile.h"
#include "RenderStop.h"
#include "Stream.h"
#include "ThumbnailRecipe.h"

namespace {

int32_t Scaled(int32_t full, TJPEGScale scale)
{
    const int32_t denom = static_cast<int32_t>(scale);
    return (full + denom - 1) / denom;  // libjpeg rounds scaled sizes up
}

// Runs one libjpeg entry; its failure becomes an EJPEG with libjpeg's text.
template <class Entry>
void Check(Entry&& entry)
{
    std::string reason;
    const int code = entry(&reason);
    if (code == JpegGivenUp)
        throw EPictureGivenUp();
    if (code == JpegFileChanged)
        throw EJPEG(code, "the file changed while it was read");
    if (code == JpegTooManyScans)
        throw EJPEG(code, "more than " + std::to_string(MaxJpegScans) + " scans");
    if (code != 0)
        throw EJPEG(code, TLibjpegText{std::move(reason)});
}

}  // namespace

int64_t TJPEGData::HeldBytes() const
{
    return static_cast<int64_t>(Bytes.size()) + (File ? int64_t{TJpegFileSource::PieceBytes} : 0);
}

TJPEGImage::TJPEGImage()
    : PixelFormat(DisplayBitsPerPixel() <= 8 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit)
{
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::SetScale(TJPEGScale scale)
{
    if (scale == FScale)
        return;
    FScale = scale;
    if (HasPicture())
        FBitmap.reset();
}

bool TJPEGImage::HasPicture() const
{
    return FData && (FData->File || !FData->Bytes.empty());
}

void TJPEGImage::LoadFromFile(const std::string& fileName)
{
    LoadFromPictureFile(std::make_shared<TPictureFile>(ExpandFileName(fileName)));
}

void TJPEGImage::LoadFromPictureFile(std::shared_ptr<TPictureFile> file)
{
    auto data = std::make_shared<TJPEGData>();
    data->File = std::move(file);
    data->File->Stop = Stop;
    TJpegHeaderInfo header;
    Check([&](std::string* reason) { return ReadJpegHeader(*data->File, header, reason); });
    TakeHeader(std::move(data), header);
}

void TJPEGImage::LoadFromBytes(std::vector<uint8_t> bytes)
{
    auto data = std::make_shared<TJPEGData>();
    data->Bytes = std::move(bytes);
    TJpegHeaderInfo header;
    Check([&](std::string* reason) {
        return ReadJpegHeader(data->Bytes.data(), data->Bytes.size(), header, reason);
    });
    TakeHeader(std::move(data), header);
}

void TJPEGImage::TakeHeader(std::shared_ptr<TJPEGData> data, TJpegHeaderInfo& header)
{
    data->Width = header.Width;
    data->Height = header.Height;
    data->Grayscale = header.Grayscale;
    data->Progressive = header.Progressive;
    data->ExifOrientation = header.ExifOrientation;
    data->Components = header.Components;
    data->CoefficientBytes = header.CoefficientBytes;
    FBitmap.reset();
    FData = std::move(data);
    ProgressiveEncoding = FData->Progressive;
    IccProfile = std::move(header.IccProfile);
}

int32_t TJPEGImage::Width() const
{
    if (FBitmap)
        return FBitmap->Width();
    return FData ? Scaled(FData->Width, FScale) : 0;
}

int32_t TJPEGImage::Height() const
{
    if (FBitmap)
        return FBitmap->Height();
    return FData ? Scaled(FData->Height, FScale) : 0;
}

bool TJPEGImage::Empty() const
{
    return Width() <= 0 || Height() <= 0;
}

bool TJPEGImage::Grayscale() const
{
    return FData && FData->Grayscale;
}

int TJPEGImage::ExifOrientation() const
{
    return FData ? FData->ExifOrientation : 1;
}

const TBitmap& TJPEGImage::Bitmap()
{
    if (!FBitmap)
        Decode();
    return *FBitmap;
}

void TJPEGImage::Decode()
{
    auto bitmap = std::make_unique<TBitmap>();
    if (HasPicture()) {
        TJpegDecodeOptions options;
        options.ScaleDenom = static_cast<int>(FScale);
        options.Smoothing = Smoothing;
        options.Quantise = PixelFormat == TJPEGPixelFormat::jf8Bit;
        options.ForceGrey = GrayscaleOutput;
        options.BestSpeed = Performance == TJPEGPerformance::jpBestSpeed;
        options.Stop = Stop;
        options.ExpectedWidth = static_cast<uint32_t>(FData->Width);
        options.ExpectedHeight = static_cast<uint32_t>(FData->Height);
        if (FData->File) {
            FData->File->Stop = Stop;
            Check([&](std::string* reason) { return DecodeJpeg(*FData->File, options, *bitmap, reason); });
        } else {
            Check([&](std::string* reason) {
                return DecodeJpeg(FData->Bytes.data(), FData->Bytes.size(), options, *bitmap, reason);
            });
        }
    }
    FBitmap = std::move(bitmap);
}

void TJPEGImage::Assign(const TBitmap& bitmap)
{
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
    FBitmap = std::move(copy);
    FData.reset();
}

void TJPEGImage::Compress()
{
    auto data = std::make_shared<TJPEGData>();
    if (FBitmap && !FBitmap->Empty()) {
        const TBitmap* source = FBitmap.get();
        TBitmap converted;
        if (source->PixelFormat() != TPixelFormat::pf24bit) {
            converted.Assign(*source);
            converted.SetPixelFormat(TPixelFormat::pf24bit);
            source = &converted;
        }
        TJpegEncodeOptions options;
        options.Quality = CompressionQuality;
        options.Progressive = ProgressiveEncoding;
        options.ForceGrey = GrayscaleOutput;
        if (!GrayscaleOutput)
            options.IccProfile = IccProfile;
        Check([&](std::string* reason) { return EncodeJpeg(*source, options, data->Bytes, reason); });
        data->Width = source->Width();
        data->Height = source->Height();
        data->Grayscale = GrayscaleOutput;
        data->Progressive = ProgressiveEncoding;
    }
    FData = std::move(data);
}

void TJPEGImage::SaveToStream(TStream& stream)
{
    if (!FData)
        Compress();
    stream.WriteBuffer(FData->Bytes.data(), static_cast<int64_t>(FData->Bytes.size()));
}
