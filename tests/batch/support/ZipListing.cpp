#include "ZipListing.h"

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

uint16_t Get16(const std::vector<uint8_t>& b, size_t at)
{
    if (at + 2 > b.size())
        throw std::runtime_error("archive truncated");
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t Get32(const std::vector<uint8_t>& b, size_t at)
{
    return Get16(b, at) | (static_cast<uint32_t>(Get16(b, at + 2)) << 16);
}

uint64_t Get64(const std::vector<uint8_t>& b, size_t at)
{
    return Get32(b, at) | (static_cast<uint64_t>(Get32(b, at + 4)) << 32);
}

// The entry's offset: from its zip64 block when the field says 0xFFFFFFFF,
// after the sizes that are saturated too.
uint64_t LocalOffsetOf(const std::vector<uint8_t>& b, size_t record, size_t extraAt, size_t extraLength)
{
    const uint32_t offset = Get32(b, record + 42);
    if (offset != 0xFFFFFFFFu)
        return offset;
    size_t skip = (Get32(b, record + 24) == 0xFFFFFFFFu ? 8 : 0) + (Get32(b, record + 20) == 0xFFFFFFFFu ? 8 : 0);
    for (size_t at = extraAt; at + 4 <= extraAt + extraLength; at += 4 + Get16(b, at + 2))
        if (Get16(b, at) == 1 && Get16(b, at + 2) >= skip + 8)
            return Get64(b, at + 4 + skip);
    throw std::runtime_error("offset 0xFFFFFFFF without a zip64 block");
}

size_t FindEndRecord(const std::vector<uint8_t>& b)
{
    if (b.size() < 22)
        throw std::runtime_error("too short for an archive");
    for (size_t at = b.size() - 22 + 1; at-- > 0;)
        if (Get32(b, at) == 0x06054B50u)
            return at;
    throw std::runtime_error("no end record");
}

std::vector<uint8_t> InflateRaw(const uint8_t* data, size_t size, size_t expected)
{
    std::vector<uint8_t> out(expected);
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        throw std::runtime_error("inflateInit2 failed");
    z.next_in = const_cast<uint8_t*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&z, Z_FINISH);
    const size_t produced = z.total_out;
    inflateEnd(&z);
    if (result != Z_STREAM_END || produced != expected)
        throw std::runtime_error("deflated data does not inflate to its size");
    return out;
}

} // namespace

std::vector<std::string> TZipListing::Names() const
{
    std::vector<std::string> names;
    for (const auto& entry : Entries)
        names.push_back(entry.Name);
    return names;
}

const TListedEntry* TZipListing::Find(const std::string& name) const
{
    for (const auto& entry : Entries)
        if (entry.Name == name)
            return &entry;
    return nullptr;
}

std::vector<uint8_t> TZipListing::Extract(const TListedEntry& entry) const
{
    const size_t at = entry.LocalOffset;
    if (Get32(FileBytes, at) != 0x04034B50u)
        throw std::runtime_error("bad local header signature for " + entry.Name);
    const size_t nameLength = Get16(FileBytes, at + 26);
    const size_t extraLength = Get16(FileBytes, at + 28);
    if (std::string(FileBytes.begin() + at + 30, FileBytes.begin() + at + 30 + nameLength) != entry.Name)
        throw std::runtime_error("local name differs for " + entry.Name);
    const size_t dataAt = at + 30 + nameLength + extraLength;
    if (dataAt + entry.CompressedSize > FileBytes.size())
        throw std::runtime_error("entry data truncated for " + entry.Name);

    std::vector<uint8_t> data;
    if (entry.Method == 0)
        data.assign(FileBytes.begin() + dataAt, FileBytes.begin() + dataAt + entry.CompressedSize);
    else if (entry.Method == 8)
        data = InflateRaw(FileBytes.data() + dataAt, entry.CompressedSize, entry.Size);
    else
        throw std::runtime_error("unexpected method for " + entry.Name);
    if (crc32(0L, data.data(), static_cast<uInt>(data.size())) != entry.Crc)
        throw std::runtime_error("CRC mismatch for " + entry.Name);
    return data;
}

TZipListing ReadZipListing(const std::string& path)
{
    TZipListing listing;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    listing.FileBytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    const auto& b = listing.FileBytes;

    const size_t end = FindEndRecord(b);
    uint64_t total = Get16(b, end + 10);
    uint64_t stated = Get32(b, end + 16);
    uint64_t size = Get32(b, end + 12);
    size_t directoryEnd = end;
    if (end >= 20 && Get32(b, end - 20) == 0x07064B50u) {
        directoryEnd = end - 20 - 56;
        if (end < 76 || Get32(b, directoryEnd) != 0x06064B50u)
            throw std::runtime_error("zip64 locator without a zip64 end record before it");
        total = Get64(b, directoryEnd + 32);
        size = Get64(b, directoryEnd + 40);
        stated = Get64(b, directoryEnd + 48);
    }
    // Offsets may count from the archive's start, after bytes put in front of it.
    if (size > directoryEnd || stated > directoryEnd - size)
        throw std::runtime_error("central directory placed outside the file");
    const uint64_t shift = directoryEnd - size - stated;
    size_t at = directoryEnd - size;
    const uint16_t commentLength = Get16(b, end + 20);
    if (end + 22 + commentLength != b.size())
        throw std::runtime_error("comment length does not reach the end of the file");
    listing.Comment.assign(b.begin() + end + 22, b.end());

    for (uint64_t k = 0; k < total; ++k) {
        if (Get32(b, at) != 0x02014B50u)
            throw std::runtime_error("bad central directory signature");
        TListedEntry entry;
        entry.Method = Get16(b, at + 10);
        entry.Crc = Get32(b, at + 16);
        entry.CompressedSize = Get32(b, at + 20);
        entry.Size = Get32(b, at + 24);
        const size_t nameLength = Get16(b, at + 28);
        const size_t extraLength = Get16(b, at + 30);
        const size_t entryCommentLength = Get16(b, at + 32);
        if (at + 46 + nameLength + extraLength > b.size())
            throw std::runtime_error("central directory truncated");
        entry.Name.assign(b.begin() + at + 46, b.begin() + at + 46 + nameLength);
        entry.LocalOffset = LocalOffsetOf(b, at, at + 46 + nameLength, extraLength) + shift;
        listing.Entries.push_back(entry);
        at += 46 + nameLength + extraLength + entryCommentLength;
    }
    if (at != directoryEnd)
        throw std::runtime_error("central directory does not end at the end record");
    return listing;
}
