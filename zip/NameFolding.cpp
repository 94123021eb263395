#include "NameFolding.h"

#include <algorithm>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace {

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

std::string UpperAsciiOnly(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), UpperAscii);
    return name;
}

} // namespace

bool IsAsciiName(const std::string& name)
{
    return std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Simple folding keeps one character for one: "ß" stays apart from "ss",
// as it does on the disks whose collisions this test is about.
std::string FoldedName(const std::string& name)
{
    if (IsAsciiName(name))
        return UpperAsciiOnly(name);
    const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
    const int32_t length = static_cast<int32_t>(name.size());
    std::string folded;
    folded.reserve(name.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            return UpperAsciiOnly(name);
        c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        uint8_t encoded[U8_MAX_LENGTH];
        int32_t n = 0;
        U8_APPEND_UNSAFE(encoded, n, c);
        folded.append(reinterpret_cast<const char*>(encoded), static_cast<size_t>(n));
    }
    return UpperAsciiOnly(folded);
}

TNameMatch::TNameMatch(const std::string& name) : FName(name), FAscii(IsAsciiName(name))
{
}

bool TNameMatch::operator()(const std::string& other)
{
    if (EqualIgnoringAsciiCase(FName, other))
        return true;
    if (FAscii && IsAsciiName(other))
        return false;
    if (!FFolded) {
        FFoldedName = FoldedName(FName);
        FFolded = true;
    }
    return FFoldedName == FoldedName(other);
}
