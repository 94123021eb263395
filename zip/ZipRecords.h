#pragma once
// The records of a zip file as written and read, the zip entry, the search
// for the end record and the tests that tell a zip file by its content.

#include "ArchiveItem.h"
#include "LocalTime.h"
#include "Stream.h"
#include "Zip64Records.h"

#include <cstdint>
#include <memory>
#include <string>

inline constexpr uint32_t ZipLocalFileHeaderSignature = 0x04034B50;
inline constexpr uint32_t ZipCentralDirectorySignature = 0x02014B50;
inline constexpr uint32_t ZipEndCentralDirectorySignature = 0x06054B50;
inline constexpr uint32_t ZipSpannedSetSignature = 0x08074B50;
inline constexpr uint32_t ZipPossiblySpannedSignature = 0x30304B50;
inline constexpr uint16_t WindowsExeSignature = 0x5A4D;
inline constexpr uint32_t LinuxExeSignature = 0x464C457F;

inline constexpr int ZipLocalFileHeaderSize = 30;
inline constexpr int ZipDirectoryFileHeaderSize = 46;
inline constexpr int ZipEndCentralDirectorySize = 22;

// Host byte of version made by: how the name bytes are to be read.
inline constexpr uint8_t HostOemCodePage = 0;
inline constexpr uint8_t HostAnsiCodePage = 11;

// General purpose flag bit that marks the stored name as UTF-8.
inline constexpr uint16_t FlagUtf8Name = 0x0800;
inline constexpr uint16_t FlagDataDescriptor = 0x0008;

enum TZipSupportedMethod : uint8_t { smStored, smDeflated, smBestMethod };
enum TZipDeflationOption : uint8_t { doInvalid, doNormal, doMaximum, doFast, doSuperFast };

// Results of VerifyZip and VerifySelfExtracting.
enum : int { VerifiedNone = 0, VerifiedZip = 1, VerifiedSpanned = 2, VerifiedSelfExtracting = 3 };

// Fields common to the local header and the central record.
// Name and extra field are raw bytes; their lengths are the string sizes.
class TZipFileHeader {
public:
    explicit TZipFileHeader(uint32_t validSignature) : ValidSignature(validSignature) {}
    virtual ~TZipFileHeader() = default;

    // Reads the fields in file order, then checks the signature (EZipInvalid).
    virtual void LoadFromStream(TStream& stream);
    // Writes the expected signature and the fields in file order.
    virtual void SaveToStream(TStream& stream) const;

    bool IsValid() const { return Signature == ValidSignature; }
    bool IsEncrypted() const { return (GeneralPurposeBitFlag & 1) != 0; }

    // The sizes, taken from the zip64 block where the classic field is
    // saturated (the field as it is when the block lacks the value).
    uint64_t CompressedBytes(bool local) const;
    uint64_t UncompressedBytes(bool local) const;

    uint32_t ValidSignature;
    uint32_t Signature = 0;
    uint16_t VersionNeededToExtract = 0;
    uint16_t GeneralPurposeBitFlag = 0;
    uint16_t CompressionMethod = 0;
    uint16_t LastModFileTime = 0;
    uint16_t LastModFileDate = 0;
    uint32_t CRC32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    std::string FileName;
    std::string ExtraField;

protected:
    virtual TSaturated Saturation() const;
    // The 26 bytes from version needed to extra field length, laid out the
    // same in both headers.
    void ParseCommonFields(const uint8_t* bytes, uint16_t& nameLength, uint16_t& extraLength);
    void PutCommonFields(uint8_t* bytes) const;
};

class TZipLocalFileHeader : public TZipFileHeader {
public:
    TZipLocalFileHeader() : TZipFileHeader(ZipLocalFileHeaderSignature) {}
};

class TZipDirectoryFileHeader : public TZipFileHeader {
public:
    TZipDirectoryFileHeader() : TZipFileHeader(ZipCentralDirectorySignature) {}

    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;

    // The local header's offset, from the zip64 block where saturated.
    uint64_t EffectiveOffset() const;
    // Sets it in the classic field while that can hold it, else in the
    // zip64 block, which then also raises the version needed to extract.
    void SetEffectiveOffset(uint64_t offset);

    uint16_t VersionMadeBy = 0;
    uint16_t DiskNumberStart = 0;
    uint16_t InternalFileAttributes = 0;
    uint32_t ExternalFileAttributes = 0;
    uint32_t RelativeOffset = 0;
    std::string FileComment;

protected:
    TSaturated Saturation() const override;
};

// The end record. One per open archive, created empty.
class TZipDirectoryFileFooter {
public:
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    bool IsValid() const { return Signature == ValidSignature; }

    uint32_t ValidSignature = ZipEndCentralDirectorySignature;
    uint32_t Signature = 0;
    uint16_t DiskNumber = 0;
    uint16_t StartDiskNumber = 0;
    uint16_t EntriesOnDisk = 0;
    uint16_t TotalEntries = 0;
    uint32_t DirectorySize = 0;
    uint32_t DirectoryOffset = 0;
    std::string ZipfileComment;
};

// Written without a signature.
class TZipDataDescriptor {
public:
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

    uint32_t CRC32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
};

// One zip entry. Every zip field lives in its central record; the base
// accessors read and write that record.
class TZipItem : public TArchiveItem {
public:
    TZipItem();
    ~TZipItem() override;

    int32_t GetCompressedSize() const override;
    uint32_t GetCRC32() const override;
    uint32_t GetExternalFileAttributes() const override;
    std::string GetFileName() const override;
    bool GetIsEncrypted() const override;
    uint16_t GetLastModFileDate() const override;
    uint16_t GetLastModFileTime() const override;
    uint32_t GetUncompressedSize() const override;

    void SetCompressedSize(int32_t value) override;
    void SetCRC32(uint32_t value) override;
    void SetExternalFileAttributes(uint32_t value) override;
    void SetFileName(const std::string& value) override;
    void SetLastModFileDate(uint16_t value) override;
    void SetLastModFileTime(uint16_t value) override;
    void SetUncompressedSize(uint32_t value) override;

    TZipDirectoryFileHeader& ItemInfo() { return *FItemInfo; }
    const TZipDirectoryFileHeader& ItemInfo() const { return *FItemInfo; }

    uint16_t CompressionMethod() const { return FItemInfo->CompressionMethod; }
    void SetCompressionMethod(uint16_t value) { FItemInfo->CompressionMethod = value; }
    uint16_t GeneralPurposeBitFlag() const { return FItemInfo->GeneralPurposeBitFlag; }
    void SetGeneralPurposeBitFlag(uint16_t value) { FItemInfo->GeneralPurposeBitFlag = value; }
    uint16_t VersionMadeBy() const { return FItemInfo->VersionMadeBy; }
    void SetVersionMadeBy(uint16_t value) { FItemInfo->VersionMadeBy = value; }
    uint8_t HostOS() const { return static_cast<uint8_t>(FItemInfo->VersionMadeBy >> 8); }
    // Keeps the low byte of version made by.
    void SetHostOS(uint8_t value);
    uint16_t VersionNeededToExtract() const { return FItemInfo->VersionNeededToExtract; }
    void SetVersionNeededToExtract(uint16_t value) { FItemInfo->VersionNeededToExtract = value; }
    uint32_t RelativeOffset() const { return FItemInfo->RelativeOffset; }
    void SetRelativeOffset(uint32_t value) { FItemInfo->RelativeOffset = value; }
    uint16_t DiskNumberStart() const { return FItemInfo->DiskNumberStart; }
    void SetDiskNumberStart(uint16_t value) { FItemInfo->DiskNumberStart = value; }
    uint16_t InternalFileAttributes() const { return FItemInfo->InternalFileAttributes; }
    void SetInternalFileAttributes(uint16_t value) { FItemInfo->InternalFileAttributes = value; }
    const std::string& ExtraField() const { return FItemInfo->ExtraField; }
    void SetExtraField(const std::string& value) { FItemInfo->ExtraField = value; }
    const std::string& FileComment() const { return FItemInfo->FileComment; }
    void SetFileComment(const std::string& value) { FItemInfo->FileComment = value; }

    // Where the local header is, counted as the archive counts offsets, and
    // the bytes of data, both beyond the classic fields where needed.
    uint64_t Offset() const { return FItemInfo->EffectiveOffset(); }
    void SetOffset(uint64_t value) { FItemInfo->SetEffectiveOffset(value); }
    uint64_t DataSize() const { return FItemInfo->CompressedBytes(false); }
    // The bytes of the local header (with its name and extra field) and of
    // the descriptor after the data, as the file holds them; -1 before known.
    int64_t LocalRecordSize() const { return FLocalRecordSize; }
    int64_t DescriptorSize() const { return FDescriptorSize; }
    void SetLocalExtent(int64_t recordSize, int64_t descriptorSize)
    {
        FLocalRecordSize = recordSize;
        FDescriptorSize = descriptorSize;
    }
    // The data of a gathered entry, made ahead of its write; none otherwise.
    TStream* GatheredData() const { return FGatheredData.get(); }
    void SetGatheredData(std::unique_ptr<TStream> data) { FGatheredData = std::move(data); }

    // Loads the central record; the name read becomes the look-up name.
    void LoadFromStream(TStream& stream);
    void SaveCDHToStream(TStream& stream) const;
    // The local header rebuilt from the central record (no zip64 block: the
    // central one holds the offset, which a local header never carries).
    void SaveLFHToStream(TStream& stream) const;
    void SaveDDToStream(TStream& stream) const;

private:
    std::unique_ptr<TZipDirectoryFileHeader> FItemInfo;
    int64_t FLocalRecordSize = -1;
    int64_t FDescriptorSize = 0;
    std::unique_ptr<TStream> FGatheredData;
};

// MS-DOS time and date of a local time; both 0 outside the years 1980..2107.
void DateTimeToDos(const TLocalDateTime& when, uint16_t& dosTime, uint16_t& dosDate);
// The current local time in MS-DOS form.
void NowToDos(uint16_t& dosTime, uint16_t& dosDate);
// A file's time (seconds since 1970, UTC) as local MS-DOS time and date,
// held to the years the form has: earlier is 1980-01-01 00:00, later
// 2107-12-31 23:59:58. Odd seconds round down.
void FileTimeToDos(int64_t unixSeconds, uint16_t& dosTime, uint16_t& dosDate);

// Tag of the extra block that carries the modification time in UTC.
inline constexpr uint16_t ExtraExtendedTimestamp = 0x5455;
// That block with the modification time alone, the same in both headers;
// empty for a time before 1970 or after 2038, which it cannot hold.
std::string ExtendedTimestampField(int64_t unixSeconds);

// The name expanded to a full path against the current directory.
std::string ZipExpandFileName(const std::string& name);
// Host byte for a new entry: 11 when the expanded name has a byte of 0x80 or
// more (file names count as the 8-bit ANSI code page here), otherwise 0.
uint8_t HostByteForName(const std::string& name);
// True when the text has a byte of 0x80 or more and is valid UTF-8 as a whole.
bool IsNonAsciiUtf8(const std::string& text);

// Offset of the end record, the stream left positioned there; or -1 with the
// stream position restored.
int64_t FindCentralDirectoryTail(TStream& stream);

// VerifiedSpanned for a leading volume marker, VerifiedZip when an end
// record is found and valid, else VerifiedNone. The stream position is restored.
int VerifyZip(TStream& stream);
// VerifiedSelfExtracting for "MZ" or an ELF start followed by a zip, else VerifiedNone.
int VerifySelfExtracting(TStream& stream);
