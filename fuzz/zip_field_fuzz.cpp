// The ZIP field's text to archive name rule on arbitrary text. Nothing here
// may name an existing file, so the rule reduces to the first word, which has
// no blank or control character outside quotes and never holds a quote.

#include "FuzzScratch.h"
#include "ZipFileName.h"

#include <string>

namespace {

bool IsBreak(char c) { return static_cast<unsigned char>(c) <= ' '; }

void CheckWord(const std::string& text, const std::string& word)
{
    if (word.find('"') != std::string::npos)
        FuzzFail("first word keeps a quote");
    if (word.size() > text.size())
        FuzzFail("first word longer than the text");
    // Every character of the word comes from the text in order.
    size_t at = 0;
    for (char c : word) {
        at = text.find(c, at);
        if (at == std::string::npos)
            FuzzFail("first word holds a character the text lacks");
        ++at;
    }
    bool blankFree = true;
    for (char c : word)
        blankFree = blankFree && !IsBreak(c);
    if (text.find('"') == std::string::npos && !blankFree)
        FuzzFail("unquoted first word holds a blank");
    // A word quoted back round-trips when it has no quote-breaking content.
    if (blankFree && !word.empty() && FirstCommandLineWord(QuoteIfBlank(word)) != word)
        FuzzFail("quoting a word changes it");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A leading NUL keeps the text off the file system: no such file exists.
    std::string text(1, '\0');
    text.append(reinterpret_cast<const char*>(data), size);
    const std::string word = FirstCommandLineWord(text);
    CheckWord(text, word);
    if (ZipFileNameOf(text) != word)
        FuzzFail("the field's name differs from its first word");
    // With a name quoted when it has a blank, the first word is the whole name.
    std::string name;
    for (char c : word)
        if (c != ' ' && c != '"')
            name += c;
    if (!name.empty() && FirstCommandLineWord(QuoteIfBlank(name + " x")) != name + " x")
        FuzzFail("quoted name with a blank does not read back whole");
    return 0;
}
