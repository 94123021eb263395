// Grouped commits into a large archive. Rewriting the directory for every
// commit would make a long run's writes grow with the square of its length,
// so free room is kept between the last entry and the directory: a commit
// writes its entries into the room, where nothing refers to them yet, then
// appends their records to the directory under the journal. When the room
// is used up the directory moves, as a copy of itself, past fresh room.
// Readers find the directory through the end records and never look into
// the room; CloseRoom gives it back when the session lets go.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "FileLayer.h"
#include "MemoryStream.h"
#include "RollbackJournal.h"

#include <algorithm>

bool TZipArchive::GathersForRoom() const
{
    return GroupCommits && SpanningThreshold == 0 && FDirectorySize >= RoomFromDirectory;
}

namespace {

// An entry this commit adds, or one it dropped before it was ever written.
bool IsNewEntry(const TZipItem& item)
{
    return item.Action() == eaGathered || (item.Action() == eaRemove && item.LocalRecordSize() < 0);
}

} // namespace

// Only gathered entries after the kept ones, which the plan found in place.
bool TZipArchive::CommitsIntoRoom(const TCommitPlan& plan, const TCapacity& capacity) const
{
    if (RewriteWhole || !GathersForRoom() || capacity.Bytes != INT64_MAX || plan.Keep <= 0 ||
        plan.Keep > FDirectoryPos)
        return false;
    for (int i = plan.First; i < Count(); ++i)
        if (!IsNewEntry(*ZipItem(i)))
            return false;
    return true;
}

void TZipArchive::CommitIntoRoom(const TCommitPlan& plan, const TCapacity& capacity, int handle, TPlacement& saved)
{
    const int64_t roomStart = plan.Keep;
    FKeptRoom = true;
    TMemoryStream entries;
    // The new records, then the end records, are the tail committed after the directory.
    TMemoryStream tail;
    WriteEntriesFrom(plan.First, entries, roomStart, tail, capacity);
    if (roomStart + entries.GetSize() > FDirectoryPos) {
        MoveDirectory(roomStart, roomStart + entries.GetSize(), plan.First, capacity, handle);
        // The move is on disk: a later failure leaves the directory where it went.
        saved.Footer = FInfo;
        saved.DirectoryPos = FDirectoryPos;
        saved.Zip64End = FZip64End;
    }
    if (entries.GetSize() > 0)
        FIdentity = WriteUnreferenced(FArchiveName, handle, roomStart, entries);
    const uint64_t entriesNow = static_cast<uint64_t>(plan.First) + EntriesKeptFrom(plan.First);
    const int64_t endRecords = FDirectoryPos + FDirectorySize;
    FDirectorySize += tail.GetSize();
    WriteEndRecords(tail, endRecords, entriesNow, capacity);
    CommitInPlace(tail, endRecords, handle);
}

// Past the file's end the room is a hole, which costs no writes.
// The `kept` entries' records are the directory; the entries being added are not yet in it.
void TZipArchive::MoveDirectory(int64_t roomStart, int64_t entriesEnd, int kept, const TCapacity& capacity, int handle)
{
    const int64_t to =
        std::max({FStream->GetSize(), entriesEnd, roomStart + RoomPerDirectoryByte * FDirectorySize});
    TMemoryStream tail;
    WriteDirectoryCopy(tail, to, static_cast<uint64_t>(kept), capacity);
    CommitInPlace(tail, to, handle);
}

// The directory as the file holds it, with end records placing it at `to`:
// every record is one of an entry in place.
void TZipArchive::WriteDirectoryCopy(TStream& image, int64_t to, uint64_t entries, const TCapacity& capacity)
{
    if (FStream->Seek(FDirectoryPos, soFromBeginning) != FDirectoryPos)
        throw EZipInvalid();
    if (FDirectorySize > 0)
        image.CopyFrom(*FStream, FDirectorySize);
    FDirectoryPos = to;
    WriteEndRecords(image, to, entries, capacity);
}

// Only room this model kept: bytes another program left before its
// directory are not this model's to drop while it adds nothing.
void TZipArchive::CloseRoom()
{
    if (!FKeptRoom || FStatus == stInvalid || FSpanned || FGathered > 0 || FStream->GetSize() == 0)
        return;
    const int handle = ArchiveHandle(*FStream);
    TFileLock lock(handle);
    RecoverInterruptedCommit(FArchiveName, handle);
    CatchUpWithFile(handle);
    const TCommitPlan plan = PlanCommit(false);
    if (FIsDirty || plan.First != Count() || plan.Keep <= 0 || plan.Keep >= FDirectoryPos)
        return;
    const TPlacement saved = SavePlacement(Count());
    try {
        ShrinkToDirectory(plan.Keep, handle);
    } catch (...) {
        RestorePlacement(saved);
        throw;
    }
    RememberPlacedEntries();
    FKeptRoom = false;
}

// A directory that fits in the room is written there, where nothing refers
// to it yet, and the file is cut after it: neither step needs a journal.
void TZipArchive::ShrinkToDirectory(int64_t to, int handle)
{
    const int64_t roomEnd = FDirectoryPos;
    TMemoryStream tail;
    WriteDirectoryCopy(tail, to, static_cast<uint64_t>(Count()), TCapacity());
    if (to + tail.GetSize() > roomEnd) {
        CommitInPlace(tail, to, handle);
        return;
    }
    FIdentity = WriteUnreferenced(FArchiveName, handle, to, tail);
    FIdentity = ShortenFile(FArchiveName, handle, to + tail.GetSize());
}
