#pragma once
// An independent reader of finished archives for the tests: the end record
// (and the zip64 one where its locator says so), the central directory and
// each entry's data, checked against its CRC.

#include <cstdint>
#include <string>
#include <vector>

struct TListedEntry {
    std::string Name;
    uint16_t Method = 0;
    uint32_t Crc = 0;
    uint32_t CompressedSize = 0;
    uint32_t Size = 0;
    uint64_t LocalOffset = 0;  // in the file, whatever the archive counts from
};

struct TZipListing {
    std::vector<TListedEntry> Entries;
    std::string Comment;
    std::vector<uint8_t> FileBytes;

    std::vector<std::string> Names() const;
    // The entry's uncompressed bytes; throws std::runtime_error when the
    // local header, the data or the CRC do not match the directory.
    std::vector<uint8_t> Extract(const TListedEntry& entry) const;
    const TListedEntry* Find(const std::string& name) const;
};

// Throws std::runtime_error when the file is no readable archive.
TZipListing ReadZipListing(const std::string& path);
