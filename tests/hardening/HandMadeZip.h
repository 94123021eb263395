#pragma once
// Archives put together byte by byte, including ones no sound writer makes:
// odd entry names, wrong counts, Zip64 markers, comments that look like records.

#include <cstdint>
#include <string>
#include <vector>

struct THandMadeEntry {
    std::string Name;
    std::string Data;   // stored as it is (method 0)
    // When set, the central record claims this size; the local header has the real one.
    int CentralSize = -1;
};

struct THandMadeZip {
    std::vector<THandMadeEntry> Entries;
    std::string Comment;
    // When set, the end record claims this many entries instead of the real count.
    int CountOverride = -1;
    // Writes 0xFFFF / 0xFFFFFFFF in the end record and a Zip64 end record and locator before it.
    bool Zip64 = false;

    std::vector<uint8_t> Bytes() const;
};
