// The paste splitter on arbitrary clipboard text: lines never hold a break or
// a zero byte, joining them back gives the text with every break made CR LF,
// and splitting a joined list gives the same list.

#include "FuzzScratch.h"
#include "ListEditing.h"

#include <string>

namespace {

std::string WithCrLfBreaks(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.compare(out.size() - 1, 1, "\n") != 0)
        out += "\r\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto lines = SplitClipboardLines(text);
    for (const auto& line : lines)
        if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            FuzzFail("a pasted line holds a break or a zero byte");
    const std::string upToZero = text.substr(0, text.find('\0'));
    const std::string joined = JoinClipboardLines(lines);
    if (joined != WithCrLfBreaks(upToZero))
        FuzzFail("joined lines differ from the text");
    if (SplitClipboardLines(joined) != lines)
        FuzzFail("splitting joined lines gives another list");
    return 0;
}
