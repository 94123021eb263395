// Where each entry ends, from its local header: kept entries are copied
// and stepped over by these extents, so an entry whose records disagree
// on its size is refused rather than cut or run into the next one.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "FileLayer.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint32_t DescriptorSignature = 0x08074B50;

uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t Get64(const uint8_t* p) { return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32; }

// The local header at `at` with its name and extra field.
TZipLocalFileHeader ReadLocalHeader(int handle, int64_t at, int64_t room, int64_t guess)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min(room, guess)));
    const int64_t got = ReadAt(handle, bytes.data(), static_cast<int64_t>(bytes.size()), at);
    if (got < ZipLocalFileHeaderSize || Get32(bytes.data()) != ZipLocalFileHeaderSignature)
        throw EZipInvalid();
    const int64_t whole = ZipLocalFileHeaderSize + (bytes[26] | bytes[27] << 8) + (bytes[28] | bytes[29] << 8);
    if (whole > got) {
        if (whole > room)
            throw EZipInvalid();
        bytes.resize(static_cast<size_t>(whole));
        if (ReadAt(handle, bytes.data(), whole, at) != whole)
            throw EZipInvalid();
    }
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), whole);
    stream.SetPosition(0);
    TZipLocalFileHeader header;
    header.LoadFromStream(stream);
    return header;
}

// The length of the descriptor at `at` when it agrees with the central
// record (with or without its signature, sizes of 4 or 8 bytes), else -1.
int64_t DescriptorLength(int handle, int64_t at, int64_t room, const TZipItem& item, bool wideFirst)
{
    uint8_t b[24] = {};
    const int64_t got = ReadAt(handle, b, std::min<int64_t>(room, sizeof b), at);
    for (const bool signature : {true, false}) {
        const int lead = signature ? 4 : 0;
        if (signature && (got < 4 || Get32(b) != DescriptorSignature))
            continue;
        for (const bool wide : {wideFirst, !wideFirst}) {
            const int64_t length = lead + 4 + (wide ? 16 : 8);
            if (length > got || Get32(b + lead) != item.ItemInfo().CRC32)
                continue;
            const uint64_t size = wide ? Get64(b + lead + 4) : Get32(b + lead + 4);
            if (size == item.DataSize())
                return length;
        }
    }
    return -1;
}

} // namespace

std::string UncertainEntryMessage(const std::string& entryName)
{
    std::string shown = entryName;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return "The archive's records disagree on the size of \"" + shown +
           "\", so where it ends is uncertain - nothing written";
}

int64_t TZipArchive::PositionOf(const TZipItem& item) const
{
    const uint64_t offset = item.Offset();
    if (offset > static_cast<uint64_t>(INT64_MAX - FOffsetShift))
        return INT64_MAX;
    return static_cast<int64_t>(offset) + FOffsetShift;
}

void TZipArchive::MeasureEntries(int first)
{
    const int handle = ArchiveHandle(*FStream);
    for (int i = first; i < Count(); ++i)
        MeasureEntry(*ZipItem(i), handle);
    FPrefixEnd = FDirectoryPos;
    for (int i = 0; i < Count(); ++i)
        FPrefixEnd = std::min(FPrefixEnd, PositionOf(*ZipItem(i)));
}

void TZipArchive::MeasureEntry(TZipItem& item, int handle)
{
    const int64_t at = PositionOf(item);
    if (at > FDirectoryPos - ZipLocalFileHeaderSize)
        throw EZipInvalid();
    const TZipDirectoryFileHeader& central = item.ItemInfo();
    const int64_t guess = ZipLocalFileHeaderSize + static_cast<int64_t>(central.FileName.size() + central.ExtraField.size()) + 64;
    const TZipLocalFileHeader local = ReadLocalHeader(handle, at, FDirectoryPos - at, guess);
    const int64_t record = ZipLocalFileHeaderSize + static_cast<int64_t>(local.FileName.size() + local.ExtraField.size());
    const int64_t room = FDirectoryPos - at - record;
    const uint64_t data = item.DataSize();
    if (data > static_cast<uint64_t>(room))
        throw EZipWriteRefused(UncertainEntryMessage(item.GetFileName()));
    int64_t descriptor = 0;
    if ((local.GeneralPurposeBitFlag & FlagDataDescriptor) != 0) {
        const bool wide = FindExtraBlock(local.ExtraField, ExtraZip64).has_value() || data >= Saturated32;
        const int64_t dataEnd = at + record + static_cast<int64_t>(data);
        descriptor = DescriptorLength(handle, dataEnd, room - static_cast<int64_t>(data), item, wide);
    } else if (local.CompressedBytes(true) != data) {
        descriptor = -1;
    }
    if (descriptor < 0)
        throw EZipWriteRefused(UncertainEntryMessage(item.GetFileName()));
    item.SetLocalExtent(record, descriptor);
}
