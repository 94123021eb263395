// Keeping up with the file between commits: another copy of this program
// may have added entries under the commit lock since this model read it.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "FileLayer.h"

#include <algorithm>
#include <vector>

void TZipArchive::RememberIdentity(int handle)
{
    FHaveIdentity = GetHandleIdentity(handle, FIdentity);
}

void TZipArchive::RefuseChangedFile()
{
    // Never again: whatever this model writes would drop the other writer's entries.
    CloseForWriting(ArchiveMsgArchiveChanged);
    throw EZipWriteRefused(ArchiveMsgArchiveChanged);
}

// Called with the commit lock held. Another copy of this program commits
// under the same lock and leaves the file exactly as a rewrite of its
// directory would: such a change is taken in. Anything else is refused.
void TZipArchive::CatchUpWithFile(int handle)
{
    TFileIdentity now;
    TFileIdentity named;
    if (!GetHandleIdentity(handle, now) || !GetFileIdentity(FArchiveName, named) || named.Device != now.Device ||
        named.Inode != now.Inode)
        RefuseChangedFile();
    if (!FHaveIdentity || now == FIdentity)
        return;
    if (now.Device != FIdentity.Device || now.Inode != FIdentity.Inode || !AdoptOtherCopysEntries())
        RefuseChangedFile();
    FIdentity = now;
}

namespace {

// What this model knew of an entry, to recognise it in the other copy's directory.
struct TKnownEntry {
    std::string Name;
    uint32_t Crc;
    uint64_t Size;
    uint64_t Offset;
    int64_t Record;
    int64_t Descriptor;
};

TKnownEntry KnownAs(const TZipItem& item)
{
    return {item.GetFileName(), item.ItemInfo().CRC32, item.DataSize(), item.Offset(), item.LocalRecordSize(),
            item.DescriptorSize()};
}

// The other copy's first entries are this model's, where they were; they
// take the extents measured before.
bool StartsWithKnown(const TZipArchive& archive, const std::vector<TKnownEntry>& known)
{
    for (size_t i = 0; i < known.size(); ++i) {
        TZipItem& theirs = *archive.ZipItem(static_cast<int>(i));
        if (!TArchiveList::NamesEqual(theirs.GetFileName(), known[i].Name) ||
            theirs.ItemInfo().CRC32 != known[i].Crc || theirs.DataSize() != known[i].Size ||
            theirs.Offset() != known[i].Offset)
            return false;
        theirs.SetLocalExtent(known[i].Record, known[i].Descriptor);
    }
    return true;
}

} // namespace

bool TZipArchive::AdoptOtherCopysEntries()
{
    std::vector<TKnownEntry> known;
    std::vector<std::unique_ptr<TArchiveItem>> pending;
    for (int i = Count() - 1; i >= 0; --i) {
        std::unique_ptr<TArchiveItem> item = FItemList.Take(i);
        if (item->Action() == eaKeep)
            known.push_back(KnownAs(static_cast<TZipItem&>(*item)));
        else if (item->Action() == eaFromStream || item->Action() == eaGathered)
            pending.push_back(std::move(item));
        else
            return false;
    }
    std::reverse(known.begin(), known.end());
    std::reverse(pending.begin(), pending.end());
    const std::string comment = FInfo.ZipfileComment;
    try {
        if (!ReadOtherCopysDirectory(static_cast<int>(known.size())) || !StartsWithKnown(*this, known) ||
            !OtherCopyLeftItInPlace(static_cast<int>(known.size())))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    if (FCommentSet)
        FInfo.ZipfileComment = comment;
    QueueAfterAdopted(pending);
    FIsDirty = true;
    return true;
}

// The file as the other copy left it: one archive counting offsets the
// same way, with at least the entries this model knew.
bool TZipArchive::ReadOtherCopysDirectory(int knownCount)
{
    const int64_t shift = FOffsetShift;
    if (FStream->GetSize() == 0)
        return false;
    const int64_t tail = FindCentralDirectoryTail(*FStream);
    if (tail < 0)
        return false;
    ReadEndAndDirectory(tail);
    return FCurrentDisk == 0 && FOffsetShift == shift && Count() >= knownCount;
}

// The same prefix, and every entry where a rewrite would put it, with the
// directory after them or after room the other copy keeps.
bool TZipArchive::OtherCopyLeftItInPlace(int knownCount)
{
    const int64_t prefix = FPrefixEnd;
    FFreshFile = false;
    MeasureEntries(knownCount);
    const TCommitPlan plan = PlanCommit(false);
    return FPrefixEnd == prefix && plan.First == Count() && plan.Keep <= FDirectoryPos;
}

void TZipArchive::QueueAfterAdopted(std::vector<std::unique_ptr<TArchiveItem>>& pending)
{
    for (auto& item : pending) {
        // A name the other copy added first is skipped like any duplicate.
        if (FItemList.IsActiveDupe(item->GetFileName())) {
            item->SetAction(eaRemove);
            static_cast<TZipItem&>(*item).SetGatheredData(nullptr);
            DoProcessItemFailure(item.get(), ptAdd, ecArchiveError, ErrDuplicateName);
        }
        FItemList.Add(std::move(item));
    }
}
