#include "PictureDecoder.h"

#include "HeifCodedSize.h"
#include "IccProfile.h"
#include "NclxProfile.h"
#include "PixelRows.h"
#include "RowShrinker.h"

#include <algorithm>
#include <cstring>

#include <libheif/heif.h>

namespace {

// The reason in libheif's "Category: reason" message, as our messages write it.
std::string ReasonOf(const heif_error& error)
{
    std::string text = error.message ? error.message : "";
    const auto colon = text.rfind(": ");
    if (colon != std::string::npos)
        text = text.substr(colon + 2);
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z')
        text[0] = char(text[0] - 'A' + 'a');
    return text.empty() ? "the file is damaged" : text;
}

struct TContext {
    heif_context* Handle = heif_context_alloc();
    ~TContext() { heif_context_free(Handle); }
};

struct THandle {
    heif_image_handle* Handle = nullptr;
    ~THandle() { heif_image_handle_release(Handle); }
};

struct TImage {
    heif_image* Handle = nullptr;
    ~TImage() { heif_image_release(Handle); }
};

struct TOptions {
    heif_decoding_options* Handle = heif_decoding_options_alloc();
    ~TOptions() { heif_decoding_options_free(Handle); }
};

class THeifReader {
public:
    explicit THeifReader(const char* kindName) : FKind(kindName) {}

    void Check(const heif_error& error) const
    {
        if (error.code != heif_error_Ok)
            throw EPictureError(FKind, ReasonOf(error));
    }
    const char* Kind() const { return FKind; }

private:
    const char* FKind;
};

int LongerSide(const heif_image_handle* handle)
{
    return std::max(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
}

// The smallest thumbnail image still as large as the thumbnail, as its own handle.
bool ChooseThumbnail(const heif_image_handle* primary, int32_t maxSize, THandle& chosen, heif_item_id& chosenId)
{
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count <= 0)
        return false;
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    for (const heif_item_id id : ids) {
        THandle thumbnail;
        if (heif_image_handle_get_thumbnail(primary, id, &thumbnail.Handle).code != heif_error_Ok)
            continue;
        const int longer = LongerSide(thumbnail.Handle);
        if (longer >= maxSize && (!chosen.Handle || longer < LongerSide(chosen.Handle))) {
            std::swap(chosen.Handle, thumbnail.Handle);
            chosenId = id;
        }
    }
    return chosen.Handle != nullptr;
}

std::vector<uint8_t> ProfileOf(const heif_image_handle* handle)
{
    switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        std::vector<uint8_t> profile(heif_image_handle_get_raw_color_profile_size(handle));
        if (profile.empty() || heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok ||
            !IsWholeRgbProfile(profile.data(), profile.size()))
            return {};
        return profile;
    }
    case heif_color_profile_type_nclx: {
        heif_color_profile_nclx* nclx = nullptr;
        // libheif hands the profile over even when it reports unknown code points.
        const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &nclx);
        const std::unique_ptr<heif_color_profile_nclx, decltype(&heif_nclx_color_profile_free)> owned(
            nclx, &heif_nclx_color_profile_free);
        if (error.code != heif_error_Ok || !nclx)
            return {};
        return ProfileForNclx(nclx->color_primaries, nclx->transfer_characteristics);
    }
    default:
        return {};
    }
}

// What decoding holds: the coded planes (up to three, two bytes a sample above
// 8 bits), in the decoder and in libheif's copy of them, at the larger of the
// picture's size and the size its streams declare; and the interleaved colour
// they are converted to.
int64_t DecodeBytes(const heif_image_handle* handle, bool alpha, uint64_t codedPixels)
{
    const int64_t pixels = int64_t{heif_image_handle_get_width(handle)} * heif_image_handle_get_height(handle);
    const int64_t sampleBytes = heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ? 2 : 1;
    const int64_t planes = int64_t(std::min<uint64_t>(std::max<uint64_t>(codedPixels, uint64_t(pixels)), 1ull << 40));
    return planes * 2 * (3 * sampleBytes + (alpha ? sampleBytes : 0)) + pixels * (alpha ? 4 : 3);
}

std::unique_ptr<TBitmap> ShrunkRows(const char* kindName, const heif_image* image, bool alpha, bool premultiplied,
                                    const TDecodeRequest& request)
{
    const int width = heif_image_get_primary_width(image), height = heif_image_get_primary_height(image);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (!plane || width <= 0 || height <= 0)
        throw EPictureError(kindName, "the picture has no pixels");
    TRowShrinker shrinker(width, height, 3, ShrinkFactor(width, height, request.MaxSize));
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = plane + size_t(y) * size_t(stride);
        if (!alpha)
            RgbToBgr(in, width, row.data());
        else if (premultiplied)
            PremultipliedRgbaOnBackground(in, width, request.Background, row.data());
        else
            RgbaOnBackground(in, width, request.Background, row.data());
        shrinker.AddRow(row.data());
    }
    return shrinker.TakeBitmap();
}

TDecodedPicture DecodeWith(const THeifReader& reader, std::span<const uint8_t> file, const TDecodeRequest& request)
{
    TContext context;
    if (!context.Handle)
        throw EPictureError(reader.Kind(), "out of memory");
    // Pictures are decoded on the workers of the run, each picture on one.
    heif_context_set_max_decoding_threads(context.Handle, 0);
    reader.Check(heif_context_read_from_memory_without_copy(context.Handle, file.data(), file.size(), nullptr));
    THandle primary;
    reader.Check(heif_context_get_primary_image_handle(context.Handle, &primary.Handle));

    heif_item_id chosenId = 0;
    reader.Check(heif_context_get_primary_image_ID(context.Handle, &chosenId));
    THandle thumbnail;
    const heif_image_handle* chosen =
        ChooseThumbnail(primary.Handle, request.MaxSize, thumbnail, chosenId) ? thumbnail.Handle : primary.Handle;
    const bool alpha = heif_image_handle_has_alpha_channel(chosen) != 0;
    const int width = heif_image_handle_get_width(chosen), height = heif_image_handle_get_height(chosen);
    if (width <= 0 || height <= 0)
        throw EPictureError(reader.Kind(), "the picture has no pixels");

    TDecodedPicture picture;
    const int factor = ShrinkFactor(width, height, request.MaxSize);
    const TCodedSize coded = std::max(CodedSizeOf(file, chosenId), TCodedSize{uint64_t(width), uint64_t(height)});
    ReserveDecodeMemory(picture, reader.Kind(), int64_t(coded.Width), int64_t(coded.Height),
                        int64_t(file.size()) + DecodeBytes(chosen, alpha, coded.Pixels()) +
                            TRowShrinker::WorkBytes(width, 3) +
                            ShapingBytes(ShrunkSide(width, factor), ShrunkSide(height, factor)));
    picture.IccProfile = ProfileOf(chosen);
    if (picture.IccProfile.empty() && chosen != primary.Handle)
        picture.IccProfile = ProfileOf(primary.Handle);

    TOptions options;
    if (!options.Handle)
        throw EPictureError(reader.Kind(), "out of memory");
    options.Handle->convert_hdr_to_8bit = 1;
    TImage image;
    reader.Check(heif_decode_image(chosen, &image.Handle, heif_colorspace_RGB,
                                   alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                   options.Handle));
    picture.Bitmap = ShrunkRows(reader.Kind(), image.Handle, alpha, heif_image_handle_is_premultiplied_alpha(chosen) != 0, request);
    return picture;
}

// The brands of the file's leading "ftyp" box: the major one first.
std::vector<std::string> BrandsOf(std::span<const uint8_t> file)
{
    if (file.size() < 16 || std::memcmp(file.data() + 4, "ftyp", 4) != 0)
        return {};
    const size_t boxSize = size_t(file[0]) << 24 | size_t(file[1]) << 16 | size_t(file[2]) << 8 | file[3];
    const size_t end = std::min(boxSize, file.size());
    std::vector<std::string> brands{std::string(reinterpret_cast<const char*>(file.data()) + 8, 4)};
    for (size_t at = 16; at + 4 <= end; at += 4)
        brands.emplace_back(reinterpret_cast<const char*>(file.data()) + at, 4);
    return brands;
}

bool HasBrand(const std::vector<std::string>& brands, std::initializer_list<const char*> wanted)
{
    return std::any_of(brands.begin(), brands.end(), [&](const std::string& brand) {
        return std::any_of(wanted.begin(), wanted.end(), [&](const char* w) { return brand == w; });
    });
}

bool IsAvif(const std::vector<std::string>& brands)
{
    return !brands.empty() && (brands[0] == "avif" || brands[0] == "avis" ||
                               (HasBrand(brands, {"avif", "avis"}) && !HasBrand(brands, {"heic", "heix"})));
}

bool HoldsHeif(std::span<const uint8_t> file)
{
    const auto brands = BrandsOf(file);
    return !IsAvif(brands) && HasBrand(brands, {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs",
                                                "mif1", "msf1"});
}

bool HoldsAvif(std::span<const uint8_t> file)
{
    return IsAvif(BrandsOf(file));
}

TDecodedPicture DecodeHeif(std::span<const uint8_t> file, const TDecodeRequest& request)
{
    return DecodeWith(THeifReader("HEIF"), file, request);
}

TDecodedPicture DecodeAvif(std::span<const uint8_t> file, const TDecodeRequest& request)
{
    return DecodeWith(THeifReader("AVIF"), file, request);
}

}  // namespace

const TPictureDecoder HeifDecoder{TPictureKind::pkHeif, "HEIF", HoldsHeif, DecodeHeif};
const TPictureDecoder AvifDecoder{TPictureKind::pkAvif, "AVIF", HoldsAvif, DecodeAvif};
