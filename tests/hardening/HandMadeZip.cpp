#include "HandMadeZip.h"

#include <zlib.h>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void Put64(std::vector<uint8_t>& out, uint64_t v)
{
    Put32(out, static_cast<uint32_t>(v));
    Put32(out, static_cast<uint32_t>(v >> 32));
}

void PutText(std::vector<uint8_t>& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
}

uint32_t CrcOf(const std::string& data)
{
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Version, flags, method, time, date, CRC, sizes and name length: shared by both headers.
void PutCommonFields(std::vector<uint8_t>& out, const THandMadeEntry& entry, bool central)
{
    const auto size = static_cast<uint32_t>(central && entry.CentralSize >= 0 ? entry.CentralSize : entry.Data.size());
    Put16(out, 20);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0x6000);  // 12:00:00
    Put16(out, 0x5A21);  // 2025-01-01
    Put32(out, CrcOf(entry.Data));
    Put32(out, size);
    Put32(out, size);
    Put16(out, static_cast<uint32_t>(entry.Name.size()));
    Put16(out, 0);
}

} // namespace

std::vector<uint8_t> THandMadeZip::Bytes() const
{
    std::vector<uint8_t> out;
    std::vector<uint32_t> offsets;
    for (const auto& entry : Entries) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        Put32(out, 0x04034B50);
        PutCommonFields(out, entry, false);
        PutText(out, entry.Name);
        PutText(out, entry.Data);
    }
    const auto directoryStart = static_cast<uint32_t>(out.size());
    for (size_t i = 0; i < Entries.size(); ++i) {
        Put32(out, 0x02014B50);
        Put16(out, 20);
        PutCommonFields(out, Entries[i], true);
        Put16(out, 0);  // comment length
        Put16(out, 0);  // disk
        Put16(out, 0);  // internal attributes
        Put32(out, 0);  // external attributes
        Put32(out, offsets[i]);
        PutText(out, Entries[i].Name);
    }
    const auto directorySize = static_cast<uint32_t>(out.size()) - directoryStart;
    const uint32_t count = CountOverride >= 0 ? static_cast<uint32_t>(CountOverride) : Entries.size();
    if (Zip64) {
        const auto zip64End = static_cast<uint64_t>(out.size());
        Put32(out, 0x06064B50);
        Put64(out, 44);
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);
        Put32(out, 0);
        Put64(out, count);
        Put64(out, count);
        Put64(out, directorySize);
        Put64(out, directoryStart);
        Put32(out, 0x07064B50);
        Put32(out, 0);
        Put64(out, zip64End);
        Put32(out, 1);
    }
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, Zip64 ? 0xFFFF : count);
    Put16(out, Zip64 ? 0xFFFF : count);
    Put32(out, Zip64 ? 0xFFFFFFFF : directorySize);
    Put32(out, Zip64 ? 0xFFFFFFFF : directoryStart);
    Put16(out, static_cast<uint32_t>(Comment.size()));
    PutText(out, Comment);
    return out;
}
