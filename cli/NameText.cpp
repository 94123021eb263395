#include "NameText.h"

#include <cstdio>
#include <vector>

namespace {

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where each character starts.
std::vector<size_t> CharacterStarts(const std::string& text)
{
    std::vector<size_t> starts;
    for (size_t k = 0; k < text.size(); ++k)
        if (!IsContinuationByte(text[k]))
            starts.push_back(k);
    return starts;
}

} // namespace

std::string EscapedName(const std::string& name)
{
    std::string shown;
    shown.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            shown += "\\n";
        else if (c == '\t')
            shown += "\\t";
        else if (c == '\r')
            shown += "\\r";
        else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        } else
            shown += c;
    }
    return shown;
}

std::string ShortenedToColumns(const std::string& text, int columns)
{
    const std::vector<size_t> starts = CharacterStarts(text);
    if (columns < 0)
        columns = 0;
    if (starts.size() <= static_cast<size_t>(columns))
        return text;
    if (columns == 0)
        return {};
    const std::string ellipsis = "\xE2\x80\xA6";
    const size_t kept = static_cast<size_t>(columns) - 1;  // one column for the ellipsis
    return kept == 0 ? ellipsis : ellipsis + text.substr(starts[starts.size() - kept]);
}

std::string CountText(int count, const std::string& one, const std::string& many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}
