#include "Zip64Records.h"

#include <algorithm>

namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t Get64(const uint8_t* p) { return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32; }

void Put(uint8_t* p, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

const uint8_t* Bytes(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

std::string Block(uint16_t tag, const std::string& data)
{
    uint8_t head[4];
    Put(head, tag, 2);
    Put(head + 2, data.size(), 2);
    return std::string(reinterpret_cast<const char*>(head), 4) + data;
}

// Offset of the field's value within the block, counting the values before it.
size_t PlaceOf(TSaturated saturated, TZip64Field field, bool local)
{
    size_t at = 0;
    if (field == TZip64Field::Uncompressed)
        return at;
    if (saturated.Uncompressed || (local && saturated.Compressed))
        at += 8;
    if (field == TZip64Field::Compressed)
        return at;
    if (saturated.Compressed)
        at += 8;
    return at;
}

} // namespace

bool TZip64End::Parse(const uint8_t* p)
{
    if (Get32(p) != Zip64EndSignature || Get64(p + 4) < Zip64EndSize - 12)
        return false;
    DiskNumber = Get32(p + 16);
    StartDiskNumber = Get32(p + 20);
    EntriesOnDisk = Get64(p + 24);
    TotalEntries = Get64(p + 32);
    DirectorySize = Get64(p + 40);
    DirectoryOffset = Get64(p + 48);
    return true;
}

void TZip64End::SaveToStream(TStream& stream) const
{
    uint8_t b[Zip64EndSize] = {};
    Put(b, Zip64EndSignature, 4);
    Put(b + 4, Zip64EndSize - 12, 8);
    Put(b + 12, VersionZip64, 2);
    Put(b + 14, VersionZip64, 2);
    Put(b + 16, DiskNumber, 4);
    Put(b + 20, StartDiskNumber, 4);
    Put(b + 24, EntriesOnDisk, 8);
    Put(b + 32, TotalEntries, 8);
    Put(b + 40, DirectorySize, 8);
    Put(b + 48, DirectoryOffset, 8);
    stream.WriteBuffer(b, sizeof b);
}

bool TZip64Locator::Parse(const uint8_t* p)
{
    if (Get32(p) != Zip64LocatorSignature)
        return false;
    EndDisk = Get32(p + 4);
    EndOffset = Get64(p + 8);
    TotalDisks = Get32(p + 16);
    return true;
}

void TZip64Locator::SaveToStream(TStream& stream) const
{
    uint8_t b[Zip64LocatorSize] = {};
    Put(b, Zip64LocatorSignature, 4);
    Put(b + 4, EndDisk, 4);
    Put(b + 8, EndOffset, 8);
    Put(b + 16, TotalDisks, 4);
    stream.WriteBuffer(b, sizeof b);
}

std::optional<std::string> FindExtraBlock(const std::string& extra, uint16_t tag)
{
    const uint8_t* p = Bytes(extra);
    for (size_t at = 0; at + 4 <= extra.size();) {
        const size_t length = Get16(p + at + 2);
        if (at + 4 + length > extra.size())
            break;
        if (Get16(p + at) == tag)
            return extra.substr(at + 4, length);
        at += 4 + length;
    }
    return std::nullopt;
}

std::string WithExtraBlock(const std::string& extra, uint16_t tag, const std::string& data)
{
    const uint8_t* p = Bytes(extra);
    for (size_t at = 0; at + 4 <= extra.size();) {
        const size_t length = Get16(p + at + 2);
        if (at + 4 + length > extra.size())
            break;
        if (Get16(p + at) == tag)
            return extra.substr(0, at) + Block(tag, data) + extra.substr(at + 4 + length);
        at += 4 + length;
    }
    return Block(tag, data) + extra;
}

std::string WithoutExtraBlock(const std::string& extra, uint16_t tag)
{
    const uint8_t* p = Bytes(extra);
    for (size_t at = 0; at + 4 <= extra.size();) {
        const size_t length = Get16(p + at + 2);
        if (at + 4 + length > extra.size())
            break;
        if (Get16(p + at) == tag)
            return extra.substr(0, at) + extra.substr(at + 4 + length);
        at += 4 + length;
    }
    return extra;
}

std::optional<uint64_t> Zip64Value(const std::string& extra, TSaturated saturated, TZip64Field field, bool local)
{
    const std::optional<std::string> block = FindExtraBlock(extra, ExtraZip64);
    if (!block)
        return std::nullopt;
    // A local block with one size only holds that one.
    const bool both = local && block->size() >= 16;
    const size_t at = PlaceOf(saturated, field, both);
    if (at + 8 > block->size())
        return std::nullopt;
    return Get64(Bytes(*block) + at);
}

std::string WithZip64Value(const std::string& extra, TSaturated before, TZip64Field field, uint64_t value)
{
    std::string block = FindExtraBlock(extra, ExtraZip64).value_or(std::string());
    const size_t at = std::min(PlaceOf(before, field, false), block.size());
    const bool held = field == TZip64Field::Uncompressed ? before.Uncompressed
                      : field == TZip64Field::Compressed ? before.Compressed
                                                         : before.Offset;
    uint8_t bytes[8];
    Put(bytes, value, 8);
    const std::string encoded(reinterpret_cast<const char*>(bytes), 8);
    if (held && block.size() >= at + 8)
        block.replace(at, 8, encoded);
    else
        block.insert(at, encoded);
    return WithExtraBlock(extra, ExtraZip64, block);
}
