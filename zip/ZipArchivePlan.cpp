// Planning a commit: what the volume takes, and how much of the file stays
// as it is because a rewrite would give the same bytes there.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "MemoryStream.h"
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
        if (SpanningThreshold < capacity.Bytes)
            capacity = {SpanningThreshold, ArchiveMsgBeyondThreshold};
    }
    return capacity;
}

void TZipArchive::CheckFits(int64_t end, const TCapacity& capacity) const
{
    if (end > MaxArchiveImageSize)
        throw EZipWriteRefused(ArchiveMsgTooLarge);
    if (end > capacity.Bytes)
        throw EZipWriteRefused(capacity.Message);
}

// Whether the bytes before the first entry stay: a stub is copied as it
// is, a marker must already be there, and nothing else may be.
bool TZipArchive::PrefixStays(bool marker, int64_t& start)
{
    start = 0;
    if (FStream->GetSize() == 0)
        return false;
    if (FIsExecutable && FStubSize > 0) {
        start = FStubSize;
        return true;
    }
    if (marker) {
        start = 4;
        return ReadMagic(*FStream) == ZipPossiblySpannedSignature;
    }
    return true;
}

// A kept entry stays where it is when a rewrite would put it, header and
// descriptor byte for byte, just where the file has it.
bool TZipArchive::StaysInPlace(const TZipItem& item, int64_t at)
{
    if (item.RelativeOffset() != at || item.DiskNumberStart() != 0)
        return false;
    if (FNormalised)
        return true;
    TMemoryStream header;
    item.SaveLFHToStream(header);
    const int handle = ArchiveHandle(*FStream);
    if (!SameBytes(handle, at, header))
        return false;
    if (DescriptorSize(item) == 0)
        return true;
    TMemoryStream descriptor;
    item.SaveDDToStream(descriptor);
    return SameBytes(handle, at + header.GetSize() + item.ItemInfo().CompressedSize, descriptor);
}

TZipArchive::TCommitPlan TZipArchive::PlanCommit(bool marker)
{
    TCommitPlan plan;
    int64_t at = 0;
    if (!PrefixStays(marker, at))
        return plan;
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        const TZipItem& item = *ZipItem(i);
        if (item.Action() != eaKeep || !StaysInPlace(item, at)) {
            plan.First = i;
            plan.Keep = at;
            return plan;
        }
        at += StoredSize(item);
    }
    if (at > FStream->GetSize())
        return TCommitPlan();
    plan.First = count;
    plan.Keep = at;
    return plan;
}
