#pragma once
// File names and counts as plinkavorte-batch prints them.

#include <string>

// The name with every control character written as an escape ("\n", "\t",
// "\x1B"), so that a name cannot break a line or steer the terminal.
std::string EscapedName(const std::string& name);

// The text cut to at most `columns` characters (UTF-8 sequences count as
// one), its start given up for "…": the end of a path names the file.
std::string ShortenedToColumns(const std::string& text, int columns);

// "1 picture", "0 pictures", "3 pictures".
std::string CountText(int count, const std::string& one, const std::string& many);
