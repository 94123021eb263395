#pragma once
// One entry of an archive, as the archive model sees it whatever the format.

#include <cstdint>
#include <optional>
#include <string>

// What the next write does with an entry.
enum TEntryAction : uint8_t {
    eaKeep = 1,
    eaAddFile = 2,
    eaRemove = 3,
    eaRefresh = 4,
    eaRename = 5,
    eaReplaceFile = 6,
    eaFromStream = 7,
    // Its data is made and held by the model until the next write.
    eaGathered = 8,
};

class TArchiveItem {
public:
    TArchiveItem() = default;
    virtual ~TArchiveItem() = default;
    TArchiveItem(const TArchiveItem&) = delete;
    TArchiveItem& operator=(const TArchiveItem&) = delete;

    // Format-specific entries keep these in their own records and override them.
    virtual int32_t GetCompressedSize() const { return FCompressedSize; }
    virtual uint32_t GetCRC32() const { return FCRC32; }
    virtual uint32_t GetExternalFileAttributes() const { return FExternalFileAttributes; }
    virtual std::string GetFileName() const { return FFileName; }
    virtual bool GetIsEncrypted() const { return FIsEncrypted; }
    virtual uint16_t GetLastModFileDate() const { return FLastModFileDate; }
    virtual uint16_t GetLastModFileTime() const { return FLastModFileTime; }
    virtual uint32_t GetUncompressedSize() const { return FUncompressedSize; }

    virtual void SetCompressedSize(int32_t value) { FCompressedSize = value; }
    virtual void SetCRC32(uint32_t value) { FCRC32 = value; }
    virtual void SetExternalFileAttributes(uint32_t value) { FExternalFileAttributes = value; }
    virtual void SetFileName(const std::string& value) { FFileName = value; }
    virtual void SetIsEncrypted(bool value) { FIsEncrypted = value; }
    virtual void SetLastModFileDate(uint16_t value) { FLastModFileDate = value; }
    virtual void SetLastModFileTime(uint16_t value) { FLastModFileTime = value; }
    virtual void SetUncompressedSize(uint32_t value) { FUncompressedSize = value; }

    // Chain of the entry list's name index.
    TArchiveItem* NextItem() const { return FNextItem; }
    void SetNextItem(TArchiveItem* item) { FNextItem = item; }

    TEntryAction Action() const { return FAction; }
    void SetAction(TEntryAction action)
    {
        if (FAction == eaKeep && action != eaKeep && FKeptChanges)
            ++*FKeptChanges;
        FAction = action;
    }
    // The hash of the name the entry had when its list took it.
    uint32_t NameHash() const { return FNameHash; }
    void SetNameHash(uint32_t hash) { FNameHash = hash; }
    // The counter of the list holding the entry, told when it leaves eaKeep.
    void SetKeptChangeCounter(uint64_t* counter) { FKeptChanges = counter; }

    // The full path the entry was made from.
    const std::string& DiskFileName() const { return FDiskFileName; }
    void SetDiskFileName(const std::string& name) { FDiskFileName = name; }

    bool Tagged() const { return FTagged; }
    void SetTagged(bool value) { FTagged = value; }

    // When the data the entry is made from last changed (seconds since
    // 1970, UTC); a new entry without it gets the moment it is made.
    const std::optional<int64_t>& ModifiedTime() const { return FModifiedTime; }
    void SetModifiedTime(std::optional<int64_t> value) { FModifiedTime = value; }

protected:
    TArchiveItem* FNextItem = nullptr;
    uint64_t* FKeptChanges = nullptr;
    uint32_t FNameHash = 0;
    TEntryAction FAction = eaKeep;
    int32_t FCompressedSize = 0;
    uint32_t FCRC32 = 0;
    std::string FDiskFileName;
    uint32_t FExternalFileAttributes = 0;
    std::string FFileName;
    bool FIsEncrypted = false;
    uint16_t FLastModFileTime = 0;
    uint16_t FLastModFileDate = 0;
    bool FTagged = false;
    uint32_t FUncompressedSize = 0;
    std::optional<int64_t> FModifiedTime;
};
