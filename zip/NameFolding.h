#pragma once
// How entry names compare for the duplicate test: two names that one
// case-insensitive disk would take for the same file are the same entry.

#include <string>

// The name with letter case folded in any script (simple Unicode case
// folding), then A to Z upper-cased. A name that is not valid UTF-8 only
// has A to Z upper-cased.
std::string FoldedName(const std::string& name);
