#include "PictureKinds.h"

#include "decoders/PictureDecoder.h"

#include <algorithm>
#include <array>

namespace {

struct TNamedKind {
    std::string_view Extension;
    TPictureKind Kind;
};

constexpr std::array<TNamedKind, 23> Extensions{{
    {"jpg", TPictureKind::pkJpeg},  {"jpeg", TPictureKind::pkJpeg}, {"jpe", TPictureKind::pkJpeg},
    {"jfif", TPictureKind::pkJpeg}, {"heic", TPictureKind::pkHeif}, {"heif", TPictureKind::pkHeif},
    {"hif", TPictureKind::pkHeif},  {"avif", TPictureKind::pkAvif}, {"png", TPictureKind::pkPng},
    {"webp", TPictureKind::pkWebp}, {"tif", TPictureKind::pkTiff},  {"tiff", TPictureKind::pkTiff},
    {"dng", TPictureKind::pkRaw},   {"cr2", TPictureKind::pkRaw},   {"cr3", TPictureKind::pkRaw},
    {"nef", TPictureKind::pkRaw},   {"nrw", TPictureKind::pkRaw},   {"arw", TPictureKind::pkRaw},
    {"raf", TPictureKind::pkRaw},   {"orf", TPictureKind::pkRaw},   {"rw2", TPictureKind::pkRaw},
    {"pef", TPictureKind::pkRaw},   {"srw", TPictureKind::pkRaw},
}};

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

}  // namespace

std::string_view NameExtension(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
}

TPictureKind PictureKindOfName(std::string_view path)
{
    const std::string_view extension = NameExtension(path);
    for (const auto& named : Extensions)
        if (SameIgnoringAsciiCase(extension, named.Extension))
            return named.Kind;
    return TPictureKind::pkUnknown;
}

TPictureKind PictureKindOfContent(std::span<const uint8_t> file)
{
    if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF)
        return TPictureKind::pkJpeg;
    for (const TPictureDecoder* decoder : PictureDecoders())
        if (decoder->Holds(file))
            return decoder->Kind;
    return TPictureKind::pkUnknown;
}

std::vector<std::string> PictureExtensions()
{
    std::vector<std::string> extensions;
    for (const auto& named : Extensions)
        extensions.emplace_back(named.Extension);
    return extensions;
}
