#include "ArchiveModel.h"

#include "ArchiveErrors.h"
#include "NameFolding.h"
#include "SpanStream.h"
#include "FullPath.h"
#include "Volume.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace {


std::string ProgramDirectory()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    return ExtractFilePath(std::string(buf, static_cast<size_t>(n)));
}

} // namespace

int ArchivePercentage(int64_t a, int64_t c)
{
    if (c > 16384000) {
        a = (a + 128) >> 8;
        c = (c + 128) >> 8;
    }
    if (c <= 0)
        return 0;
    if (a < c)
        return static_cast<int>(a * 100 / c);
    return 100;
}

// ---- TArchiveList

TArchiveList::TArchiveList() : FBuckets(BucketCount, nullptr)
{
}

TArchiveList::~TArchiveList()
{
    for (auto it = FList.rbegin(); it != FList.rend(); ++it)
        delete *it;
}

uint32_t TArchiveList::GenerateHash(const std::string& name)
{
    uint32_t h = 0;
    for (char ch : FoldedName(name)) {
        h = (h << 4) + static_cast<uint8_t>(ch);
        const uint32_t g = h & 0xF0000000u;
        if (g != 0)
            h ^= g >> 24;
        h &= ~g;
    }
    return h;
}

bool TArchiveList::NamesEqual(const std::string& a, const std::string& b)
{
    return TNameMatch(a)(b);
}

void TArchiveList::Add(std::unique_ptr<TArchiveItem> item)
{
    const uint32_t hash = GenerateHash(item->GetFileName());
    const uint32_t bucket = hash % BucketCount;
    FList.push_back(item.get());
    TArchiveItem* raw = item.release();
    raw->SetNameHash(hash);
    ++FHashCounts[hash];
    raw->SetKeptChangeCounter(&FKeptChanges);
    raw->SetNextItem(FBuckets[bucket]);
    FBuckets[bucket] = raw;
}

// From the end: the entry asked about is most often the one just added.
int TArchiveList::IndexOf(const TArchiveItem* item) const
{
    const auto it = std::find(FList.rbegin(), FList.rend(), item);
    return it == FList.rend() ? -1 : static_cast<int>(FList.rend() - it) - 1;
}

TArchiveItem* TArchiveList::ChainFor(const std::string& name) const
{
    const uint32_t hash = GenerateHash(name);
    return FHashCounts.count(hash) != 0 ? FBuckets[hash % BucketCount] : nullptr;
}

int TArchiveList::Find(const std::string& name) const
{
    TNameMatch equal(name);
    for (TArchiveItem* p = ChainFor(name); p; p = p->NextItem())
        if (equal(p->GetFileName()))
            return IndexOf(p);
    return -1;
}

bool TArchiveList::IsActiveDupe(const std::string& name) const
{
    TNameMatch equal(name);
    for (TArchiveItem* p = ChainFor(name); p; p = p->NextItem())
        if (p->Action() != eaRemove && equal(p->GetFileName()))
            return true;
    return false;
}

void TArchiveList::Unlink(uint32_t bucket, const TArchiveItem* item)
{
    TArchiveItem* prev = nullptr;
    for (TArchiveItem* p = FBuckets[bucket]; p; prev = p, p = p->NextItem()) {
        if (p != item)
            continue;
        if (prev)
            prev->SetNextItem(p->NextItem());
        else
            FBuckets[bucket] = p->NextItem();
        return;
    }
}

std::unique_ptr<TArchiveItem> TArchiveList::Take(int index)
{
    TArchiveItem* item = Item(index);
    // An entry renamed since it was added still sits in the bucket of the
    // name it was added under, which its hash keeps.
    const auto counted = FHashCounts.find(item->NameHash());
    if (counted != FHashCounts.end() && --counted->second == 0)
        FHashCounts.erase(counted);
    Unlink(item->NameHash() % BucketCount, item);
    FList.erase(FList.begin() + index);
    item->SetNextItem(nullptr);
    item->SetKeptChangeCounter(nullptr);
    ++FKeptChanges;
    return std::unique_ptr<TArchiveItem>(item);
}

void TArchiveList::Delete(int index)
{
    Take(index);
}

// ---- TArchive

TArchive::TArchive(const std::string& fileName, uint16_t mode)
{
    FStatus = stInvalid;
    if (!IsFullPath(fileName))
        throw EArchiveException(ArchiveMessage(ErrFullPathRequired));
    const TMediaType media = IsRemovableDrive(fileName) ? mtRemoveable : mtLocal;
    FStream = std::make_unique<TSpanStream>(fileName, mode, media, 0);
    FOwnsStream = true;
    FArchiveName = fileName;
    FMode = mode;
    FSpanned = false;
    FBaseDirectory = ProgramDirectory();
    FIsDirty = false;
    AutoSave = false;
    FStoreOptions = 0;
    ExtractOptions = 0;
    FStatus = stIdle;
}

TArchive::~TArchive() = default;

void TArchive::Lock()
{
    FPadLock.lock();
    FStatus = stBusy;
}

void TArchive::Unlock()
{
    if (FStatus == stBusy)
        FStatus = stIdle;
    FPadLock.unlock();
}

void TArchive::AddStream(const std::string& name, TStream& source, std::optional<int64_t> modified)
{
    std::unique_ptr<TArchiveItem> entry = NewEntry(name);
    if (FStatus == stInvalid) {
        if (!FClosedMessage.empty())
            throw EArchiveException(FClosedMessage, ErrNoArchive);
        throw ENoArchive();
    }
    TProcessType processType = ptAdd;
    TArchiveItem* target = entry.get();
    // The name as stored decides, not the name as given: two paths may store
    // the same name.
    const std::string stored = entry->GetFileName();
    if (FItemList.IsActiveDupe(stored)) {
        if (!HasStoreOption(FStoreOptions, soFreshen) && !HasStoreOption(FStoreOptions, soReplace)) {
            DoProcessItemFailure(entry.get(), ptAdd, ecArchiveError, ErrDuplicateName);
            return;
        }
        entry.reset();
        target = nullptr;
        for (TArchiveItem* p = FItemList.Item(FItemList.Find(stored)); p; p = p->NextItem())
            if (TArchiveList::NamesEqual(p->GetFileName(), stored) && p->Action() != eaRemove) {
                target = p;
                break;
            }
        processType = ptReplace;
    }
    if (!DoConfirmProcessItem(target, processType))
        return;

    TLockGuard lock(*this);
    FInStream = &source;
    target->SetModifiedTime(modified);
    const TEntryAction previous = target->Action();
    target->SetAction(eaFromStream);
    if (processType == ptAdd)
        FItemList.Add(std::move(entry));
    FIsDirty = true;
    // The source is the caller's and goes away with this call: an entry that
    // did not reach the disk now (failed or declined write) is given up, so
    // no later write reads a released source.
    auto giveUpUnwritten = [&] {
        FInStream = nullptr;
        if (FItemList.IndexOf(target) >= 0 && target->Action() == eaFromStream)
            target->SetAction(processType == ptAdd ? eaRemove : previous);
    };
    try {
        if (!Gather(*target, processType))
            SaveChanges();
    } catch (...) {
        giveUpUnwritten();
        throw;
    }
    giveUpUnwritten();
}

void TArchive::CloseForWriting(const std::string& message)
{
    FStatus = stInvalid;
    FClosedMessage = message;
}

void TArchive::SaveChanges()
{
    if (FStatus == stInvalid)
        return;
    if (!FIsDirty && Count() > 0)
        return;
    TLockGuard lock(*this);
    try {
        if (!DoConfirmSave())
            return;
        WriteArchive();
    } catch (...) {
        GiveUpUnwritten();
        throw;
    }
    FIsDirty = false;
    DoSave();
}

void TArchive::LoadDirectory()
{
    TLockGuard lock(*this);
    try {
        ReadArchive();
    } catch (...) {
        DoLoad();
        throw;
    }
    FStatus = stIdle;
    DoLoad();
}

void TArchive::DoProcessItemFailure(TArchiveItem* item, TProcessType type, TErrorClass errorClass,
                                      int32_t code)
{
    if (OnProcessItemFailure)
        OnProcessItemFailure(*this, item, type, errorClass, code);
}

bool TArchive::DoArchiveProgress(uint8_t progress)
{
    bool abort = false;
    if (OnArchiveProgress)
        OnArchiveProgress(*this, progress, abort);
    return abort;
}

bool TArchive::DoArchiveSaveProgress(uint8_t progress)
{
    bool abort = false;
    if (OnArchiveSaveProgress)
        OnArchiveSaveProgress(*this, progress, abort);
    return abort;
}

bool TArchive::DoArchiveItemProgress(TArchiveItem* item, uint8_t progress)
{
    bool abort = false;
    if (OnArchiveItemProgress)
        OnArchiveItemProgress(*this, item, progress, abort);
    return abort;
}

bool TArchive::DoConfirmProcessItem(TArchiveItem* item, TProcessType type)
{
    bool confirm = true;
    if (OnConfirmProcessItem)
        OnConfirmProcessItem(*this, item, type, confirm);
    return confirm;
}

bool TArchive::DoConfirmSave()
{
    bool confirm = true;
    if (OnConfirmSave)
        OnConfirmSave(*this, confirm);
    return confirm;
}

void TArchive::DoLoad()
{
    if (OnLoad)
        OnLoad(*this);
}

void TArchive::DoSave()
{
    if (OnSave)
        OnSave(*this);
}
