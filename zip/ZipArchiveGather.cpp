// Gathering entries for one commit: rewriting the directory and its journal
// costs about twice the directory's bytes, so entries wait while their own
// bytes are fewer, and never longer than LongestGatherWait.
#include "ZipArchive.h"

#include "MemoryStream.h"

std::chrono::steady_clock::time_point TZipArchive::Now() const
{
    return Clock ? Clock() : std::chrono::steady_clock::now();
}

void TZipArchive::DropFailedEntry(TZipItem& item)
{
    item.SetAction(eaRemove);
    FEntryFailure = std::current_exception();
    DoProcessItemFailure(&item, ptAdd, ecFileOpenError, 0);
}

bool TZipArchive::Gather(TArchiveItem& entry, TProcessType type)
{
    // A replaced entry's old bytes must stay until its new ones are written.
    if (!GroupCommits || type != ptAdd || FSpanned)
        return false;
    auto& item = static_cast<TZipItem&>(entry);
    auto data = std::make_unique<TMemoryStream>();
    try {
        if (!InsertFromStreamHelper)
            throw EZipNoInsertion();
        InsertFromStreamHelper(*this, item, FInStream, *data);
    } catch (const EUserAbort&) {
        throw;
    } catch (const std::exception&) {
        DropFailedEntry(item);
        return true;
    }
    const auto named = static_cast<int64_t>(item.GetFileName().size() + item.ExtraField().size());
    FGatheredBytes += ZipLocalFileHeaderSize + named + data->GetSize();
    FGatheredRecords += ZipDirectoryFileHeaderSize + named + static_cast<int64_t>(item.FileComment().size());
    if (FGathered++ == 0)
        FOldestGathered = Now();
    item.SetGatheredData(std::move(data));
    item.SetAction(eaGathered);
    FInStream = nullptr;
    if (GatheredOutweighDirectory())
        CommitGathered();
    else
        CommitIfDue();
    return true;
}

// The old directory goes into the journal and comes back after the new
// entries with their records: commit once the entries outweigh that, or
// the pages a commit into the room costs.
bool TZipArchive::GatheredOutweighDirectory() const
{
    const int64_t size = FStream->GetSize();
    const int64_t directory = size > 0 ? size - FDirectoryPos : 0;
    const int64_t cost = GathersForRoom() ? RoomCommitBatch : 2 * directory + FGatheredRecords;
    return FGatheredBytes >= cost || FGatheredBytes >= LargestGathering;
}

void TZipArchive::CommitIfDue(std::chrono::milliseconds ahead)
{
    if (FGathered > 0 && Now() - FOldestGathered + ahead >= LongestGatherWait)
        CommitGathered();
}

void TZipArchive::CommitGathered()
{
    if (FGathered > 0)
        SaveChanges();
}

void TZipArchive::GiveUpGathered()
{
    for (int i = 0; i < Count(); ++i)
        if (ZipItem(i)->GatheredData()) {
            ZipItem(i)->SetAction(eaRemove);
            ZipItem(i)->SetGatheredData(nullptr);
        }
    ForgetGathered();
}

void TZipArchive::ForgetGathered()
{
    FGathered = 0;
    FGatheredBytes = 0;
    FGatheredRecords = 0;
}
