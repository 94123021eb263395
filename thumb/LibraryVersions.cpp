#include "LibraryVersions.h"

#include <cstdio>
#include <jpeglib.h>
#include <lcms2.h>
#include <libheif/heif.h>
#include <libraw/libraw.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>

namespace {

#define PLK_STRINGIFY_(x) #x
#define PLK_STRINGIFY(x) PLK_STRINGIFY_(x)

// Versions packed as major * 65536 + minor * 256 + revision.
std::string PackedVersion(int packed)
{
    return std::to_string((packed >> 16) & 0xFF) + "." + std::to_string((packed >> 8) & 0xFF) + "." +
           std::to_string(packed & 0xFF);
}

// LittleCMS packs its version as major * 1000 + minor * 10 (+ revision).
std::string LcmsVersion(int encoded)
{
    return std::to_string(encoded / 1000) + "." + std::to_string(encoded % 1000 / 10);
}

// libtiff's banner: "LIBTIFF, Version 4.5.0\nCopyright..."; the number alone.
std::string TiffVersion()
{
    const std::string banner = TIFFGetVersion();
    const size_t start = banner.find("Version ");
    if (start == std::string::npos)
        return banner.substr(0, banner.find('\n'));
    const size_t from = start + 8;
    return banner.substr(from, banner.find_first_of(" \n", from) - from);
}

} // namespace

std::vector<TLibraryVersion> PictureLibraryVersions()
{
    return {
#ifdef LIBJPEG_TURBO_VERSION
        {"libjpeg-turbo", PLK_STRINGIFY(LIBJPEG_TURBO_VERSION)},
#else
        {"libjpeg", std::to_string(JPEG_LIB_VERSION)},
#endif
        {"libpng", png_get_libpng_ver(nullptr)},
        {"libwebp", PackedVersion(WebPGetDecoderVersion())},
        {"libtiff", TiffVersion()},
        {"libheif", heif_get_version()},
        {"LibRaw", libraw_version()},
        {"LittleCMS", LcmsVersion(cmsGetEncodedCMMversion())},
    };
}
