#pragma once
// The records an archive needs once it outgrows the classic fields: the
// zip64 end record and its locator, and the zip64 block of an entry's
// extra field, which holds the values its header marks as saturated.

#include "Stream.h"

#include <cstdint>
#include <optional>
#include <string>

inline constexpr uint32_t Zip64EndSignature = 0x06064B50;
inline constexpr uint32_t Zip64LocatorSignature = 0x07064B50;
inline constexpr int Zip64EndSize = 56;
inline constexpr int Zip64LocatorSize = 20;
inline constexpr uint16_t ExtraZip64 = 0x0001;
inline constexpr uint16_t VersionZip64 = 45;
// A classic field with this value stands for one in the zip64 block.
inline constexpr uint32_t Saturated32 = 0xFFFFFFFFu;
inline constexpr uint16_t Saturated16 = 0xFFFF;

class TZip64End {
public:
    // From the 56 fixed bytes; false when the signature or the size is wrong.
    bool Parse(const uint8_t* bytes);
    void SaveToStream(TStream& stream) const;

    uint32_t DiskNumber = 0;
    uint32_t StartDiskNumber = 0;
    uint64_t EntriesOnDisk = 0;
    uint64_t TotalEntries = 0;
    uint64_t DirectorySize = 0;
    uint64_t DirectoryOffset = 0;
};

class TZip64Locator {
public:
    bool Parse(const uint8_t* bytes);
    void SaveToStream(TStream& stream) const;

    uint32_t EndDisk = 0;
    uint64_t EndOffset = 0;
    uint32_t TotalDisks = 1;
};

// The data of the extra block with the tag, if there is one.
std::optional<std::string> FindExtraBlock(const std::string& extra, uint16_t tag);
// The extra field with that block's data replaced (the block put first when
// it was not there).
std::string WithExtraBlock(const std::string& extra, uint16_t tag, const std::string& data);
std::string WithoutExtraBlock(const std::string& extra, uint16_t tag);

// The fields a zip64 block can stand in for, in the order it holds them.
enum class TZip64Field { Uncompressed, Compressed, Offset };

// Which classic fields of a header are saturated.
struct TSaturated {
    bool Uncompressed = false;
    bool Compressed = false;
    bool Offset = false;
};

// The field's value from the zip64 block, which holds a value for each
// saturated field in order; none when the block or the value is missing.
// A local header's block holds both sizes when either is saturated.
std::optional<uint64_t> Zip64Value(const std::string& extra, TSaturated saturated, TZip64Field field, bool local);
// The extra field with the block holding the field's value: replaced where
// the field was saturated `before`, put in its place among the others where not.
std::string WithZip64Value(const std::string& extra, TSaturated before, TZip64Field field, uint64_t value);
