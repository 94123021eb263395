#pragma once
// The zip archive model: reads the directory of an existing file and, after
// every change, writes what a rewrite of the whole archive would give, in
// place: the bytes before the first changed entry stay, the rest is
// committed under a rollback journal.

#include "ArchiveModel.h"
#include "ArchiveErrors.h"
#include "ZipRecords.h"
#include "FileIdentity.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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
inline constexpr const char* ArchiveMsgArchiveTooLarge =
    "The archive is 2 GB or larger, more than this program can add to - nothing written";
inline constexpr const char* ArchiveMsgTooManyEntries =
    "The archive would hold more than 65535 entries, the most this program writes - nothing written";
inline constexpr const char* ArchiveMsgBeyondThreshold =
    "The archive would exceed the spanning threshold; split archives are not written - nothing written";

// The limits of the classic format this program writes.
inline constexpr int64_t MaxArchiveImageSize = 2147483647;
inline constexpr int MaxArchiveEntries = 65535;

// Creates `name` as an empty archive, exclusively and already whole (with
// the volume marker when asked). False when the name exists as a file;
// EFCreateError otherwise (a dangling link is not followed).
bool CreateEmptyZipFile(const std::string& name, bool marker);

// Settles a commit to `name` that was cut short, before anyone judges its
// content. A missing or unreadable file is left to the open that follows.
void RecoverArchiveFile(const std::string& name);

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
    // The file was just made by CreateEmptyZipFile: its first write is that of an empty file.
    void MarkFreshlyCreated();

    TZipSupportedMethod CompressionMethodToUse = smBestMethod;
    TZipDeflationOption DeflationOption = doNormal;
    std::string Password;
    uint8_t PasswordRetries = 3;

    // Every save writes the whole file again instead of its changed tail:
    // what each in-place commit must equal byte for byte.
    bool RewriteWhole = false;

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
    // Entries before First, and the bytes before Keep, stay as they are.
    struct TCommitPlan {
        int First = 0;
        int64_t Keep = 0;
    };

    // Where the entries and the directory lay before a commit was tried.
    struct TPlacement {
        std::vector<std::pair<uint32_t, uint16_t>> Entries;
        TZipDirectoryFileFooter Footer;
    };

    // ZipArchive.cpp: the commit as a whole.
    [[noreturn]] void RefuseSpannedWrite();
    void RefuseTooManyEntries() const;
    TPlacement SavePlacement() const;
    void RestorePlacement(const TPlacement& saved);
    std::unique_ptr<TStream> MakeTailStream(const TCommitPlan& plan) const;
    void FinishEntries();

    // ZipArchiveAdopt.cpp
    void RememberIdentity(int handle);
    [[noreturn]] void RefuseChangedFile();
    void CatchUpWithFile(int handle);
    bool AdoptOtherCopysEntries();
    bool ReadOtherCopysDirectory(int knownCount, uint32_t& magic);
    bool OtherCopyLeftItNormalised(uint32_t magic);
    void QueueAfterAdopted(std::vector<std::unique_ptr<TArchiveItem>>& pending);

    // ZipArchivePlan.cpp
    TCapacity VolumeCapacity(bool& marker);
    void CheckFits(int64_t end, const TCapacity& capacity) const;
    bool PrefixStays(bool marker, int64_t& start);
    bool StaysInPlace(const TZipItem& item, int64_t at);
    TCommitPlan PlanCommit(bool marker);

    // ZipArchiveTail.cpp
    void BuildTail(TStream& image, const TCommitPlan& plan, const TCapacity& capacity, bool marker);
    void WritePrefix(TStream& image, bool marker);
    void WriteEntriesFrom(int first, TStream& image, int64_t base, TStream& directory, const TCapacity& capacity);
    void WriteDirectoryAndEnd(TStream& image, int64_t base, TStream& directory, const TCapacity& capacity);
    void CopyKeptEntry(TZipItem& item, TStream& image, int64_t base, TStream& directory);
    void AddNewEntry(TZipItem& item, TStream& image, int64_t base, TStream& directory, const std::string& swapDir);
    void CommitInPlace(TStream& tail, int64_t keep, int handle);

    // ZipArchiveRead.cpp
    void ReadEndAndDirectory(int64_t tail);
    void ReadDirectory(int64_t tail);

    uint16_t FCurrentDisk = 65535;
    bool FDriveIsRemovable = false;
    TZipDirectoryFileFooter FInfo;
    bool FIsExecutable = false;
    int32_t FStubSize = 0;
    bool FAutoGen = false;
    TFileIdentity FIdentity;
    bool FHaveIdentity = false;
    // The file is known to be what a rewrite of the entries gives.
    bool FNormalised = false;
    bool FFreshFile = false;
    bool FCommentSet = false;
};
