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
    uint32_t Size;
};

TKnownEntry KnownAs(const TZipItem& item)
{
    return {item.GetFileName(), item.ItemInfo().CRC32, item.ItemInfo().CompressedSize};
}

bool StartsWithKnown(const TZipArchive& archive, const std::vector<TKnownEntry>& known)
{
    for (size_t i = 0; i < known.size(); ++i) {
        const TZipItem& theirs = *archive.ZipItem(static_cast<int>(i));
        if (!TArchiveList::NamesEqual(theirs.GetFileName(), known[i].Name) ||
            theirs.ItemInfo().CRC32 != known[i].Crc || theirs.ItemInfo().CompressedSize != known[i].Size)
            return false;
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
        else if (item->Action() == eaFromStream)
            pending.push_back(std::move(item));
        else
            return false;
    }
    std::reverse(known.begin(), known.end());
    std::reverse(pending.begin(), pending.end());
    const std::string comment = FInfo.ZipfileComment;
    try {
        uint32_t magic = 0;
        if (!ReadOtherCopysDirectory(static_cast<int>(known.size()), magic) || !StartsWithKnown(*this, known) ||
            !OtherCopyLeftItNormalised(magic))
            return false;
    } catch (const std::exception&) {
        return false;
    }
    FNormalised = true;
    if (FCommentSet)
        FInfo.ZipfileComment = comment;
    QueueAfterAdopted(pending);
    FIsDirty = true;
    return true;
}

// The file as the other copy left it: one archive, its directory right
// before the end record, at least the entries this model knew.
bool TZipArchive::ReadOtherCopysDirectory(int knownCount, uint32_t& magic)
{
    const int64_t size = FStream->GetSize();
    magic = ReadMagic(*FStream);
    if (size == 0 || size > MaxArchiveImageSize || (magic & 0xFFFF) == WindowsExeSignature)
        return false;
    const int64_t tail = FindCentralDirectoryTail(*FStream);
    if (tail < 0)
        return false;
    ReadEndAndDirectory(tail);
    return tail + 22 + static_cast<int64_t>(FInfo.ZipfileComment.size()) == size &&
           static_cast<int64_t>(FInfo.DirectoryOffset) + FInfo.DirectorySize == tail && Count() >= knownCount;
}

// Every entry lies where a rewrite would put it.
bool TZipArchive::OtherCopyLeftItNormalised(uint32_t magic)
{
    FNormalised = false;
    FFreshFile = false;
    const TCommitPlan plan = PlanCommit(magic == ZipPossiblySpannedSignature);
    return plan.First == Count() && plan.Keep == FInfo.DirectoryOffset;
}

void TZipArchive::QueueAfterAdopted(std::vector<std::unique_ptr<TArchiveItem>>& pending)
{
    for (auto& item : pending) {
        // A name the other copy added first is skipped like any duplicate.
        if (FItemList.IsActiveDupe(item->GetFileName())) {
            item->SetAction(eaRemove);
            DoProcessItemFailure(item.get(), ptAdd, ecArchiveError, ErrDuplicateName);
        }
        FItemList.Add(std::move(item));
    }
}
