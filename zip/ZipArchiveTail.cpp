// Building the new tail of the file and committing it in place.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "FullPath.h"
#include "MemoryStream.h"
#include "PagedStream.h"
#include "RollbackJournal.h"
#include "Volume.h"

#include <algorithm>

void TZipArchive::CopyKeptEntry(TZipItem& item, TStream& image, int64_t base, TStream& directory)
{
    const uint32_t dataSize = item.ItemInfo().CompressedSize;
    if (dataSize > MaxArchiveImageSize)
        throw EZipWriteRefused(ArchiveMsgTooLarge);
    // A seek the stream refuses would leave it at some other entry's header.
    if (FStream->Seek(item.RelativeOffset(), soFromBeginning) != item.RelativeOffset())
        throw EZipInvalid();
    item.SetDiskNumberStart(0);
    item.SetRelativeOffset(static_cast<uint32_t>(base + image.GetPosition()));
    TZipLocalFileHeader oldHeader;
    oldHeader.LoadFromStream(*FStream);
    item.SaveLFHToStream(image);
    if (dataSize > 0)
        image.CopyFrom(*FStream, dataSize);
    item.SaveCDHToStream(directory);
    ++FInfo.EntriesOnDisk;
    ++FInfo.TotalEntries;
}

void TZipArchive::AddNewEntry(TZipItem& item, TStream& image, int64_t base, TStream& directory,
                              const std::string& swapDir)
{
    try {
        item.SetDiskNumberStart(0);
        item.SetRelativeOffset(static_cast<uint32_t>(base + image.GetPosition()));
        TVirtualMemoryStream output;
        output.SetSwapFileDirectory(swapDir);
        if (item.Action() == eaFromStream) {
            if (!InsertFromStreamHelper)
                throw EZipNoInsertion();
            InsertFromStreamHelper(*this, item, FInStream, output);
        } else {
            if (!InsertHelper)
                throw EZipNoInsertion();
            InsertHelper(*this, item, output);
        }
        item.SaveLFHToStream(image);
        image.CopyFrom(output, 0);
        if (item.GetIsEncrypted())
            item.SaveDDToStream(image);
        item.SaveCDHToStream(directory);
        ++FInfo.EntriesOnDisk;
        ++FInfo.TotalEntries;
    } catch (const EUserAbort&) {
        throw;
    } catch (const std::exception&) {
        item.SetAction(eaRemove);
        DoProcessItemFailure(&item, ptAdd, ecFileOpenError, 0);
    }
}

// The new archive from plan.Keep on: the image's position 0 is that offset
// of the file. Entries before plan.First stay where they are.
void TZipArchive::BuildTail(TStream& image, const TCommitPlan& plan, const TCapacity& capacity, bool marker)
{
    const int64_t base = plan.Keep;
    if (base == 0)
        WritePrefix(image, marker);
    TMemoryStream directory;
    FInfo.EntriesOnDisk = 0;
    FInfo.TotalEntries = 0;
    for (int i = 0; i < plan.First; ++i) {
        ZipItem(i)->SaveCDHToStream(directory);
        ++FInfo.EntriesOnDisk;
        ++FInfo.TotalEntries;
    }
    WriteEntriesFrom(plan.First, image, base, directory, capacity);
    WriteDirectoryAndEnd(image, base, directory, capacity);
}

// What comes before the first entry of a whole rewrite.
void TZipArchive::WritePrefix(TStream& image, bool marker)
{
    if (FIsExecutable) {
        if (FStubSize > 0) {
            FStream->Seek(0, soFromBeginning);
            image.CopyFrom(*FStream, FStubSize);
        }
    } else if (marker) {
        WriteMagic(image, ZipPossiblySpannedSignature);
    }
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
        // Readers size an entry flagged for a descriptor with the descriptor,
        // whatever its method: leaving it out makes entries overlap for them.
        if (item.Action() != eaRemove && (item.GeneralPurposeBitFlag() & FlagDataDescriptor) != 0)
            item.SaveDDToStream(image);
        if (DoArchiveProgress(static_cast<uint8_t>(ArchivePercentage(9LL * (i + 1), 10LL * count))))
            throw EUserAbort();
        CheckFits(base + image.GetPosition(), capacity);
    }
    FCurrentItem = nullptr;
}

void TZipArchive::WriteDirectoryAndEnd(TStream& image, int64_t base, TStream& directory, const TCapacity& capacity)
{
    FInfo.StartDiskNumber = 0;
    FInfo.DirectoryOffset = static_cast<uint32_t>(base + image.GetPosition());
    image.CopyFrom(directory, 0);
    FInfo.DirectorySize = static_cast<uint32_t>(directory.GetSize());
    FInfo.DiskNumber = 0;
    FInfo.SaveToStream(image);
    CheckFits(base + image.GetPosition(), capacity);
}

void TZipArchive::CommitInPlace(TStream& tail, int64_t keep, int handle)
{
    const int64_t oldSize = FStream->GetSize();
    const int64_t newSize = keep + tail.GetSize();
    // Only the growth needs room: the new tail beyond the old end, and the journal.
    const int64_t growth = std::max<int64_t>(0, newSize - oldSize) + JournalSize(oldSize - keep);
    const int64_t free = VolumeFreeSpace(ExtractFilePath(FArchiveName));
    if (free >= 0 && free < growth)
        throw EZipWriteRefused(ArchiveMsgNoRoom);
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
