#pragma once
// The archive name that the ZIP field's text stands for.

#include <string>

// An existing file as typed; an existing folder with "/" appended; otherwise
// the first word, read like a command line (double quotes hold blanks).
std::string ZipFileNameOf(const std::string& text);

// The first word of a command line; "" when there is none.
std::string FirstCommandLineWord(const std::string& text);

// The name wrapped in double quotes when it holds a blank, so that the first
// word of the result is the whole name.
std::string QuoteIfBlank(const std::string& name);
