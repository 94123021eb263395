#include "ZipFileName.h"

#include "FileSystem.h"

namespace {

// Blanks and control characters both end a word.
bool IsWordBreak(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::string FirstCommandLineWord(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && IsWordBreak(text[i]))
        ++i;
    std::string word;
    bool quoted = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && IsWordBreak(c))
            break;
        else
            word += c;
    }
    return word;
}

std::string ZipFileNameOf(const std::string& text)
{
    if (FileExists(text))
        return text;
    if (DirectoryExists(text))
        return text.back() == '/' ? text : text + '/';
    return FirstCommandLineWord(text);
}

std::string QuoteIfBlank(const std::string& name)
{
    return name.find(' ') == std::string::npos ? name : '"' + name + '"';
}
