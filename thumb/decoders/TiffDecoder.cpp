#include "PictureDecoder.h"

#include "IccProfile.h"
#include "PixelRows.h"
#include "RowShrinker.h"

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <tiffio.h>

namespace {

constexpr const char* KindName = "TIFF";

// The file in memory as libtiff's client: reads, seeks and a mapping of it.
struct TTiffSource {
    const uint8_t* Data = nullptr;
    uint64_t Size = 0;
    uint64_t Offset = 0;
    std::string FirstError;
};

tmsize_t ReadSource(thandle_t handle, void* out, tmsize_t length)
{
    auto* s = static_cast<TTiffSource*>(handle);
    const uint64_t n = std::min<uint64_t>(uint64_t(std::max<tmsize_t>(length, 0)), s->Size - std::min(s->Offset, s->Size));
    std::memcpy(out, s->Data + s->Offset, size_t(n));
    s->Offset += n;
    return tmsize_t(n);
}

tmsize_t RefuseWrite(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t SeekSource(thandle_t handle, toff_t offset, int whence)
{
    auto* s = static_cast<TTiffSource*>(handle);
    const uint64_t base = whence == SEEK_CUR ? s->Offset : whence == SEEK_END ? s->Size : 0;
    s->Offset = base + offset;
    return s->Offset;
}

int CloseSource(thandle_t)
{
    return 0;
}

toff_t SourceSize(thandle_t handle)
{
    return static_cast<TTiffSource*>(handle)->Size;
}

int MapSource(thandle_t handle, void** base, toff_t* size)
{
    auto* s = static_cast<TTiffSource*>(handle);
    *base = const_cast<uint8_t*>(s->Data);  // libtiff only reads through a read-only mapping
    *size = s->Size;
    return 1;
}

void UnmapSource(thandle_t, void*, toff_t) {}

int KeepFirstError(TIFF*, void* user, const char*, const char* format, va_list args)
{
    auto* s = static_cast<TTiffSource*>(user);
    if (s->FirstError.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        s->FirstError = text;
    }
    return 1;  // handled: nothing is printed
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TTiffFile {
    TTiffSource Source;
    TIFF* Handle = nullptr;
    TIFFRGBAImage Image{};
    bool ImageStarted = false;

    explicit TTiffFile(std::span<const uint8_t> file)
    {
        Source.Data = file.data();
        Source.Size = file.size();
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(SharedDecodeBudget().Total()));
        TIFFOpenOptionsSetErrorHandlerExtR(options, KeepFirstError, &Source);
        TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, nullptr);
        Handle = TIFFClientOpenExt("picture", "r", &Source, ReadSource, RefuseWrite, SeekSource, CloseSource,
                                   SourceSize, MapSource, UnmapSource, options);
        TIFFOpenOptionsFree(options);
        if (!Handle)
            Fail("not a TIFF file");
    }
    ~TTiffFile()
    {
        if (ImageStarted)
            TIFFRGBAImageEnd(&Image);
        if (Handle)
            TIFFClose(Handle);
    }
    TTiffFile(const TTiffFile&) = delete;
    TTiffFile& operator=(const TTiffFile&) = delete;

    [[noreturn]] void Fail(const std::string& fallback) const
    {
        throw EPictureError(KindName, Source.FirstError.empty() ? fallback : Source.FirstError);
    }
};

std::vector<uint8_t> ProfileOf(TIFF* tif)
{
    uint32_t size = 0;
    void* data = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &size, &data) != 1)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!IsWholeRgbProfile(bytes, size))
        return {};
    return {bytes, bytes + size};
}

int OrientationOf(TIFF* tif)
{
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// Rows read at once: whole strips or rows of tiles, so none is decoded twice.
uint32_t BandRows(TIFF* tif, uint32_t height)
{
    uint32_t rows = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &rows);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
    return std::clamp<uint32_t>(rows, 1, std::max<uint32_t>(height, 1));
}

// What libtiff holds while it decodes one band.
int64_t CodecBytes(TIFF* tif)
{
    // A crafted header can declare a band of any size; past a petabyte it is refused anyway.
    const uint64_t bytes = TIFFIsTiled(tif) ? TIFFTileSize64(tif) : TIFFStripSize64(tif);
    return int64_t(std::min<uint64_t>(bytes, uint64_t{1} << 50));
}

bool IsGrey(const TIFFRGBAImage& image)
{
    return image.alpha == 0 && image.samplesperpixel == 1 &&
           (image.photometric == PHOTOMETRIC_MINISBLACK || image.photometric == PHOTOMETRIC_MINISWHITE);
}

// libtiff's packed pixels (red in the low byte, alpha multiplied in) as rows of the bitmap.
void DeliverBand(const uint32_t* band, uint32_t width, uint32_t rows, bool grey, TColor background,
                 std::vector<uint8_t>& row, TRowShrinker& shrinker)
{
    for (uint32_t y = 0; y < rows; ++y) {
        const uint32_t* in = band + size_t(y) * width;
        if (grey) {
            for (uint32_t x = 0; x < width; ++x)
                row[x] = uint8_t(TIFFGetR(in[x]));
        } else {
            PremultipliedRgbaOnBackground(reinterpret_cast<const uint8_t*>(in), int32_t(width), background,
                                          row.data());
        }
        shrinker.AddRow(row.data());
    }
}

bool HoldsTiff(std::span<const uint8_t> file)
{
    if (file.size() < 4)
        return false;
    const uint8_t* p = file.data();
    const bool little = p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0;
    const bool big = p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43);
    return little || big;
}

TDecodedPicture DecodeTiff(std::span<const uint8_t> file, const TDecodeRequest& request)
{
    static_assert(std::endian::native == std::endian::little, "libtiff's packed pixels read as red, green, blue, alpha");
    TTiffFile tiff(file);
    TIFF* tif = tiff.Handle;
    char reason[1024] = "";
    if (!TIFFRGBAImageOK(tif, reason) || !TIFFRGBAImageBegin(&tiff.Image, tif, 1, reason))
        tiff.Fail(reason);
    tiff.ImageStarted = true;
    TIFFRGBAImage& image = tiff.Image;
    const uint32_t width = image.width, height = image.height;
    if (width == 0 || height == 0)
        tiff.Fail("the picture has no pixels");

    TDecodedPicture picture;
    const bool grey = IsGrey(image);
    RefuseOversizedPicture(KindName, width, height, 4);
    const int factor = ShrinkFactor(width, height, request.MaxSize);
    const uint32_t bandRows = BandRows(tif, height);
    const int64_t band = int64_t{width} * bandRows * 4;
    ReserveDecodeMemory(picture, KindName, width, height,
                        int64_t(file.size()) + CodecBytes(tif) + band + int64_t{width} * 3 +
                            TRowShrinker::WorkBytes(int32_t(width), grey ? 1 : 3) +
                            ShapingBytes(ShrunkSide(width, factor), ShrunkSide(height, factor)));
    picture.IccProfile = grey ? std::vector<uint8_t>{} : ProfileOf(tif);
    picture.Orientation = OrientationOf(tif);
    // Rows come as stored; the orientation is applied to the small result.
    image.req_orientation = image.orientation;

    std::vector<uint32_t> raster(static_cast<size_t>(width) * bandRows);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    TRowShrinker shrinker(int32_t(width), int32_t(height), grey ? 1 : 3, factor);
    for (uint32_t top = 0; top < height; top += bandRows) {
        const uint32_t rows = std::min(bandRows, height - top);
        image.row_offset = int(top);
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster.data(), width, rows))
            tiff.Fail("the picture data is damaged");
        DeliverBand(raster.data(), width, rows, grey, request.Background, row, shrinker);
    }
    picture.Bitmap = shrinker.TakeBitmap();
    return picture;
}

}  // namespace

const TPictureDecoder TiffDecoder{TPictureKind::pkTiff, KindName, HoldsTiff, DecodeTiff};
