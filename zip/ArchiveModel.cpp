#include "ArchiveModel.h"

#include "ArchiveErrors.h"
#include "SpanStream.h"
#include "FullPath.h"
#include "Volume.h"

#include <algorithm>
#include <climits>
#include <unistd.h>

namespace {

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string ProgramDirectory()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return std::string();
    return ExtractFilePath(std::string(buf, static_cast<size_t>(n)));
}

} // namespace

int AbPercentage(int64_t a, int64_t c)
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

// ---- TAbArchiveList

TAbArchiveList::TAbArchiveList() : FBuckets(BucketCount, nullptr)
{
}

TAbArchiveList::~TAbArchiveList()
{
    for (auto it = FList.rbegin(); it != FList.rend(); ++it)
        delete *it;
}

uint32_t TAbArchiveList::GenerateHash(const std::string& name)
{
    uint32_t h = 0;
    for (char ch : name) {
        h = (h << 4) + static_cast<uint8_t>(UpperAscii(ch));
        const uint32_t g = h & 0xF0000000u;
        if (g != 0)
            h ^= g >> 24;
        h &= ~g;
    }
    return h;
}

bool TAbArchiveList::NamesEqual(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

void TAbArchiveList::Add(std::unique_ptr<TAbArchiveItem> item)
{
    const uint32_t bucket = Bucket(item->GetFileName());
    FList.push_back(item.get());
    TAbArchiveItem* raw = item.release();
    raw->SetNextItem(FBuckets[bucket]);
    FBuckets[bucket] = raw;
}

int TAbArchiveList::IndexOf(const TAbArchiveItem* item) const
{
    const auto it = std::find(FList.begin(), FList.end(), item);
    return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

int TAbArchiveList::Find(const std::string& name) const
{
    for (TAbArchiveItem* p = FBuckets[Bucket(name)]; p; p = p->NextItem())
        if (NamesEqual(p->GetFileName(), name))
            return IndexOf(p);
    return -1;
}

bool TAbArchiveList::IsActiveDupe(const std::string& name) const
{
    for (TAbArchiveItem* p = FBuckets[Bucket(name)]; p; p = p->NextItem())
        if (NamesEqual(p->GetFileName(), name) && p->Action() != eaRemove)
            return true;
    return false;
}

bool TAbArchiveList::Unlink(uint32_t bucket, const TAbArchiveItem* item)
{
    TAbArchiveItem* prev = nullptr;
    for (TAbArchiveItem* p = FBuckets[bucket]; p; prev = p, p = p->NextItem()) {
        if (p != item)
            continue;
        if (prev)
            prev->SetNextItem(p->NextItem());
        else
            FBuckets[bucket] = p->NextItem();
        return true;
    }
    return false;
}

void TAbArchiveList::Delete(int index)
{
    TAbArchiveItem* item = Item(index);
    // An entry renamed since it was added sits in the bucket of its old name.
    if (!Unlink(Bucket(item->GetFileName()), item))
        for (uint32_t b = 0; b < BucketCount && !Unlink(b, item); ++b) {
        }
    FList.erase(FList.begin() + index);
    delete item;
}

// ---- TAbArchive

TAbArchive::TAbArchive(const std::string& fileName, uint16_t mode)
{
    FStatus = stInvalid;
    if (!IsFullPath(fileName))
        throw EAbException(AbStrRes(AbFullPathRequired));
    const TAbMediaType media = IsRemovableDrive(fileName) ? mtRemoveable : mtLocal;
    FStream = std::make_unique<TAbSpanStream>(fileName, mode, media, 0);
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

TAbArchive::~TAbArchive() = default;

void TAbArchive::Lock()
{
    FPadLock.lock();
    FStatus = stBusy;
}

void TAbArchive::Unlock()
{
    if (FStatus == stBusy)
        FStatus = stIdle;
    FPadLock.unlock();
}

void TAbArchive::AddStream(const std::string& name, TStream& source)
{
    std::unique_ptr<TAbArchiveItem> entry = NewEntry(name);
    if (FStatus == stInvalid) {
        if (!FClosedMessage.empty())
            throw EAbException(FClosedMessage, AbNoArchive);
        throw EAbNoArchive();
    }
    TAbProcessType processType = ptAdd;
    TAbArchiveItem* target = entry.get();
    if (FItemList.IsActiveDupe(name)) {
        if (!AbHasOption(FStoreOptions, soFreshen) && !AbHasOption(FStoreOptions, soReplace)) {
            DoProcessItemFailure(entry.get(), ptAdd, ecArchiveError, AbDuplicateName);
            return;
        }
        entry.reset();
        target = nullptr;
        for (TAbArchiveItem* p = FItemList.Item(FItemList.Find(name)); p; p = p->NextItem())
            if (TAbArchiveList::NamesEqual(p->GetFileName(), name) && p->Action() != eaRemove) {
                target = p;
                break;
            }
        processType = ptReplace;
    }
    if (!DoConfirmProcessItem(target, processType))
        return;

    TAbLockGuard lock(*this);
    FInStream = &source;
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
        SaveChanges();
    } catch (...) {
        giveUpUnwritten();
        throw;
    }
    giveUpUnwritten();
}

void TAbArchive::CloseForWriting(const std::string& message)
{
    FStatus = stInvalid;
    FClosedMessage = message;
}

void TAbArchive::SaveChanges()
{
    if (FStatus == stInvalid)
        return;
    if (!FIsDirty && Count() > 0)
        return;
    TAbLockGuard lock(*this);
    if (!DoConfirmSave())
        return;
    WriteArchive();
    FIsDirty = false;
    DoSave();
}

void TAbArchive::LoadDirectory()
{
    TAbLockGuard lock(*this);
    try {
        ReadArchive();
    } catch (...) {
        DoLoad();
        throw;
    }
    FStatus = stIdle;
    DoLoad();
}

void TAbArchive::DoProcessItemFailure(TAbArchiveItem* item, TAbProcessType type, TAbErrorClass errorClass,
                                      int32_t code)
{
    if (OnProcessItemFailure)
        OnProcessItemFailure(*this, item, type, errorClass, code);
}

bool TAbArchive::DoArchiveProgress(uint8_t progress)
{
    bool abort = false;
    if (OnArchiveProgress)
        OnArchiveProgress(*this, progress, abort);
    return abort;
}

bool TAbArchive::DoArchiveSaveProgress(uint8_t progress)
{
    bool abort = false;
    if (OnArchiveSaveProgress)
        OnArchiveSaveProgress(*this, progress, abort);
    return abort;
}

bool TAbArchive::DoArchiveItemProgress(TAbArchiveItem* item, uint8_t progress)
{
    bool abort = false;
    if (OnArchiveItemProgress)
        OnArchiveItemProgress(*this, item, progress, abort);
    return abort;
}

bool TAbArchive::DoConfirmProcessItem(TAbArchiveItem* item, TAbProcessType type)
{
    bool confirm = true;
    if (OnConfirmProcessItem)
        OnConfirmProcessItem(*this, item, type, confirm);
    return confirm;
}

bool TAbArchive::DoConfirmSave()
{
    bool confirm = true;
    if (OnConfirmSave)
        OnConfirmSave(*this, confirm);
    return confirm;
}

void TAbArchive::DoLoad()
{
    if (OnLoad)
        OnLoad(*this);
}

void TAbArchive::DoSave()
{
    if (OnSave)
        OnSave(*this);
}
