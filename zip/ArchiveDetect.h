#pragma once
// What kind of archive a file name denotes: by its content when the file
// exists and is not empty, otherwise by its extension.

#include <cstdint>
#include <string>

enum TArchiveType : uint8_t {
    atUnknown = 0, atZip, atSpannedZip, atSelfExtZip, atTar, atGzip, atGzippedTar, atCab
};

// From the last dot of the file-name part on, upper-cased; empty without a dot.
std::string ArchiveExtension(const std::string& name);

TArchiveType DetectArchiveKind(const std::string& name);
