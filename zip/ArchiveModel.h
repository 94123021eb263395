#pragma once
// The archive model whatever the format: entries in archive order with their
// pending actions, the name index, states, the lock and the owner's hooks.

#include "ArchiveItem.h"
#include "Stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

enum TArchiveState : uint8_t { stInvalid = 0, stIdle = 1, stBusy = 2 };

enum TAbProcessType : uint8_t { ptAdd, ptDelete, ptExtract, ptFreshen, ptMove, ptReplace, ptFoundUnhandled };

enum TAbErrorClass : uint8_t {
    ecArchiveError, ecInOutError, ecFilerError, ecFileCreateError, ecFileOpenError, ecCabError, ecOther
};

// A set of TAbStoreOption, one bit per value.
enum TAbStoreOption : uint8_t { soStripDrive, soStripPath, soRemoveDots, soRecurse, soFreshen, soReplace };
using TAbStoreOptions = uint8_t;
constexpr TAbStoreOptions AbOption(TAbStoreOption option) { return static_cast<TAbStoreOptions>(1u << option); }
constexpr bool AbHasOption(TAbStoreOptions set, TAbStoreOption option) { return (set & AbOption(option)) != 0; }

// Percentage of a out of c, safe from overflow for large counts.
int AbPercentage(int64_t a, int64_t c);

// The entries in archive order, with a 1021-bucket index of their names.
class TAbArchiveList {
public:
    static constexpr uint32_t BucketCount = 1021;

    TAbArchiveList();
    ~TAbArchiveList();  // frees the entries, last to first
    TAbArchiveList(const TAbArchiveList&) = delete;
    TAbArchiveList& operator=(const TAbArchiveList&) = delete;

    // Appends and puts the entry at the head of its bucket's chain.
    void Add(std::unique_ptr<TAbArchiveItem> item);
    int Count() const { return static_cast<int>(FList.size()); }
    TAbArchiveItem* Item(int index) const { return FList.at(static_cast<size_t>(index)); }
    // Index of the first entry of the name's chain with an equal name, or -1.
    int Find(const std::string& name) const;
    // An equal name whose entry is not about to be removed.
    bool IsActiveDupe(const std::string& name) const;
    // Unlinks, frees and closes the gap.
    void Delete(int index);
    int IndexOf(const TAbArchiveItem* item) const;

    // Hash of the upper-cased name, before the modulo.
    static uint32_t GenerateHash(const std::string& name);
    // Equal when they match ignoring the case of A to Z.
    static bool NamesEqual(const std::string& a, const std::string& b);

private:
    static uint32_t Bucket(const std::string& name) { return GenerateHash(name) % BucketCount; }
    bool Unlink(uint32_t bucket, const TAbArchiveItem* item);

    std::vector<TAbArchiveItem*> FList;
    std::vector<TAbArchiveItem*> FBuckets;
};

class TAbArchive;

// The owner's hooks; unassigned ones answer Confirm = true and Abort = false.
using TAbArchiveEventHook = std::function<void(TAbArchive& archive)>;
using TAbArchiveConfirmHook = std::function<void(TAbArchive& archive, bool& confirm)>;
using TAbArchiveProgressHook = std::function<void(TAbArchive& archive, uint8_t progress, bool& abort)>;
using TAbArchiveItemConfirmHook =
    std::function<void(TAbArchive& archive, TAbArchiveItem* item, TAbProcessType type, bool& confirm)>;
using TAbArchiveItemFailureHook = std::function<void(TAbArchive& archive, TAbArchiveItem* item, TAbProcessType type,
                                                     TAbErrorClass errorClass, int32_t errorCode)>;
using TAbArchiveItemProgressHook =
    std::function<void(TAbArchive& archive, TAbArchiveItem* item, uint8_t progress, bool& abort)>;

class TAbArchive {
public:
    // Opens the archive file; a name that is not a full path fails with
    // "Full Path Required" before any file is made.
    TAbArchive(const std::string& fileName, uint16_t mode);
    virtual ~TAbArchive();
    TAbArchive(const TAbArchive&) = delete;
    TAbArchive& operator=(const TAbArchive&) = delete;

    virtual std::unique_ptr<TAbArchiveItem> NewEntry(const std::string& name) = 0;
    virtual std::string MakeStoredName(const std::string& name) = 0;

    // Adds one entry from a stream and writes the archive at once.
    void AddStream(const std::string& name, TStream& source);
    void SaveChanges();
    void LoadDirectory();

    void Lock();
    void Unlock();

    int Count() const { return FItemList.Count(); }
    TAbArchiveItem* Item(int index) const { return FItemList.Item(index); }
    int FindFile(const std::string& name) const { return FItemList.Find(name); }
    const TAbArchiveList& ItemList() const { return FItemList; }

    TArchiveState Status() const { return FStatus; }
    bool IsDirty() const { return FIsDirty; }
    const std::string& ArchiveName() const { return FArchiveName; }
    uint16_t Mode() const { return FMode; }
    bool Spanned() const { return FSpanned; }
    TStream* Stream() const { return FStream.get(); }
    TAbArchiveItem* CurrentItem() const { return FCurrentItem; }

    bool AutoSave = false;
    bool DOSMode = false;
    uint8_t ExtractOptions = 0;
    int32_t SpanningThreshold = 0;
    std::string TempDirectory;
    std::string LogFile;
    bool Logging = false;

    TAbStoreOptions StoreOptions() const { return FStoreOptions; }
    virtual void SetStoreOptions(TAbStoreOptions options) { FStoreOptions = options; }
    const std::string& BaseDirectory() const { return FBaseDirectory; }
    void SetBaseDirectory(const std::string& dir) { FBaseDirectory = dir; }

    TAbArchiveItemFailureHook OnProcessItemFailure;
    TAbArchiveProgressHook OnArchiveProgress;
    TAbArchiveProgressHook OnArchiveSaveProgress;
    TAbArchiveItemProgressHook OnArchiveItemProgress;
    TAbArchiveItemConfirmHook OnConfirmProcessItem;
    TAbArchiveConfirmHook OnConfirmSave;
    TAbArchiveEventHook OnLoad;
    TAbArchiveEventHook OnSave;

protected:
    virtual void ReadArchive() = 0;
    virtual void WriteArchive() = 0;

    void DoProcessItemFailure(TAbArchiveItem* item, TAbProcessType type, TAbErrorClass errorClass, int32_t code);
    // Return the owner's Abort answer.
    bool DoArchiveProgress(uint8_t progress);
    bool DoArchiveSaveProgress(uint8_t progress);
    bool DoArchiveItemProgress(TAbArchiveItem* item, uint8_t progress);
    bool DoConfirmProcessItem(TAbArchiveItem* item, TAbProcessType type);
    bool DoConfirmSave();
    void DoLoad();
    void DoSave();

    std::unique_ptr<TStream> FStream;
    TArchiveState FStatus = stInvalid;
    std::string FArchiveName;
    std::string FBaseDirectory;
    TAbArchiveItem* FCurrentItem = nullptr;
    uint16_t FImageNumber = 0;
    TStream* FInStream = nullptr;  // the source of the AddStream in progress
    bool FIsDirty = false;
    TAbArchiveList FItemList;
    uint16_t FMode = 0;
    bool FOwnsStream = true;
    bool FSpanned = false;
    TAbStoreOptions FStoreOptions = 0;
    // Closes the model to further writes; the next add fails with the message.
    void CloseForWriting(const std::string& message);
    std::string FClosedMessage;

private:
    std::recursive_mutex FPadLock;
};

// Holds the model's lock for one scope.
class TAbLockGuard {
public:
    explicit TAbLockGuard(TAbArchive& archive) : FArchive(archive) { FArchive.Lock(); }
    ~TAbLockGuard() { FArchive.Unlock(); }
    TAbLockGuard(const TAbLockGuard&) = delete;
    TAbLockGuard& operator=(const TAbLockGuard&) = delete;

private:
    TAbArchive& FArchive;
};
