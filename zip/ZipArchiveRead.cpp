// Reading an archive's end records and central directory into the model.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "AbandonedReplacements.h"
#include "FileLayer.h"
#include "MemoryStream.h"
#include "RollbackJournal.h"
#include "SpanStream.h"

#include <algorithm>

void TZipArchive::ReadArchive()
{
    const int handle = ArchiveHandle(*FStream);
    TFileLock lock(handle);
    RecoverInterruptedCommit(FArchiveName, handle);
    RemoveAbandonedReplacements(FArchiveName);
    RememberIdentity(handle);
    FAutoGen = false;
    FPrefixEnd = 0;
    FDirectoryPos = 0;
    if (FStream->GetSize() == 0)
        return;
    const uint32_t magic = ReadMagic(*FStream);
    FIsExecutable = (magic & 0xFFFF) == WindowsExeSignature;
    if (auto* span = dynamic_cast<TSpanStream*>(FStream.get()))
        FDriveIsRemovable = span->MediaType() == mtRemoveable;

    const int64_t tail = FindCentralDirectoryTail(*FStream);
    if (tail < 0)
        throw EZipInvalid();
    // One volume of a split set on removable media: readable, never rewritten.
    if (magic == ZipSpannedSetSignature && FDriveIsRemovable)
        FSpanned = true;
    ReadEndAndDirectory(tail);
    if (FCurrentDisk != 0)
        FSpanned = true;
    // The other volumes hold the entries of a split set.
    if (!FSpanned)
        MeasureEntries(0);
}

void TZipArchive::ReadEndAndDirectory(int64_t tail)
{
    FPlaced = TPlacedEntries();
    FStream->Seek(tail, soFromBeginning);
    FInfo.LoadFromStream(*FStream);
    // Whatever follows the end record would be lost to the next commit.
    if (tail + ZipEndCentralDirectorySize + static_cast<int64_t>(FInfo.ZipfileComment.size()) != FStream->GetSize())
        throw EZipWriteRefused(ArchiveMsgTrailingBytes);
    const TDirectoryPlace place = PlaceDirectory(tail);
    FCurrentDisk = static_cast<uint16_t>(std::min<uint32_t>(place.Disk, 0xFFFF));
    FZip64End = place.Zip64;
    FOffsetShift = place.Shift;
    FDirectoryPos = place.Position;
    FDirectorySize = place.Size;
    ReadDirectory(place);
}

// The directory ends where the end records begin. Where it starts in the
// file, against the offset the records give, tells how the archive counts
// its offsets: from the file's start, or from after a prefix added later.
TZipArchive::TDirectoryPlace TZipArchive::PlaceDirectory(int64_t tail)
{
    TDirectoryPlace place;
    int64_t end = tail;
    uint64_t statedOffset = FInfo.DirectoryOffset;
    place.Entries = FInfo.TotalEntries;
    place.Size = FInfo.DirectorySize;
    place.Disk = FInfo.DiskNumber;
    if (ReadZip64End(tail, place)) {
        end = place.Position;
        statedOffset = static_cast<uint64_t>(place.Shift);
    }
    if (place.Size > end)
        throw EZipInvalid();
    place.Position = end - place.Size;
    if (statedOffset > static_cast<uint64_t>(place.Position))
        throw EZipInvalid();
    place.Shift = place.Position - static_cast<int64_t>(statedOffset);
    return place;
}

// A zip64 locator right before the end record leads to the zip64 end
// record; on return place.Position is where that record starts and
// place.Shift holds the directory offset it states.
bool TZipArchive::ReadZip64End(int64_t tail, TDirectoryPlace& place)
{
    const int handle = ArchiveHandle(*FStream);
    uint8_t bytes[Zip64EndSize];
    TZip64Locator locator;
    if (tail < Zip64LocatorSize || ReadAt(handle, bytes, Zip64LocatorSize, tail - Zip64LocatorSize) != Zip64LocatorSize ||
        !locator.Parse(bytes))
        return false;
    const int64_t locatorAt = tail - Zip64LocatorSize;
    // Most writers put the record right before its locator; the stated
    // offset is the other place to look.
    TZip64End zip64;
    int64_t at = locatorAt - Zip64EndSize;
    if (at < 0 || ReadAt(handle, bytes, Zip64EndSize, at) != Zip64EndSize || !zip64.Parse(bytes)) {
        at = static_cast<int64_t>(std::min<uint64_t>(locator.EndOffset, INT64_MAX));
        if (at + Zip64EndSize > locatorAt || ReadAt(handle, bytes, Zip64EndSize, at) != Zip64EndSize ||
            !zip64.Parse(bytes))
            throw EZipInvalid();
    }
    if (zip64.DirectorySize > static_cast<uint64_t>(INT64_MAX) ||
        zip64.DirectoryOffset > static_cast<uint64_t>(INT64_MAX))
        throw EZipInvalid();
    place.Entries = zip64.TotalEntries;
    place.Size = static_cast<int64_t>(zip64.DirectorySize);
    place.Position = at;
    place.Shift = static_cast<int64_t>(zip64.DirectoryOffset);
    place.Disk = zip64.DiskNumber;
    place.Zip64 = true;
    return true;
}

void TZipArchive::ReadDirectory(const TDirectoryPlace& place)
{
    // Read in one go rather than field by field from the file.
    TMemoryStream directory;
    if (place.Size > 0) {
        if (FStream->Seek(place.Position, soFromBeginning) != place.Position)
            throw EZipInvalid();
        directory.CopyFrom(*FStream, place.Size);
        directory.Seek(0, soFromBeginning);
    }
    const int64_t end = directory.GetSize();
    uint64_t read = 0;
    while (directory.GetPosition() < end) {
        // Records the end record does not count: the counts cannot be trusted.
        if (place.Entries == 0)
            throw EZipInvalid();
        auto item = std::make_unique<TZipItem>();
        const int64_t before = directory.GetPosition();
        item->LoadFromStream(directory);
        if (directory.GetPosition() <= before)
            throw EZipInvalid();
        item->SetAction(eaKeep);
        FItemList.Add(std::move(item));
        ++read;
        const int64_t percent = static_cast<int64_t>(std::min<uint64_t>(100, read * 100 / place.Entries));
        if (DoArchiveProgress(static_cast<uint8_t>(percent))) {
            FStatus = stInvalid;
            throw EUserAbort();
        }
    }
    DoArchiveProgress(100);
    FIsDirty = false;
}
