#include "ZipRecords.h"

#include "ArchiveErrors.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <vector>

namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Short reads leave zeros: a truncated record is caught by its signature.
std::string ReadBytes(TStream& stream, uint16_t length)
{
    std::string bytes(length, '\0');
    if (length > 0)
        stream.Read(bytes.data(), length);
    return bytes;
}

void WriteBytes(TStream& stream, const std::string& bytes)
{
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

// A longer field would be written with a wrong length and break the archive.
uint16_t Length16(const std::string& bytes)
{
    if (bytes.size() > 0xFFFF)
        throw EArchiveException(ErrFieldTooLong);
    return static_cast<uint16_t>(bytes.size());
}

} // namespace

// ---- headers ----

void TZipFileHeader::ParseCommonFields(const uint8_t* p, uint16_t& nameLength, uint16_t& extraLength)
{
    VersionNeededToExtract = Get16(p + 0);
    GeneralPurposeBitFlag = Get16(p + 2);
    CompressionMethod = Get16(p + 4);
    LastModFileTime = Get16(p + 6);
    LastModFileDate = Get16(p + 8);
    CRC32 = Get32(p + 10);
    CompressedSize = Get32(p + 14);
    UncompressedSize = Get32(p + 18);
    nameLength = Get16(p + 22);
    extraLength = Get16(p + 24);
}

void TZipFileHeader::PutCommonFields(uint8_t* p) const
{
    Put16(p + 0, VersionNeededToExtract);
    Put16(p + 2, GeneralPurposeBitFlag);
    Put16(p + 4, CompressionMethod);
    Put16(p + 6, LastModFileTime);
    Put16(p + 8, LastModFileDate);
    Put32(p + 10, CRC32);
    Put32(p + 14, CompressedSize);
    Put32(p + 18, UncompressedSize);
    Put16(p + 22, Length16(FileName));
    Put16(p + 24, Length16(ExtraField));
}

TSaturated TZipFileHeader::Saturation() const
{
    return {UncompressedSize == Saturated32, CompressedSize == Saturated32, false};
}

uint64_t TZipFileHeader::CompressedBytes(bool local) const
{
    if (CompressedSize != Saturated32)
        return CompressedSize;
    return Zip64Value(ExtraField, Saturation(), TZip64Field::Compressed, local).value_or(CompressedSize);
}

uint64_t TZipFileHeader::UncompressedBytes(bool local) const
{
    if (UncompressedSize != Saturated32)
        return UncompressedSize;
    return Zip64Value(ExtraField, Saturation(), TZip64Field::Uncompressed, local).value_or(UncompressedSize);
}

void TZipFileHeader::LoadFromStream(TStream& stream)
{
    uint8_t fixed[ZipLocalFileHeaderSize] = {};
    stream.Read(fixed, sizeof fixed);
    Signature = Get32(fixed);
    uint16_t nameLength = 0, extraLength = 0;
    ParseCommonFields(fixed + 4, nameLength, extraLength);
    FileName = ReadBytes(stream, nameLength);
    ExtraField = ReadBytes(stream, extraLength);
    if (!IsValid())
        throw EZipInvalid();
}

void TZipFileHeader::SaveToStream(TStream& stream) const
{
    uint8_t fixed[ZipLocalFileHeaderSize] = {};
    Put32(fixed, ValidSignature);
    PutCommonFields(fixed + 4);
    stream.WriteBuffer(fixed, sizeof fixed);
    WriteBytes(stream, FileName);
    WriteBytes(stream, ExtraField);
}

void TZipDirectoryFileHeader::LoadFromStream(TStream& stream)
{
    uint8_t fixed[ZipDirectoryFileHeaderSize] = {};
    stream.Read(fixed, sizeof fixed);
    Signature = Get32(fixed);
    VersionMadeBy = Get16(fixed + 4);
    uint16_t nameLength = 0, extraLength = 0;
    ParseCommonFields(fixed + 6, nameLength, extraLength);
    const uint16_t commentLength = Get16(fixed + 32);
    DiskNumberStart = Get16(fixed + 34);
    InternalFileAttributes = Get16(fixed + 36);
    ExternalFileAttributes = Get32(fixed + 38);
    RelativeOffset = Get32(fixed + 42);
    FileName = ReadBytes(stream, nameLength);
    ExtraField = ReadBytes(stream, extraLength);
    FileComment = ReadBytes(stream, commentLength);
    if (!IsValid())
        throw EZipInvalid();
}

TSaturated TZipDirectoryFileHeader::Saturation() const
{
    TSaturated saturated = TZipFileHeader::Saturation();
    saturated.Offset = RelativeOffset == Saturated32;
    return saturated;
}

uint64_t TZipDirectoryFileHeader::EffectiveOffset() const
{
    if (RelativeOffset != Saturated32)
        return RelativeOffset;
    return Zip64Value(ExtraField, Saturation(), TZip64Field::Offset, false).value_or(RelativeOffset);
}

void TZipDirectoryFileHeader::SetEffectiveOffset(uint64_t offset)
{
    const TSaturated before = Saturation();
    if (!before.Offset && offset < Saturated32) {
        RelativeOffset = static_cast<uint32_t>(offset);
        return;
    }
    ExtraField = WithZip64Value(ExtraField, before, TZip64Field::Offset, offset);
    RelativeOffset = Saturated32;
    VersionNeededToExtract = std::max(VersionNeededToExtract, VersionZip64);
}

void TZipDirectoryFileHeader::SaveToStream(TStream& stream) const
{
    uint8_t fixed[ZipDirectoryFileHeaderSize] = {};
    Put32(fixed, ValidSignature);
    Put16(fixed + 4, VersionMadeBy);
    PutCommonFields(fixed + 6);
    Put16(fixed + 32, Length16(FileComment));
    Put16(fixed + 34, DiskNumberStart);
    Put16(fixed + 36, InternalFileAttributes);
    Put32(fixed + 38, ExternalFileAttributes);
    Put32(fixed + 42, RelativeOffset);
    stream.WriteBuffer(fixed, sizeof fixed);
    WriteBytes(stream, FileName);
    WriteBytes(stream, ExtraField);
    WriteBytes(stream, FileComment);
}

void TZipDirectoryFileFooter::LoadFromStream(TStream& stream)
{
    uint8_t fixed[ZipEndCentralDirectorySize] = {};
    stream.Read(fixed, sizeof fixed);
    Signature = Get32(fixed);
    DiskNumber = Get16(fixed + 4);
    StartDiskNumber = Get16(fixed + 6);
    EntriesOnDisk = Get16(fixed + 8);
    TotalEntries = Get16(fixed + 10);
    DirectorySize = Get32(fixed + 12);
    DirectoryOffset = Get32(fixed + 16);
    ZipfileComment = ReadBytes(stream, Get16(fixed + 20));
    if (!IsValid())
        throw EZipInvalid();
}

void TZipDirectoryFileFooter::SaveToStream(TStream& stream) const
{
    uint8_t fixed[ZipEndCentralDirectorySize] = {};
    Put32(fixed, ValidSignature);
    Put16(fixed + 4, DiskNumber);
    Put16(fixed + 6, StartDiskNumber);
    Put16(fixed + 8, EntriesOnDisk);
    Put16(fixed + 10, TotalEntries);
    Put32(fixed + 12, DirectorySize);
    Put32(fixed + 16, DirectoryOffset);
    Put16(fixed + 20, Length16(ZipfileComment));
    stream.WriteBuffer(fixed, sizeof fixed);
    WriteBytes(stream, ZipfileComment);
}

void TZipDataDescriptor::LoadFromStream(TStream& stream)
{
    uint8_t fixed[12] = {};
    stream.Read(fixed, sizeof fixed);
    CRC32 = Get32(fixed);
    CompressedSize = Get32(fixed + 4);
    UncompressedSize = Get32(fixed + 8);
}

void TZipDataDescriptor::SaveToStream(TStream& stream) const
{
    uint8_t fixed[12] = {};
    Put32(fixed, CRC32);
    Put32(fixed + 4, CompressedSize);
    Put32(fixed + 8, UncompressedSize);
    stream.WriteBuffer(fixed, sizeof fixed);
}

// ---- the zip entry ----

TZipItem::TZipItem() : FItemInfo(std::make_unique<TZipDirectoryFileHeader>()) {}

TZipItem::~TZipItem() = default;

int32_t TZipItem::GetCompressedSize() const { return static_cast<int32_t>(FItemInfo->CompressedSize); }
uint32_t TZipItem::GetCRC32() const { return FItemInfo->CRC32; }
uint32_t TZipItem::GetExternalFileAttributes() const { return FItemInfo->ExternalFileAttributes; }
std::string TZipItem::GetFileName() const { return FItemInfo->FileName; }
bool TZipItem::GetIsEncrypted() const { return FItemInfo->IsEncrypted(); }
uint16_t TZipItem::GetLastModFileDate() const { return FItemInfo->LastModFileDate; }
uint16_t TZipItem::GetLastModFileTime() const { return FItemInfo->LastModFileTime; }
uint32_t TZipItem::GetUncompressedSize() const { return FItemInfo->UncompressedSize; }

void TZipItem::SetCompressedSize(int32_t value) { FItemInfo->CompressedSize = static_cast<uint32_t>(value); }
void TZipItem::SetCRC32(uint32_t value) { FItemInfo->CRC32 = value; }
void TZipItem::SetExternalFileAttributes(uint32_t value) { FItemInfo->ExternalFileAttributes = value; }

void TZipItem::SetFileName(const std::string& value)
{
    FFileName = value;
    FItemInfo->FileName = value;
}

void TZipItem::SetLastModFileDate(uint16_t value) { FItemInfo->LastModFileDate = value; }
void TZipItem::SetLastModFileTime(uint16_t value) { FItemInfo->LastModFileTime = value; }

void TZipItem::SetUncompressedSize(uint32_t value)
{
    FUncompressedSize = value;
    FItemInfo->UncompressedSize = value;
}

void TZipItem::SetHostOS(uint8_t value)
{
    FItemInfo->VersionMadeBy = static_cast<uint16_t>((value << 8) | (FItemInfo->VersionMadeBy & 0xFF));
}

void TZipItem::LoadFromStream(TStream& stream)
{
    FItemInfo->LoadFromStream(stream);
    FFileName = FItemInfo->FileName;
    FUncompressedSize = FItemInfo->UncompressedSize;
}

void TZipItem::SaveCDHToStream(TStream& stream) const { FItemInfo->SaveToStream(stream); }

void TZipItem::SaveLFHToStream(TStream& stream) const
{
    TZipLocalFileHeader local;
    local.VersionNeededToExtract = FItemInfo->VersionNeededToExtract;
    local.GeneralPurposeBitFlag = FItemInfo->GeneralPurposeBitFlag;
    local.CompressionMethod = FItemInfo->CompressionMethod;
    local.LastModFileTime = FItemInfo->LastModFileTime;
    local.LastModFileDate = FItemInfo->LastModFileDate;
    local.CRC32 = FItemInfo->CRC32;
    local.CompressedSize = FItemInfo->CompressedSize;
    local.UncompressedSize = FItemInfo->UncompressedSize;
    local.FileName = FItemInfo->FileName;
    local.ExtraField = WithoutExtraBlock(FItemInfo->ExtraField, ExtraZip64);
    local.SaveToStream(stream);
}

void TZipItem::SaveDDToStream(TStream& stream) const
{
    TZipDataDescriptor descriptor;
    descriptor.CRC32 = FItemInfo->CRC32;
    descriptor.CompressedSize = FItemInfo->CompressedSize;
    descriptor.UncompressedSize = FItemInfo->UncompressedSize;
    descriptor.SaveToStream(stream);
}

// ---- time, names ----

void DateTimeToDos(const TLocalDateTime& when, uint16_t& dosTime, uint16_t& dosDate)
{
    if (when.Year < 1980 || when.Year > 2107) {
        dosTime = 0;
        dosDate = 0;
        return;
    }
    dosTime = static_cast<uint16_t>(when.Second / 2 + 32 * when.Minute + 2048 * when.Hour);
    dosDate = static_cast<uint16_t>(when.Day + 32 * when.Month + 512 * (when.Year - 1980));
}

void NowToDos(uint16_t& dosTime, uint16_t& dosDate) { DateTimeToDos(LocalNow(), dosTime, dosDate); }

void FileTimeToDos(int64_t unixSeconds, uint16_t& dosTime, uint16_t& dosDate)
{
    const TLocalDateTime when = LocalTimeOf(unixSeconds);
    if (when.Year < 1980) {
        dosTime = 0;
        dosDate = 1 << 5 | 1;
    } else if (when.Year > 2107) {
        dosTime = 23 << 11 | 59 << 5 | 29;
        dosDate = 127 << 9 | 12 << 5 | 31;
    } else {
        DateTimeToDos(when, dosTime, dosDate);
    }
}

std::string ExtendedTimestampField(int64_t unixSeconds)
{
    if (unixSeconds < 0 || unixSeconds > INT32_MAX)
        return std::string();
    uint8_t block[9];
    Put16(block, ExtraExtendedTimestamp);
    Put16(block + 2, 5);
    block[4] = 1;  // the modification time follows
    Put32(block + 5, static_cast<uint32_t>(unixSeconds));
    return std::string(reinterpret_cast<const char*>(block), sizeof block);
}

std::string ZipExpandFileName(const std::string& name)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(name, error);
    return error ? name : full.string();
}

uint8_t HostByteForName(const std::string& name)
{
    const std::string full = ZipExpandFileName(name);
    const bool high = std::any_of(full.begin(), full.end(),
                                  [](char c) { return static_cast<uint8_t>(c) >= 0x80; });
    return high ? HostAnsiCodePage : HostOemCodePage;
}

bool IsNonAsciiUtf8(const std::string& text)
{
    bool nonAscii = false;
    size_t i = 0;
    while (i < text.size()) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        nonAscii = true;
        int follow;
        uint32_t code;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + follow >= text.size())
            return false;
        for (int k = 1; k <= follow; ++k) {
            const uint8_t c = static_cast<uint8_t>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (c & 0x3F);
        }
        const bool overlong = (follow == 2 && code < 0x800) || (follow == 3 && code < 0x10000);
        const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
        if (overlong || surrogate || code > 0x10FFFF)
            return false;
        i += follow + 1;
    }
    return nonAscii;
}

// ---- end record search and content tests ----

namespace {

constexpr int64_t FirstTailBlock = 512;
constexpr int64_t LargestTailBlock = 65536;
// A block reaches this far into the one after it, so no record straddles two.
constexpr int64_t TailOverlap = ZipEndCentralDirectorySize - 1;

bool IsTailAt(const uint8_t* bytes, int64_t offset, int64_t fileSize)
{
    if (Get32(bytes) != ZipEndCentralDirectorySignature)
        return false;
    return fileSize - offset >= ZipEndCentralDirectorySize + Get16(bytes + 20);
}

int64_t SearchTailBackwards(TStream& stream, int64_t fileSize)
{
    std::vector<uint8_t> block;
    int64_t blockSize = FirstTailBlock;
    int64_t blockEnd = fileSize;
    while (true) {
        const int64_t blockStart = std::max<int64_t>(0, blockEnd - blockSize);
        block.assign(static_cast<size_t>(blockEnd - blockStart), 0);
        stream.Seek(blockStart, soFromBeginning);
        stream.Read(block.data(), static_cast<int64_t>(block.size()));
        for (int64_t offset = blockEnd - ZipEndCentralDirectorySize; offset >= blockStart; --offset)
            if (IsTailAt(block.data() + (offset - blockStart), offset, fileSize))
                return offset;
        if (blockStart == 0)
            return -1;
        blockEnd = blockStart + TailOverlap;
        blockSize = std::min(blockSize * 2, LargestTailBlock);
    }
}

} // namespace

int64_t FindCentralDirectoryTail(TStream& stream)
{
    const int64_t startPosition = stream.GetPosition();
    const int64_t fileSize = stream.GetSize();
    if (fileSize >= ZipEndCentralDirectorySize) {
        uint8_t last[ZipEndCentralDirectorySize] = {};
        const int64_t lastOffset = fileSize - ZipEndCentralDirectorySize;
        stream.Seek(lastOffset, soFromBeginning);
        stream.Read(last, sizeof last);
        if (Get32(last) == ZipEndCentralDirectorySignature && Get16(last + 20) == 0) {
            stream.Seek(lastOffset, soFromBeginning);
            return lastOffset;
        }
        const int64_t found = SearchTailBackwards(stream, fileSize);
        if (found >= 0) {
            stream.Seek(found, soFromBeginning);
            return found;
        }
    }
    stream.Seek(startPosition, soFromBeginning);
    return -1;
}

namespace {

uint32_t LeadingBytes(TStream& stream)
{
    uint8_t lead[4] = {};
    stream.Seek(0, soFromBeginning);
    stream.Read(lead, sizeof lead);
    return Get32(lead);
}

} // namespace

int VerifyZip(TStream& stream)
{
    const int64_t startPosition = stream.GetPosition();
    int result = VerifiedNone;
    const uint32_t lead = LeadingBytes(stream);
    if (lead == ZipSpannedSetSignature || lead == ZipPossiblySpannedSignature) {
        result = VerifiedSpanned;
    } else if (FindCentralDirectoryTail(stream) >= 0) {
        TZipDirectoryFileFooter footer;
        try {
            footer.LoadFromStream(stream);
            result = VerifiedZip;
        } catch (const EZipInvalid&) {
            result = VerifiedNone;
        }
    }
    stream.Seek(startPosition, soFromBeginning);
    return result;
}

int VerifySelfExtracting(TStream& stream)
{
    const int64_t startPosition = stream.GetPosition();
    const uint32_t lead = LeadingBytes(stream);
    const bool executable = (lead & 0xFFFF) == WindowsExeSignature || lead == LinuxExeSignature;
    const bool result = executable && VerifyZip(stream) == VerifiedZip;
    stream.Seek(startPosition, soFromBeginning);
    return result ? VerifiedSelfExtracting : VerifiedNone;
}
