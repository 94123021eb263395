// Reading an archive's end record and central directory into the model.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "AbandonedReplacements.h"
#include "FileLayer.h"
#include "MemoryStream.h"
#include "RollbackJournal.h"
#include "SpanStream.h"

#include <algorithm>
#include <climits>

namespace {

constexpr uint16_t kZip64Count = 0xFFFF;
constexpr uint32_t kZip64Size = 0xFFFFFFFFu;

// Classic fields saturated this way mean the real values are in Zip64 records.
bool IsZip64Footer(const TZipDirectoryFileFooter& f)
{
    return f.DiskNumber == kZip64Count || f.StartDiskNumber == kZip64Count || f.EntriesOnDisk == kZip64Count ||
           f.TotalEntries == kZip64Count || f.DirectorySize == kZip64Size || f.DirectoryOffset == kZip64Size;
}

bool IsZip64Item(const TZipDirectoryFileHeader& h)
{
    return h.CompressedSize == kZip64Size || h.UncompressedSize == kZip64Size || h.RelativeOffset == kZip64Size ||
           h.DiskNumberStart == kZip64Count;
}

} // namespace

void TZipArchive::ReadArchive()
{
    const int handle = ArchiveHandle(*FStream);
    TFileLock lock(handle);
    RecoverInterruptedCommit(FArchiveName, handle);
    RemoveAbandonedReplacements(FArchiveName);
    RememberIdentity(handle);
    FAutoGen = false;
    if (FStream->GetSize() == 0)
        return;
    // Offsets and sizes of the classic format stop short of 2 GiB.
    if (FStream->GetSize() > MaxArchiveImageSize)
        throw EZipWriteRefused(ArchiveMsgArchiveTooLarge);
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
    FCurrentDisk = FInfo.DiskNumber;
    if (FCurrentDisk != 0)
        FSpanned = true;
}

void TZipArchive::ReadEndAndDirectory(int64_t tail)
{
    FStream->Seek(tail, soFromBeginning);
    FInfo.LoadFromStream(*FStream);
    if (IsZip64Footer(FInfo))
        throw EZipInvalid();
    ReadDirectory(tail);
}

void TZipArchive::ReadDirectory(int64_t tail)
{
    // The records lie between the directory offset and the end record: read
    // them in one go rather than field by field from the file.
    TMemoryStream directory;
    if (FInfo.DirectoryOffset < tail) {
        if (FStream->Seek(FInfo.DirectoryOffset, soFromBeginning) != FInfo.DirectoryOffset)
            throw EZipInvalid();
        directory.CopyFrom(*FStream, tail - FInfo.DirectoryOffset);
        directory.Seek(0, soFromBeginning);
    }
    const int64_t end = directory.GetSize();
    int64_t smallestOffset = INT32_MAX;
    int64_t read = 0;
    while (directory.GetPosition() < end) {
        // Records the end record does not count: the counts cannot be trusted.
        if (FInfo.TotalEntries == 0)
            throw EZipInvalid();
        auto item = std::make_unique<TZipItem>();
        const int64_t before = directory.GetPosition();
        item->LoadFromStream(directory);
        if (IsZip64Item(item->ItemInfo()) || directory.GetPosition() <= before)
            throw EZipInvalid();
        if (FIsExecutable)
            smallestOffset = std::min<int64_t>(smallestOffset, item->RelativeOffset());
        item->SetAction(eaKeep);
        FItemList.Add(std::move(item));
        ++read;
        const int64_t percent = std::min<int64_t>(100, read * 100 / FInfo.TotalEntries);
        if (DoArchiveProgress(static_cast<uint8_t>(percent))) {
            FStatus = stInvalid;
            throw EUserAbort();
        }
    }
    DoArchiveProgress(100);
    if (FIsExecutable)
        FStubSize = static_cast<int32_t>(smallestOffset);
    FIsDirty = false;
}
