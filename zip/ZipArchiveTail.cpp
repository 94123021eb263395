// Building the new tail of the file and committing it in place.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "FullPath.h"
#include "MemoryStream.h"
#include "PagedStream.h"
#include "RollbackJournal.h"
#include "Volume.h"

#include <algorithm>

// A kept entry is copied as the file holds it, local header, data and
// descriptor; only its offset in the central record changes.
void TZipArchive::CopyKeptEntry(TZipItem& item, TStream& image, int64_t base, TStream& directory)
{
    const int64_t from = PositionOf(item);
    const int64_t to = base + image.GetPosition();
    // A seek the stream refuses would leave it at some other entry's header.
    if (FStream->Seek(from, soFromBeginning) != from)
        throw EZipInvalid();
    if (item.Action() == eaRename)
        CopyRenamedRecord(item, image);
    else
        image.CopyFrom(*FStream, StoredSize(item));
    item.SetOffset(static_cast<uint64_t>(to - FOffsetShift));
    item.SaveCDHToStream(directory);
}

// The local header as the file holds it under the entry's new name.
void TZipArchive::CopyRenamedRecord(TZipItem& item, TStream& image)
{
    TZipLocalFileHeader local;
    local.LoadFromStream(*FStream);
    local.FileName = item.GetFileName();
    local.SaveToStream(image);
    const int64_t rest = static_cast<int64_t>(item.DataSize()) + item.DescriptorSize();
    if (rest > 0)
        image.CopyFrom(*FStream, rest);
    item.SetLocalExtent(ZipLocalFileHeaderSize + static_cast<int64_t>(local.FileName.size() + local.ExtraField.size()),
                        item.DescriptorSize());
}

void TZipArchive::AddNewEntry(TZipItem& item, TStream& image, int64_t base, TStream& directory,
                              const std::string& swapDir)
{
    try {
        const int64_t at = base + image.GetPosition();
        TVirtualMemoryStream output;
        output.SetSwapFileDirectory(swapDir);
        TStream* data = item.GatheredData();
        if (data == nullptr) {
            if (item.Action() == eaFromStream) {
                if (!InsertFromStreamHelper)
                    throw EZipNoInsertion();
                InsertFromStreamHelper(*this, item, FInStream, output);
            } else {
                if (!InsertHelper)
                    throw EZipNoInsertion();
                InsertHelper(*this, item, output);
            }
            data = &output;
        }
        item.SaveLFHToStream(image);
        const int64_t record = base + image.GetPosition() - at;
        image.CopyFrom(*data, 0);
        const int64_t dataEnd = image.GetPosition();
        // Readers size an entry flagged for a descriptor with the descriptor,
        // whatever its method: leaving it out makes entries overlap for them.
        if (item.GetIsEncrypted() || (item.GeneralPurposeBitFlag() & FlagDataDescriptor) != 0)
            item.SaveDDToStream(image);
        item.SetLocalExtent(record, image.GetPosition() - dataEnd);
        item.SetDiskNumberStart(0);
        item.SetRelativeOffset(0);
        item.SetOffset(static_cast<uint64_t>(at - FOffsetShift));
        item.SaveCDHToStream(directory);
    } catch (const EUserAbort&) {
        throw;
    } catch (const std::exception&) {
        DropFailedEntry(item);
    }
}

// The new archive from plan.Keep on: the image's position 0 is that offset
// of the file. Entries before plan.First stay where they are, their central
// records as they were.
void TZipArchive::BuildTail(TStream& image, const TCommitPlan& plan, const TCapacity& capacity, bool marker)
{
    const int64_t base = plan.Keep;
    if (base == 0)
        WritePrefix(image, marker);
    TMemoryStream directory;
    for (int i = 0; i < plan.First; ++i)
        ZipItem(i)->SaveCDHToStream(directory);
    WriteEntriesFrom(plan.First, image, base, directory, capacity);
    WriteDirectoryAndEnd(image, base, directory, capacity);
}

// What comes before the first entry of a whole rewrite: the bytes the file
// has there, or the marker a new or marker-less file is given.
void TZipArchive::WritePrefix(TStream& image, bool marker)
{
    if (FStream->GetSize() == 0 || AddsMarker(marker)) {
        if (marker)
            WriteMagic(image, ZipPossiblySpannedSignature);
    } else if (FPrefixEnd > 0) {
        FStream->Seek(0, soFromBeginning);
        image.CopyFrom(*FStream, FPrefixEnd);
    }
    FPrefixEnd = image.GetPosition();
}

void TZipArchive::WriteEntriesFrom(int first, TStream& image, int64_t base, TStream& directory,
                                   const TCapacity& capacity)
{
    const std::string swapDir = SwapDirectoryFor(TempDirectory);
    const int count = Count();
    for (int i = first; i < count; ++i) {
        TZipItem& item = *ZipItem(i);
        FCurrentItem = &item;
        switch (item.Action()) {
        case eaRemove:
            break;
        case eaKeep:
        case eaRename:
            CopyKeptEntry(item, image, base, directory);
            break;
        default:
            AddNewEntry(item, image, base, directory, swapDir);
            break;
        }
        if (DoArchiveProgress(static_cast<uint8_t>(ArchivePercentage(9LL * (i + 1), 10LL * count))))
            throw EUserAbort();
        CheckFits(base + image.GetPosition(), image.GetSize(), capacity);
    }
    FCurrentItem = nullptr;
}

void TZipArchive::WriteDirectoryAndEnd(TStream& image, int64_t base, TStream& directory, const TCapacity& capacity)
{
    FDirectoryPos = base + image.GetPosition();
    FDirectorySize = directory.GetSize();
    image.CopyFrom(directory, 0);
    WriteEndRecords(image, base, EntriesKeptFrom(0), capacity);
}

// Entries from `first` on that the commit keeps.
uint64_t TZipArchive::EntriesKeptFrom(int first) const
{
    uint64_t entries = 0;
    for (int i = first; i < Count(); ++i)
        entries += Item(i)->Action() != eaRemove;
    return entries;
}

// The end records of the directory of `entries` records at FDirectoryPos,
// FDirectorySize long. Zip64 records go in only where a count, size or
// offset outgrows the classic end record, or where the archive had them already.
void TZipArchive::WriteEndRecords(TStream& image, int64_t base, uint64_t entries, const TCapacity& capacity)
{
    const auto offset = static_cast<uint64_t>(FDirectoryPos - FOffsetShift);
    const auto size = static_cast<uint64_t>(FDirectorySize);
    FZip64End = FZip64End || entries > Saturated16 || offset >= Saturated32 || size >= Saturated32;
    if (FZip64End) {
        TZip64End zip64;
        zip64.EntriesOnDisk = entries;
        zip64.TotalEntries = entries;
        zip64.DirectorySize = size;
        zip64.DirectoryOffset = offset;
        TZip64Locator locator;
        locator.EndOffset = static_cast<uint64_t>(base + image.GetPosition() - FOffsetShift);
        zip64.SaveToStream(image);
        locator.SaveToStream(image);
    }
    FInfo.DiskNumber = 0;
    FInfo.StartDiskNumber = 0;
    FInfo.EntriesOnDisk = static_cast<uint16_t>(std::min<uint64_t>(entries, Saturated16));
    FInfo.TotalEntries = FInfo.EntriesOnDisk;
    FInfo.DirectorySize = static_cast<uint32_t>(std::min<uint64_t>(size, Saturated32));
    FInfo.DirectoryOffset = static_cast<uint32_t>(std::min<uint64_t>(offset, Saturated32));
    FInfo.SaveToStream(image);
    CheckFits(base + image.GetPosition(), image.GetSize(), capacity);
}

void TZipArchive::CommitInPlace(TStream& tail, int64_t keep, int handle)
{
    const int64_t oldSize = FStream->GetSize();
    const int64_t newSize = keep + tail.GetSize();
    // Only the growth needs room: the new tail beyond the old end, and the journal.
    const int64_t growth = std::max<int64_t>(0, newSize - oldSize) + JournalSize(std::max<int64_t>(0, oldSize - keep));
    const int64_t free = VolumeFreeSpace(ExtractFilePath(FArchiveName));
    if (free >= 0 && free < growth)
        throw EZipWriteRefused(ArchiveMsgNoRoom);
    const int64_t largest = LargestFileSize(ExtractFilePath(FArchiveName));
    if (largest >= 0 && newSize > largest)
        throw EZipWriteRefused(ArchiveMsgFileSystemLimit);
    bool unfinished = false;
    try {
        FIdentity = CommitTail(FArchiveName, handle, keep, tail, unfinished);
        FHaveIdentity = true;
    } catch (...) {
        // The journal stays for the next open; this model no longer knows the file.
        if (unfinished)
            CloseForWriting(ArchiveMsgNotWritable);
        throw;
    }
}
