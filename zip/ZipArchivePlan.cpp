// Planning a commit: what the volume takes, and how much of the file stays
// as it is because a rewrite would give the same bytes there.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "Volume.h"

TZipArchive::TCapacity TZipArchive::VolumeCapacity(bool& marker)
{
    FDriveIsRemovable = IsRemovableDrive(FArchiveName);
    TCapacity capacity;
    marker = false;
    if (FDriveIsRemovable) {
        marker = FStream->GetSize() == 0 || FFreshFile;
    } else if (SpanningThreshold > 0) {
        marker = true;
        capacity = {SpanningThreshold, ArchiveMsgBeyondThreshold};
    }
    return capacity;
}

// A tail held in the paged stream counts its bytes in 32 bits.
void TZipArchive::CheckFits(int64_t end, int64_t tailSize, const TCapacity& capacity) const
{
    if (tailSize > INT32_MAX)
        throw EZipWriteRefused(ArchiveMsgTailTooLarge);
    if (end > capacity.Bytes)
        throw EZipWriteRefused(capacity.Message);
}

// A marker asked for where the file has none and nothing else stands
// before the first entry: the whole file is written again behind one.
bool TZipArchive::AddsMarker(bool marker)
{
    return marker && FPrefixEnd == 0 && ReadMagic(*FStream) != ZipPossiblySpannedSignature;
}

// A kept entry stays where a rewrite would put it, which is right after
// the one before it.
bool TZipArchive::StaysInPlace(const TZipItem& item, int64_t at) const
{
    return item.Action() == eaKeep && item.LocalRecordSize() >= 0 && PositionOf(item) == at;
}

// Called after a commit, when every entry is in place.
void TZipArchive::RememberPlacedEntries()
{
    const int count = Count();
    FPlaced.Count = count;
    FPlaced.Changes = FItemList.KeptChanges();
    FPlaced.Last = count > 0 ? Item(count - 1) : nullptr;
    FPlaced.End = count > 0 ? PositionOf(*ZipItem(count - 1)) + StoredSize(*ZipItem(count - 1)) : FPrefixEnd;
}

bool TZipArchive::PlacedEntriesStand() const
{
    return FPlaced.Count >= 0 && FPlaced.Count <= Count() && FPlaced.Changes == FItemList.KeptChanges() &&
           (FPlaced.Count == 0 || Item(FPlaced.Count - 1) == FPlaced.Last);
}

// Scanning a large archive's entries for every commit would cost more than
// the commit: the scan starts after the entries the last commit placed.
TZipArchive::TCommitPlan TZipArchive::PlanCommit(bool marker)
{
    TCommitPlan plan;
    if (FStream->GetSize() == 0 || AddsMarker(marker))
        return plan;
    const bool placed = PlacedEntriesStand();
    int64_t at = placed ? FPlaced.End : FPrefixEnd;
    const int count = Count();
    for (int i = placed ? FPlaced.Count : 0; i < count; ++i) {
        const TZipItem& item = *ZipItem(i);
        if (!StaysInPlace(item, at)) {
            plan.First = i;
            plan.Keep = at;
            return plan;
        }
        at += StoredSize(item);
    }
    plan.First = count;
    plan.Keep = at;
    return plan;
}
