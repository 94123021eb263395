#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "FileLayer.h"
#include "MemoryStream.h"
#include "PagedStream.h"
#include "RollbackJournal.h"

#include <memory>
#include <utility>
#include <vector>

TZipArchive::TZipArchive(const std::string& fileName, uint16_t mode) : TArchive(fileName, mode)
{
    FStoreOptions |= StoreOptionBit(soStripDrive);
    CompressionMethodToUse = smBestMethod;
    DeflationOption = doNormal;
    PasswordRetries = 3;
    TempDirectory.clear();
    SpanningThreshold = 0;
    FCurrentDisk = 65535;
    RememberIdentity(ArchiveHandle(*FStream));
}

TZipArchive::~TZipArchive() = default;

void TZipArchive::SetStoreOptions(TStoreOptions options)
{
    FStoreOptions = options | StoreOptionBit(soStripDrive);
}

// Only "/" separates folders on this system: "\" and ":" are ordinary
// characters of a file name and stay in the stored name, as other zip tools
// here keep them. There are no drives; the root of an absolute path goes.
std::string TZipArchive::MakeStoredName(const std::string& name)
{
    std::string result = name;
    FStoreOptions |= StoreOptionBit(soStripDrive);
    if (HasStoreOption(FStoreOptions, soStripPath)) {
        const size_t slash = result.rfind('/');
        if (slash != std::string::npos)
            result.erase(0, slash + 1);
    }
    while (result.size() > 1 && result[0] == '/')
        result.erase(0, 1);
    if (HasStoreOption(FStoreOptions, soRemoveDots))
        while (result.compare(0, 3, "../") == 0)
            result.erase(0, 3);
    return result;
}

std::unique_ptr<TArchiveItem> TZipArchive::NewEntry(const std::string& name)
{
    auto item = std::make_unique<TZipItem>();
    item->SetAction(eaKeep);
    item->SetCompressionMethod(8);
    item->SetGeneralPurposeBitFlag(0);
    item->SetCompressedSize(0);
    item->SetCRC32(0);
    item->SetExtraField(std::string());
    item->SetDiskFileName(ZipExpandFileName(name));
    item->SetHostOS(HostByteForName(name));
    item->SetFileName(MakeStoredName(name));
    item->SetRelativeOffset(0);
    return item;
}

void TZipArchive::SetComment(const std::string& text)
{
    if (text.size() > 65535)
        throw EArchiveException("Archive comment longer than 65535 bytes");
    FInfo.ZipfileComment = text;
    FCommentSet = true;
    FIsDirty = true;
}

void TZipArchive::MarkFreshlyCreated()
{
    FFreshFile = true;
}

// Entries before `first` stayed as they were.
void TZipArchive::FinishEntries(int first)
{
    for (int i = Count() - 1; i >= first; --i) {
        if (Item(i)->Action() == eaRemove) {
            FItemList.Delete(i);
        } else {
            Item(i)->SetAction(eaKeep);
            ZipItem(i)->SetGatheredData(nullptr);
        }
    }
}

void TZipArchive::WriteArchive()
{
    WriteTail();
    ForgetGathered();
}

void TZipArchive::WriteTail()
{
    if (FSpanned)
        RefuseSpannedWrite();
    const int handle = ArchiveHandle(*FStream);
    // The check that the file is still ours and the write happen under one lock.
    TFileLock lock(handle);
    RecoverInterruptedCommit(FArchiveName, handle);
    CatchUpWithFile(handle);

    bool marker = false;
    const TCapacity capacity = VolumeCapacity(marker);
    const TCommitPlan plan = RewriteWhole ? TCommitPlan() : PlanCommit(marker);
    // Offsets change as the tail is built; a write that does not reach the
    // disk must leave them pointing into the file that is still there.
    TPlacement saved = SavePlacement(plan.First);
    try {
        if (CommitsIntoRoom(plan, capacity))
            CommitIntoRoom(plan, capacity, handle, saved);
        else
            CommitWholeTail(plan, capacity, marker, handle);
    } catch (...) {
        RestorePlacement(saved);
        throw;
    }
    FCurrentDisk = 0;
    FFreshFile = false;
    FCommentSet = false;
    FinishEntries(plan.First);
    RememberPlacedEntries();

    DoArchiveSaveProgress(100);
    DoArchiveProgress(100);
}

void TZipArchive::CommitWholeTail(const TCommitPlan& plan, const TCapacity& capacity, bool marker, int handle)
{
    std::unique_ptr<TStream> tail = MakeTailStream(plan);
    BuildTail(*tail, plan, capacity, marker);
    CommitInPlace(*tail, plan.Keep, handle);
}

void TZipArchive::RefuseSpannedWrite()
{
    for (int i = 0; i < Count(); ++i)
        Item(i)->SetAction(eaKeep);
    FIsDirty = false;
    throw EZipSpanOverwrite();
}

TZipArchive::TPlacement TZipArchive::SavePlacement(int first) const
{
    TPlacement saved;
    saved.First = first;
    saved.Headers.reserve(static_cast<size_t>(Count() - first));
    saved.Extents.reserve(static_cast<size_t>(Count() - first));
    for (int i = first; i < Count(); ++i) {
        saved.Headers.push_back(ZipItem(i)->ItemInfo());
        saved.Extents.emplace_back(ZipItem(i)->LocalRecordSize(), ZipItem(i)->DescriptorSize());
    }
    saved.Footer = FInfo;
    saved.PrefixEnd = FPrefixEnd;
    saved.DirectoryPos = FDirectoryPos;
    saved.DirectorySize = FDirectorySize;
    saved.Zip64End = FZip64End;
    return saved;
}

// The comment set meanwhile stays: only where things lie goes back.
void TZipArchive::RestorePlacement(const TPlacement& saved)
{
    FCurrentItem = nullptr;
    FPlaced = TPlacedEntries();
    for (int i = saved.First; i < Count(); ++i) {
        const auto k = static_cast<size_t>(i - saved.First);
        ZipItem(i)->ItemInfo() = saved.Headers[k];
        ZipItem(i)->SetLocalExtent(saved.Extents[k].first, saved.Extents[k].second);
    }
    const std::string comment = FInfo.ZipfileComment;
    FInfo = saved.Footer;
    FInfo.ZipfileComment = comment;
    FPrefixEnd = saved.PrefixEnd;
    FDirectoryPos = saved.DirectoryPos;
    FDirectorySize = saved.DirectorySize;
    FZip64End = saved.Zip64End;
}

// An append stays small; a rewrite of kept entries may be as large as the archive.
std::unique_ptr<TStream> TZipArchive::MakeTailStream(const TCommitPlan& plan) const
{
    bool copiesKept = false;
    for (int i = plan.First; i < Count(); ++i)
        copiesKept = copiesKept || Item(i)->Action() == eaKeep || Item(i)->Action() == eaRename;
    if (!copiesKept)
        return std::make_unique<TMemoryStream>();
    auto paged = std::make_unique<TVirtualMemoryStream>();
    paged->SetSwapFileDirectory(SwapDirectoryFor(TempDirectory));
    return paged;
}
