#pragma once
// The zip archive model: reads the directory of an existing file and writes
// the whole archive anew after every change.

#include "ArchiveModel.h"
#include "ArchiveErrors.h"
#include "ZipRecords.h"
#include "FileIdentity.h"

#include <functional>
#include <string>

class TAbZipArchive;

// Produce the data of one new entry into output and fill the entry's fields.
using TAbZipStreamDataHook =
    std::function<void(TAbZipArchive& archive, TAbZipItem& item, TStream* source, TStream& output)>;
using TAbZipFileDataHook = std::function<void(TAbZipArchive& archive, TAbZipItem& item, TStream& output)>;

// A write refused before the file was touched: it would need a second volume,
// outgrow the format, or replace a file someone else changed meanwhile.
class EAbZipWriteRefused : public EAbException {
public:
    explicit EAbZipWriteRefused(const std::string& message) : EAbException(message) {}
};

inline constexpr const char* AbMsgArchiveChanged =
    "The archive file was changed or replaced by another program since it was opened - nothing written";
inline constexpr const char* AbMsgNotWritable =
    "The archive file could not be opened for writing - open the archive again";
inline constexpr const char* AbMsgNoRoom = "Not enough free space on the disk for the archive - nothing written";
inline constexpr const char* AbMsgTooLarge = "The archive would reach 2 GB, the largest this program writes - nothing written";
inline constexpr const char* AbMsgTooManyEntries =
    "The archive would hold more than 65535 entries, the most this program writes - nothing written";
inline constexpr const char* AbMsgBeyondThreshold =
    "The archive would exceed the spanning threshold; split archives are not written - nothing written";

// The limits of the classic format this program writes.
inline constexpr int64_t AbMaxImageSize = 2147483647;
inline constexpr int AbMaxEntries = 65535;

class TAbZipArchive : public TAbArchive {
public:
    TAbZipArchive(const std::string& fileName, uint16_t mode);
    ~TAbZipArchive() override;

    std::unique_ptr<TAbArchiveItem> NewEntry(const std::string& name) override;
    std::string MakeStoredName(const std::string& name) override;
    void SetStoreOptions(TAbStoreOptions options) override;

    // An empty text leaves no comment; marks the archive modified either way.
    void SetComment(const std::string& text);
    const std::string& Comment() const { return FInfo.ZipfileComment; }

    TAbZipItem* ZipItem(int index) const { return static_cast<TAbZipItem*>(Item(index)); }
    const TAbZipDirectoryFileFooter& Footer() const { return FInfo; }
    bool IsExecutable() const { return FIsExecutable; }
    int32_t StubSize() const { return FStubSize; }
    bool DriveIsRemovable() const { return FDriveIsRemovable; }
    uint16_t CurrentDisk() const { return FCurrentDisk; }

    TAbZipSupportedMethod CompressionMethodToUse = smBestMethod;
    TAbZipDeflationOption DeflationOption = doNormal;
    std::string Password;
    uint8_t PasswordRetries = 3;

    TAbZipStreamDataHook InsertFromStreamHelper;
    TAbZipFileDataHook InsertHelper;

    // Relays an entry's compression progress to the item-progress hook.
    bool ItemProgress(TAbArchiveItem* item, uint8_t progress) { return DoArchiveItemProgress(item, progress); }

protected:
    void ReadArchive() override;
    void WriteArchive() override;

private:
    struct TCapacity {
        int64_t Bytes = AbMaxImageSize;
        const char* Message = AbMsgTooLarge;
    };
    struct TImageLayout;

    void CheckUnchangedOnDisk();
    void RememberIdentity(int handle);
    void ReopenForReading();
    TCapacity VolumeCapacity(bool& marker);
    void CheckFits(int64_t end, const TCapacity& capacity) const;
    void BuildImage(TStream& image, const TCapacity& capacity, bool marker);
    void CopyKeptEntry(TAbZipItem& item, TStream& image, TStream& directory);
    void AddNewEntry(TAbZipItem& item, TStream& image, TStream& directory, const std::string& swapDir);
    void ReplaceFile(TStream& image);
    void FinishEntries();
    void ReadDirectory(int64_t tail);

    uint16_t FCurrentDisk = 65535;
    bool FDriveIsRemovable = false;
    TAbZipDirectoryFileFooter FInfo;
    bool FIsExecutable = false;
    int32_t FStubSize = 0;
    bool FAutoGen = false;
    TFileIdentity FIdentity;
    bool FHaveIdentity = false;
};
