#pragma once
// The zip archive model: reads the directory of an existing file and, after
// every change, writes what a rewrite of the whole archive would give, in
// place: the bytes before the first changed entry stay, the rest is
// committed under a rollback journal. Grouped commits into a large archive
// go into free room kept before the directory instead (see CloseRoom). What lies before the first entry (a
// launcher, a stub, a picture) always stays, and new offsets are counted as
// the archive already counts them. Zip64 records are written only where the
// classic fields cannot hold a count, size or offset.

#include "ArchiveModel.h"
#include "ArchiveErrors.h"
#include "ZipRecords.h"
#include "FileIdentity.h"

#include <chrono>
#include <cstdint>
#include <exception>
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
// outgrow the file system, lose bytes of the file, or replace a file someone
// else changed meanwhile.
class EZipWriteRefused : public EArchiveException {
public:
    explicit EZipWriteRefused(const std::string& message) : EArchiveException(message) {}
};

inline constexpr const char* ArchiveMsgArchiveChanged =
    "The archive file was changed or replaced by another program since it was opened - nothing written";
inline constexpr const char* ArchiveMsgNotWritable =
    "The archive file could not be opened for writing - open the archive again";
inline constexpr const char* ArchiveMsgNoRoom = "Not enough free space on the disk for the archive - nothing written";
inline constexpr const char* ArchiveMsgFileSystemLimit =
    "The archive would grow past the largest file the disk's file system holds (4 GB on FAT) - nothing written";
inline constexpr const char* ArchiveMsgTailTooLarge =
    "The change would rewrite more than 2 GB of the archive at once - nothing written";
inline constexpr const char* ArchiveMsgTrailingBytes =
    "The archive has bytes after its end record, which adding to it would lose - nothing written";
inline constexpr const char* ArchiveMsgBeyondThreshold =
    "The archive would exceed the spanning threshold; split archives are not written - nothing written";

// The longest a gathered entry waits for its commit.
inline constexpr std::chrono::milliseconds LongestGatherWait{1000};
// Gathered data held in memory before a commit, at most.
inline constexpr int64_t LargestGathering = 32 << 20;

// From this size of the central directory on, grouped commits write their
// entries into free room before the directory and only append their
// records to it, so a commit no longer costs the whole directory.
inline constexpr int64_t RoomFromDirectory = 8 << 10;
// A commit into the room costs a few pages beside its entries (the journal,
// the pages its writes start and end in): entries wait for twice that.
inline constexpr int64_t RoomCommitBatch = 32 << 10;
// The room a moved directory leaves before itself, per byte of directory:
// moves then cost a third of the entries they make room for.
inline constexpr int64_t RoomPerDirectoryByte = 3;

using TSteadyClock = std::function<std::chrono::steady_clock::time_point()>;

// The message for an entry whose records disagree on where it ends.
std::string UncertainEntryMessage(const std::string& entryName);

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
    // The classic end record as last read or written.
    const TZipDirectoryFileFooter& Footer() const { return FInfo; }
    bool IsExecutable() const { return FIsExecutable; }
    // The bytes before the first entry, kept as they are.
    int64_t PrefixSize() const { return FPrefixEnd; }
    int64_t StubSize() const { return FIsExecutable ? FPrefixEnd : 0; }
    // What is added to a stored offset to find the bytes in the file: the
    // size of a prefix the offsets do not count.
    int64_t OffsetShift() const { return FOffsetShift; }
    // Where the central directory starts in the file.
    int64_t DirectoryPosition() const { return FDirectoryPos; }
    // The archive ends with zip64 records.
    bool HasZip64End() const { return FZip64End; }
    bool DriveIsRemovable() const { return FDriveIsRemovable; }
    uint16_t CurrentDisk() const { return FCurrentDisk; }
    // The file was just made by CreateEmptyZipFile: its first write is that of an empty file.
    void MarkFreshlyCreated();

    TZipSupportedMethod CompressionMethodToUse = smBestMethod;
    TZipDeflationOption DeflationOption = doNormal;
    std::string Password;
    uint8_t PasswordRetries = 3;

    // Every save writes the whole file again after its prefix instead of
    // its changed tail: what each in-place commit must equal byte for byte.
    bool RewriteWhole = false;

    TZipStreamDataHook InsertFromStreamHelper;
    TZipFileDataHook InsertHelper;

    // Gathering: while rewriting the directory costs more than the entries
    // added meanwhile, they wait in memory and are committed together, at
    // the latest when the oldest has waited LongestGatherWait. Off, every
    // add is on disk when it returns.
    bool GroupCommits = false;
    // The time gathering goes by; empty: the steady clock.
    TSteadyClock Clock;
    int Unwritten() const override { return FGathered; }
    // Commits what is gathered when the oldest will have waited its longest
    // within `ahead`.
    void CommitIfDue(std::chrono::milliseconds ahead = std::chrono::milliseconds(0));
    void CommitGathered();
    // Gives back the room grouped commits of this model kept before the
    // directory: the directory moves to right after the last entry and the
    // file ends there. Does nothing when this model kept no room.
    void CloseRoom();

    // Relays an entry's compression progress to the item-progress hook.
    bool ItemProgress(TArchiveItem* item, uint8_t progress) { return DoArchiveItemProgress(item, progress); }

    // What kept the last new entry out of a write that went on without it
    // (the failure hook only hears "ecFileOpenError, 0"); empty when nothing
    // did. Taking it clears it.
    std::exception_ptr TakeEntryFailure() { return std::exchange(FEntryFailure, nullptr); }

protected:
    void ReadArchive() override;
    void WriteArchive() override;
    bool Gather(TArchiveItem& item, TProcessType type) override;
    void GiveUpUnwritten() override { GiveUpGathered(); }

private:
    struct TCapacity {
        int64_t Bytes = INT64_MAX;
        const char* Message = ArchiveMsgBeyondThreshold;
    };
    // Entries before First, and the bytes before Keep, stay as they are.
    struct TCommitPlan {
        int First = 0;
        int64_t Keep = 0;
    };
    // The changeable state of the entries from First on and of the file's
    // layout, as it was before a commit was tried.
    struct TPlacement {
        int First = 0;
        std::vector<TZipDirectoryFileHeader> Headers;
        std::vector<std::pair<int64_t, int64_t>> Extents;
        TZipDirectoryFileFooter Footer;
        int64_t PrefixEnd = 0;
        int64_t DirectoryPos = 0;
        int64_t DirectorySize = 0;
        bool Zip64End = false;
    };
    // Entries in place one after the other from the prefix on, as every
    // commit leaves them: a plan starts after them while none changed since.
    struct TPlacedEntries {
        int Count = -1;
        int64_t End = 0;
        uint64_t Changes = 0;
        const TArchiveItem* Last = nullptr;
    };
    // The central directory as the end records place it.
    struct TDirectoryPlace {
        uint64_t Entries = 0;
        int64_t Position = 0;
        int64_t Size = 0;
        int64_t Shift = 0;
        bool Zip64 = false;
        uint32_t Disk = 0;
    };

    // ZipArchive.cpp: the commit as a whole.
    void WriteTail();
    [[noreturn]] void RefuseSpannedWrite();
    TPlacement SavePlacement(int first) const;
    void RestorePlacement(const TPlacement& saved);
    std::unique_ptr<TStream> MakeTailStream(const TCommitPlan& plan) const;
    void FinishEntries(int first);

    // ZipArchiveAdopt.cpp
    void RememberIdentity(int handle);
    [[noreturn]] void RefuseChangedFile();
    void CatchUpWithFile(int handle);
    bool AdoptOtherCopysEntries();
    bool ReadOtherCopysDirectory(int knownCount);
    bool OtherCopyLeftItInPlace(int knownCount);
    void QueueAfterAdopted(std::vector<std::unique_ptr<TArchiveItem>>& pending);

    // ZipArchivePlan.cpp
    TCapacity VolumeCapacity(bool& marker);
    void CheckFits(int64_t end, int64_t tailSize, const TCapacity& capacity) const;
    bool AddsMarker(bool marker);
    bool StaysInPlace(const TZipItem& item, int64_t at) const;
    void RememberPlacedEntries();
    bool PlacedEntriesStand() const;
    TCommitPlan PlanCommit(bool marker);

    // ZipArchiveTail.cpp
    void BuildTail(TStream& image, const TCommitPlan& plan, const TCapacity& capacity, bool marker);
    void WritePrefix(TStream& image, bool marker);
    void WriteEntriesFrom(int first, TStream& image, int64_t base, TStream& directory, const TCapacity& capacity);
    void WriteDirectoryAndEnd(TStream& image, int64_t base, TStream& directory, const TCapacity& capacity);
    void WriteEndRecords(TStream& image, int64_t base, uint64_t entries, const TCapacity& capacity);
    uint64_t EntriesKeptFrom(int first) const;
    void CopyKeptEntry(TZipItem& item, TStream& image, int64_t base, TStream& directory);
    void CopyRenamedRecord(TZipItem& item, TStream& image);
    void AddNewEntry(TZipItem& item, TStream& image, int64_t base, TStream& directory, const std::string& swapDir);
    void CommitInPlace(TStream& tail, int64_t keep, int handle);
    void CommitWholeTail(const TCommitPlan& plan, const TCapacity& capacity, bool marker, int handle);

    // ZipArchiveRoom.cpp: grouped commits into room before the directory.
    bool GathersForRoom() const;
    bool CommitsIntoRoom(const TCommitPlan& plan, const TCapacity& capacity) const;
    void CommitIntoRoom(const TCommitPlan& plan, const TCapacity& capacity, int handle, TPlacement& saved);
    void MoveDirectory(int64_t roomStart, int64_t entriesEnd, int kept, const TCapacity& capacity, int handle);
    void WriteDirectoryCopy(TStream& image, int64_t to, uint64_t entries, const TCapacity& capacity);
    void ShrinkToDirectory(int64_t to, int handle);

    // ZipArchiveGather.cpp
    std::chrono::steady_clock::time_point Now() const;
    bool GatheredOutweighDirectory() const;
    // An entry whose data could not be made: left out, its failure kept for the run.
    void DropFailedEntry(TZipItem& item);
    void GiveUpGathered();
    void ForgetGathered();

    // ZipArchiveRead.cpp
    void ReadEndAndDirectory(int64_t tail);
    TDirectoryPlace PlaceDirectory(int64_t tail);
    bool ReadZip64End(int64_t tail, TDirectoryPlace& place);
    void ReadDirectory(const TDirectoryPlace& place);

    // ZipArchiveExtent.cpp: where each entry ends, from its local header.
    void MeasureEntries(int first);
    void MeasureEntry(TZipItem& item, int handle);
    int64_t PositionOf(const TZipItem& item) const;

    uint16_t FCurrentDisk = 65535;
    bool FDriveIsRemovable = false;
    TZipDirectoryFileFooter FInfo;
    bool FIsExecutable = false;
    bool FAutoGen = false;
    TFileIdentity FIdentity;
    bool FHaveIdentity = false;
    bool FFreshFile = false;
    bool FCommentSet = false;
    int64_t FOffsetShift = 0;
    int64_t FPrefixEnd = 0;
    int64_t FDirectoryPos = 0;
    int64_t FDirectorySize = 0;
    TPlacedEntries FPlaced;
    bool FKeptRoom = false;
    bool FZip64End = false;
    int FGathered = 0;
    int64_t FGatheredBytes = 0;
    int64_t FGatheredRecords = 0;
    std::chrono::steady_clock::time_point FOldestGathered;
    std::exception_ptr FEntryFailure;
};
