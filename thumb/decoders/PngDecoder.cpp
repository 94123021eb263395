#include "PictureDecoder.h"

#include "ExifOrientation.h"
#include "IccProfile.h"
#include "PixelRows.h"
#include "RowShrinker.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

// libpng reports errors by longjmp back to the setjmp of the entry that called
// it; those entries hold no object with a destructor.

namespace {

constexpr const char* KindName = "PNG";

struct TPngReader {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    const uint8_t* Data = nullptr;
    size_t Size = 0;
    size_t Offset = 0;
    char Message[256] = "";

    ~TPngReader() { png_destroy_read_struct(&Png, &Info, nullptr); }
};

struct TPngLayout {
    uint32_t Width = 0;
    uint32_t Height = 0;
    int Channels = 0;  // after the transforms: 1 grey, 3 blue-green-red, 4 red-green-blue-alpha
    size_t RowBytes = 0;
    bool Interlaced = false;
    int Orientation = 1;
    const uint8_t* Profile = nullptr;  // owned by libpng
    size_t ProfileSize = 0;
};

[[noreturn]] void TrapError(png_structp png, png_const_charp message)
{
    auto* reader = static_cast<TPngReader*>(png_get_error_ptr(png));
    std::snprintf(reader->Message, sizeof reader->Message, "%s", message);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

void ReadFromFile(png_structp png, png_bytep out, size_t length)
{
    auto* reader = static_cast<TPngReader*>(png_get_io_ptr(png));
    if (reader->Size - reader->Offset < length)
        png_error(png, "the file is cut short");
    std::memcpy(out, reader->Data + reader->Offset, length);
    reader->Offset += length;
}

void SetTransforms(png_structp png, png_infop info)
{
    png_set_expand(png);  // palette to colour, low bit depths to 8, transparency to alpha
    if (png_get_bit_depth(png, info) == 16)
        png_set_scale_16(png);
    const int type = png_get_color_type(png, info);
    const bool alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    const bool grey = (type & PNG_COLOR_MASK_COLOR) == 0 && type != PNG_COLOR_TYPE_PALETTE;
    if (alpha && grey)
        png_set_gray_to_rgb(png);  // laid on a coloured background it becomes colour
    if (!alpha)
        png_set_bgr(png);
}

void ReadLayout(png_structp png, png_infop info, TPngLayout& layout)
{
    layout.Width = png_get_image_width(png, info);
    layout.Height = png_get_image_height(png, info);
    layout.Interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) == PNG_INFO_iCCP) {
        layout.Profile = profile;
        layout.ProfileSize = profileSize;
    }
    png_bytep exif = nullptr;
    png_uint_32 exifSize = 0;
    if (png_get_eXIf_1(png, info, &exifSize, &exif) != 0)
        layout.Orientation = ExifOrientationOfTiff(exif, exifSize);
}

bool ReadHeaderProtected(TPngReader& r, TPngLayout& layout)
{
    if (setjmp(png_jmpbuf(r.Png)))
        return false;
    png_set_read_fn(r.Png, &r, ReadFromFile);
    png_read_info(r.Png, r.Info);
    ReadLayout(r.Png, r.Info, layout);
    SetTransforms(r.Png, r.Info);
    if (layout.Interlaced)
        png_set_interlace_handling(r.Png);
    png_read_update_info(r.Png, r.Info);
    layout.Channels = png_get_channels(r.Png, r.Info);
    layout.RowBytes = png_get_rowbytes(r.Png, r.Info);
    return true;
}

// One row in the shape the shrinker takes.
void DeliverRow(const TPngLayout& layout, const uint8_t* row, uint8_t* converted, TColor background,
                TRowShrinker& shrinker)
{
    if (layout.Channels == 4) {
        RgbaOnBackground(row, int32_t(layout.Width), background, converted);
        shrinker.AddRow(converted);
    } else {
        shrinker.AddRow(row);
    }
}

bool ReadRowsProtected(TPngReader& r, const TPngLayout& layout, uint8_t* rows, uint8_t* converted,
                       TColor background, TRowShrinker& shrinker)
{
    if (setjmp(png_jmpbuf(r.Png)))
        return false;
    if (!layout.Interlaced) {
        for (uint32_t y = 0; y < layout.Height; ++y) {
            png_read_row(r.Png, rows, nullptr);
            DeliverRow(layout, rows, converted, background, shrinker);
        }
        return true;
    }
    // Every pass fills in rows all over the picture: the whole of it is kept.
    const int passes = png_set_interlace_handling(r.Png);
    for (int pass = 0; pass < passes; ++pass)
        for (uint32_t y = 0; y < layout.Height; ++y)
            png_read_row(r.Png, rows + y * layout.RowBytes, nullptr);
    for (uint32_t y = 0; y < layout.Height; ++y)
        DeliverRow(layout, rows + y * layout.RowBytes, converted, background, shrinker);
    return true;
}

bool HoldsPng(std::span<const uint8_t> file)
{
    return file.size() >= 8 && png_sig_cmp(file.data(), 0, 8) == 0;
}

TDecodedPicture DecodePng(std::span<const uint8_t> file, const TDecodeRequest& request)
{
    TPngReader r;
    r.Data = file.data();
    r.Size = file.size();
    r.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, TrapError, IgnoreWarning);
    if (r.Png)
        r.Info = png_create_info_struct(r.Png);
    if (!r.Png || !r.Info)
        throw EPictureError(KindName, "out of memory");

    TPngLayout layout;
    if (!ReadHeaderProtected(r, layout))
        throw EPictureError(KindName, r.Message);

    TDecodedPicture picture;
    const int factor = ShrinkFactor(layout.Width, layout.Height, request.MaxSize);
    const int outChannels = layout.Channels == 1 ? 1 : 3;
    const int64_t rowBytes = int64_t(layout.RowBytes) * (layout.Interlaced ? int64_t{layout.Height} : 1);
    ReserveDecodeMemory(picture, KindName, layout.Width, layout.Height,
                        int64_t(file.size()) + rowBytes + int64_t{layout.Width} * 3 +
                            TRowShrinker::WorkBytes(int32_t(layout.Width), outChannels) +
                            ShapingBytes(ShrunkSide(layout.Width, factor), ShrunkSide(layout.Height, factor)));
    if (layout.ProfileSize > 0 && IsWholeRgbProfile(layout.Profile, layout.ProfileSize) && outChannels == 3)
        picture.IccProfile.assign(layout.Profile, layout.Profile + layout.ProfileSize);
    picture.Orientation = layout.Orientation;

    std::vector<uint8_t> rows(static_cast<size_t>(rowBytes));
    std::vector<uint8_t> converted(static_cast<size_t>(layout.Width) * 3);
    TRowShrinker shrinker(int32_t(layout.Width), int32_t(layout.Height), outChannels, factor);
    if (!ReadRowsProtected(r, layout, rows.data(), converted.data(), request.Background, shrinker))
        throw EPictureError(KindName, r.Message);
    picture.Bitmap = shrinker.TakeBitmap();
    return picture;
}

}  // namespace

const TPictureDecoder PngDecoder{TPictureKind::pkPng, KindName, HoldsPng, DecodePng};
