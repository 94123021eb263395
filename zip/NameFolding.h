#pragma once
// How entry names compare for the duplicate test: two names that one
// case-insensitive disk would take for the same file are the same entry.

#include <string>

// The name with letter case folded in any script (simple Unicode case
// folding), then A to Z upper-cased. A name that is not valid UTF-8 only
// has A to Z upper-cased.
std::string FoldedName(const std::string& name);

// Only ASCII bytes: such a name folds to its A to Z upper-casing alone.
bool IsAsciiName(const std::string& name);

// A name compared with many others, as along a chain of the name index:
// folded once, and only where folding can tell what A to Z cannot.
class TNameMatch {
public:
    explicit TNameMatch(const std::string& name);
    bool operator()(const std::string& other);

private:
    const std::string& FName;
    bool FAscii;
    bool FFolded = false;
    std::string FFoldedName;
};
