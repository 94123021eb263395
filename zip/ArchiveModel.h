#pragma once
// The archive model whatever the format: entries in archive order with their
// pending actions, the name index, states, the lock and the owner's hooks.

#include "ArchiveItem.h"
#include "Stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

enum TArchiveState : uint8_t { stInvalid = 0, stIdle = 1, stBusy = 2 };

enum TProcessType : uint8_t { ptAdd, ptDelete, ptExtract, ptFreshen, ptMove, ptReplace, ptFoundUnhandled };

enum TErrorClass : uint8_t {
    ecArchiveError, ecInOutError, ecFilerError, ecFileCreateError, ecFileOpenError, ecCabError, ecOther
};

// A set of TStoreOption, one bit per value.
enum TStoreOption : uint8_t { soStripDrive, soStripPath, soRemoveDots, soRecurse, soFreshen, soReplace };
using TStoreOptions = uint8_t;
constexpr TStoreOptions StoreOptionBit(TStoreOption option) { return static_cast<TStoreOptions>(1u << option); }
constexpr bool HasStoreOption(TStoreOptions set, TStoreOption option) { return (set & StoreOptionBit(option)) != 0; }

// Percentage of a out of c, safe from overflow for large counts.
int ArchivePercentage(int64_t a, int64_t c);

// The entries in archive order, with a 1021-bucket index of their names.
class TArchiveList {
public:
    static constexpr uint32_t BucketCount = 1021;

    TArchiveList();
    ~TArchiveList();  // frees the entries, last to first
    TArchiveList(const TArchiveList&) = delete;
    TArchiveList& operator=(const TArchiveList&) = delete;

    // Appends and puts the entry at the head of its bucket's chain.
    void Add(std::unique_ptr<TArchiveItem> item);
    int Count() const { return static_cast<int>(FList.size()); }
    TArchiveItem* Item(int index) const { return FList.at(static_cast<size_t>(index)); }
    // Index of the first entry of the name's chain with an equal name, or -1.
    int Find(const std::string& name) const;
    // An equal name whose entry is not about to be removed.
    bool IsActiveDupe(const std::string& name) const;
    // Unlinks, frees and closes the gap.
    void Delete(int index);
    // Unlinks and closes the gap; the caller gets the entry.
    std::unique_ptr<TArchiveItem> Take(int index);
    int IndexOf(const TArchiveItem* item) const;
    // Grows whenever an entry leaves eaKeep or the list: while it stands
    // still, kept entries are at their indexes and as they were.
    uint64_t KeptChanges() const { return FKeptChanges; }

    // Hash of the case-folded name (FoldedName), before the modulo.
    static uint32_t GenerateHash(const std::string& name);
    // Equal when they differ only by letter case, in any script for UTF-8
    // names, of A to Z for others.
    static bool NamesEqual(const std::string& a, const std::string& b);

private:
    void Unlink(uint32_t bucket, const TArchiveItem* item);
    // The chain of a name's bucket, or none where no entry was added under
    // the name's hash: a large archive's chains are long, and most names
    // asked about are new.
    TArchiveItem* ChainFor(const std::string& name) const;

    std::vector<TArchiveItem*> FList;
    std::vector<TArchiveItem*> FBuckets;
    uint64_t FKeptChanges = 0;
    std::unordered_map<uint32_t, uint32_t> FHashCounts;
};

class TArchive;

// The owner's hooks; unassigned ones answer Confirm = true and Abort = false.
using TArchiveEventHook = std::function<void(TArchive& archive)>;
using TArchiveConfirmHook = std::function<void(TArchive& archive, bool& confirm)>;
using TArchiveProgressHook = std::function<void(TArchive& archive, uint8_t progress, bool& abort)>;
using TArchiveItemConfirmHook =
    std::function<void(TArchive& archive, TArchiveItem* item, TProcessType type, bool& confirm)>;
using TArchiveItemFailureHook = std::function<void(TArchive& archive, TArchiveItem* item, TProcessType type,
                                                     TErrorClass errorClass, int32_t errorCode)>;
using TArchiveItemProgressHook =
    std::function<void(TArchive& archive, TArchiveItem* item, uint8_t progress, bool& abort)>;

class TArchive {
public:
    // Opens the archive file; a name that is not a full path fails with
    // "Full Path Required" before any file is made.
    TArchive(const std::string& fileName, uint16_t mode);
    virtual ~TArchive();
    TArchive(const TArchive&) = delete;
    TArchive& operator=(const TArchive&) = delete;

    virtual std::unique_ptr<TArchiveItem> NewEntry(const std::string& name) = 0;
    virtual std::string MakeStoredName(const std::string& name) = 0;

    // Adds one entry from a stream and writes the archive at once; the
    // entry's time is `modified` when given (seconds since 1970, UTC).
    void AddStream(const std::string& name, TStream& source, std::optional<int64_t> modified = std::nullopt);
    void SaveChanges();
    void LoadDirectory();

    void Lock();
    void Unlock();

    int Count() const { return FItemList.Count(); }
    // Entries added whose data waits in memory for the next write.
    virtual int Unwritten() const { return 0; }
    TArchiveItem* Item(int index) const { return FItemList.Item(index); }
    int FindFile(const std::string& name) const { return FItemList.Find(name); }
    const TArchiveList& ItemList() const { return FItemList; }

    TArchiveState Status() const { return FStatus; }
    bool IsDirty() const { return FIsDirty; }
    const std::string& ArchiveName() const { return FArchiveName; }
    uint16_t Mode() const { return FMode; }
    bool Spanned() const { return FSpanned; }
    TStream* Stream() const { return FStream.get(); }
    TArchiveItem* CurrentItem() const { return FCurrentItem; }

    bool AutoSave = false;
    bool DOSMode = false;
    uint8_t ExtractOptions = 0;
    int32_t SpanningThreshold = 0;
    std::string TempDirectory;
    std::string LogFile;
    bool Logging = false;

    TStoreOptions StoreOptions() const { return FStoreOptions; }
    virtual void SetStoreOptions(TStoreOptions options) { FStoreOptions = options; }
    const std::string& BaseDirectory() const { return FBaseDirectory; }
    void SetBaseDirectory(const std::string& dir) { FBaseDirectory = dir; }

    TArchiveItemFailureHook OnProcessItemFailure;
    TArchiveProgressHook OnArchiveProgress;
    TArchiveProgressHook OnArchiveSaveProgress;
    TArchiveItemProgressHook OnArchiveItemProgress;
    TArchiveItemConfirmHook OnConfirmProcessItem;
    TArchiveConfirmHook OnConfirmSave;
    TArchiveEventHook OnLoad;
    TArchiveEventHook OnSave;

protected:
    virtual void ReadArchive() = 0;
    virtual void WriteArchive() = 0;
    // Called by AddStream, lock held, with the new entry listed and marked
    // eaFromStream: true when the model took the entry's data from FInStream
    // to write it with others later (or dropped it as failed) instead of now.
    virtual bool Gather(TArchiveItem& /*item*/, TProcessType /*type*/) { return false; }
    // A failed save gives up what waited for it, as a single add is given up:
    // none of it was reported written.
    virtual void GiveUpUnwritten() {}

    void DoProcessItemFailure(TArchiveItem* item, TProcessType type, TErrorClass errorClass, int32_t code);
    // Return the owner's Abort answer.
    bool DoArchiveProgress(uint8_t progress);
    bool DoArchiveSaveProgress(uint8_t progress);
    bool DoArchiveItemProgress(TArchiveItem* item, uint8_t progress);
    bool DoConfirmProcessItem(TArchiveItem* item, TProcessType type);
    bool DoConfirmSave();
    void DoLoad();
    void DoSave();

    std::unique_ptr<TStream> FStream;
    TArchiveState FStatus = stInvalid;
    std::string FArchiveName;
    std::string FBaseDirectory;
    TArchiveItem* FCurrentItem = nullptr;
    uint16_t FImageNumber = 0;
    TStream* FInStream = nullptr;  // the source of the AddStream in progress
    bool FIsDirty = false;
    TArchiveList FItemList;
    uint16_t FMode = 0;
    bool FOwnsStream = true;
    bool FSpanned = false;
    TStoreOptions FStoreOptions = 0;
    // Closes the model to further writes; the next add fails with the message.
    void CloseForWriting(const std::string& message);
    std::string FClosedMessage;

private:
    std::recursive_mutex FPadLock;
};

// Holds the model's lock for one scope.
class TLockGuard {
public:
    explicit TLockGuard(TArchive& archive) : FArchive(archive) { FArchive.Lock(); }
    ~TLockGuard() { FArchive.Unlock(); }
    TLockGuard(const TLockGuard&) = delete;
    TLockGuard& operator=(const TLockGuard&) = delete;

private:
    TArchive& FArchive;
};
