#pragma once
// The zip archive model: reads the directory of an existing file and writes
// the whole archive anew after every change.

#include "ArchiveModel.h"
#include "ArchiveErrors.h"
#include "ZipRecords.h"
#include "FileIdentity.h"

#include <functional>
#include <string>

class TZipArchive;

// Produce the data of one new entry into output and fill the entry's fields.
using TZipStreamDataHook =
    std::function<void(TZipArchive& archive, TZipItem& item, TStream* source, TStream& output)>;
using TZipFileDataHook = std::function<void(TZipArchive& archive, TZipItem& item, TStream& output)>;

// A write refused before the file was touched: it would need a second volume,
// outgrow the format, or replace a file someone else changed meanwhile.
class EZipWriteRefused : public EArchiveException {
public:
    explicit EZipWriteRefused(const std::string& message) : EArchiveException(message) {}
};

inline constexpr const char* ArchiveMsgArchiveChanged =
    "The archive file was changed or replaced by another program since it was opened - nothing written";
inline constexpr const char* ArchiveMsgNotWritable =
    "The archive file could not be opened for writing - open the archive again";
inline constexpr const char* ArchiveMsgNoRoom = "Not enough free space on the disk for the archive - nothing written";
inline constexpr const char* ArchiveMsgTooLarge = "The archive would reach 2 GB, the largest this program writes - nothing written";
inline constexpr const char* ArchiveMsgTooManyEntries =
    "The archive would hold more than 65535 entries, the most this program writes - nothing written";
inline constexpr const char* ArchiveMsgBeyondThreshold =
    "The archive would exceed the spanning threshold; split archives are not written - nothing written";

// The limits of the classic format this program writes.
inline constexpr int64_t MaxArchiveImageSize = 2147483647;
inline constexpr int MaxArchiveEntries = 65535;

class TZipArchive : public TArchive {
public:
    TZipArchive(const std::string& fileName, uint16_t mode);
    ~TZipArchive() override;

    std::unique_ptr<TArchiveItem> NewEntry(const std::string& name) override;
    std::string MakeStoredName(const std::string& name) override;
    void SetStoreOptions(TStoreOptions options) override;

    // An empty text leaves no comment; marks the archive modified either way.
    void SetComment(const std::string& text);
    const std::string& Comment() const { return FInfo.ZipfileComment; }

    TZipItem* ZipItem(int index) const { return static_cast<TZipItem*>(Item(index)); }
    const TZipDirectoryFileFooter& Footer() const { return FInfo; }
    bool IsExecutable() const { return FIsExecutable; }
    int32_t StubSize() const { return FStubSize; }
    bool DriveIsRemovable() const { return FDriveIsRemovable; }
    uint16_t CurrentDisk() const { return FCurrentDisk; }

    TZipSupportedMethod CompressionMethodToUse = smBestMethod;
    TZipDeflationOption DeflationOption = doNormal;
    std::string Password;
    uint8_t PasswordRetries = 3;

    TZipStreamDataHook InsertFromStreamHelper;
    TZipFileDataHook InsertHelper;

    // Relays an entry's compression progress to the item-progress hook.
    bool ItemProgress(TArchiveItem* item, uint8_t progress) { return DoArchiveItemProgress(item, progress); }

protected:
    void ReadArchive() override;
    void WriteArchive() override;

private:
    struct TCapacity {
        int64_t Bytes = MaxArchiveImageSize;
        const char* Message = ArchiveMsgTooLarge;
    };
    struct TImageLayout;

    void CheckUnchangedOnDisk();
    void RememberIdentity(int handle);
    void ReopenForReading();
    TCapacity VolumeCapacity(bool& marker);
    void CheckFits(int64_t end, const TCapacity& capacity) const;
    void BuildImage(TStream& image, const TCapacity& capacity, bool marker);
    void CopyKeptEntry(TZipItem& item, TStream& image, TStream& directory);
    void AddNewEntry(TZipItem& item, TStream& image, TStream& directory, const std::string& swapDir);
    void ReplaceFile(TStream& image);
    void FinishEntries();
    void ReadDirectory(int64_t tail);

    uint16_t FCurrentDisk = 65535;
    bool FDriveIsRemovable = false;
    TZipDirectoryFileFooter FInfo;
    bool FIsExecutable = false;
    int32_t FStubSize = 0;
    bool FAutoGen = false;
    TFileIdentity FIdentity;
    bool FHaveIdentity = false;
};
