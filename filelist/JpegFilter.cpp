#include "JpegFilter.h"

#include <array>

namespace {

struct TFormatEntry {
    const char* Extension;
    const char* Description;
};

// The registrations of the JPEG picture class, newest first.
constexpr std::array<TFormatEntry, 6> kFormats{{
    {"jpeg", "JPEG images"},
    {"jpe", "JPE images"},
    {"jpg", "JPG images"},
    {"jfif", "JFIF images"},
    {"jpg", "JPEG Image File"},
    {"jpeg", "JPEG Image File"},
}};

std::string BuildFilterText()
{
    std::string patterns;
    for (const auto& format : kFormats) {
        if (!patterns.empty())
            patterns += ';';
        patterns += std::string("*.") + format.Extension;
    }
    std::string text = "All (" + patterns + ")|" + patterns + "|";
    bool first = true;
    for (const auto& format : kFormats) {
        if (!first)
            text += '|';
        first = false;
        text += std::string(format.Description) + " (*." + format.Extension + ")|*." + format.Extension;
    }
    return text;
}

} // namespace

const std::string& JpegFilterText()
{
    static const std::string text = BuildFilterText();
    return text;
}
