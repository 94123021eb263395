#include "ZipArchive.h"

#include "SpanStream.h"
#include "PagedStream.h"
#include "FileSystem.h"
#include "FullPath.h"
#include "MemoryStream.h"
#include "AbandonedReplacements.h"
#include "FileLayer.h"
#include "RollbackJournal.h"
#include "TempFiles.h"
#include "Volume.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr uint16_t kZip64Count = 0xFFFF;
constexpr uint32_t kZip64Size = 0xFFFFFFFFu;

std::string SwapDirectoryFor(const std::string& tempDirectory)
{
    std::string dir = (!tempDirectory.empty() && DirectoryExists(tempDirectory)) ? tempDirectory
                                                                                  : SystemTempDirectory();
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

uint32_t ReadMagic(TStream& stream)
{
    uint8_t b[4] = {0, 0, 0, 0};
    stream.Seek(0, soFromBeginning);
    stream.Read(b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

void WriteMagic(TStream& stream, uint32_t value)
{
    const uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    stream.WriteBuffer(b, 4);
}

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

int ArchiveHandle(TStream& stream)
{
    return static_cast<TSpanStream&>(stream).Handle();
}

int64_t LocalHeaderSize(const TZipItem& item)
{
    return 30 + static_cast<int64_t>(item.ItemInfo().FileName.size() + item.ItemInfo().ExtraField.size());
}

int64_t DescriptorSize(const TZipItem& item)
{
    return (item.GeneralPurposeBitFlag() & FlagDataDescriptor) != 0 ? 12 : 0;
}

// The bytes an entry takes in the file, as a rewrite lays it out.
int64_t StoredSize(const TZipItem& item)
{
    return LocalHeaderSize(item) + item.ItemInfo().CompressedSize + DescriptorSize(item);
}

// One read of the handle: a new session checks every kept entry this way.
bool SameBytes(int handle, int64_t at, TMemoryStream& expected)
{
    const int64_t count = expected.GetSize();
    std::vector<uint8_t> found(static_cast<size_t>(count));
    return ReadAt(handle, found.data(), count, at) == count &&
           std::equal(found.begin(), found.end(), expected.Memory());
}

// Writes the whole empty archive and syncs it.
bool Fill(int fd, TMemoryStream& empty)
{
    return FileLayer().WriteAt(fd, empty.Memory(), empty.GetSize(), 0) == 0 && FileLayer().Sync(fd) == 0;
}

// A name already taken by a file is opened as it is; anything else fails.
// A dangling link counts as taken, and what it points to is never made.
void RequireExistingFile(const std::string& name, int err)
{
    if (err != EEXIST || !FileExists(name))
        throw EFCreateError(name, err);
}

bool NoUnnamedFiles(int err)
{
    return err == EOPNOTSUPP || err == EISDIR || err == EINVAL;
}

} // namespace

bool CreateEmptyZipFile(const std::string& name, bool marker)
{
    TMemoryStream empty;
    if (marker)
        WriteMagic(empty, ZipPossiblySpannedSignature);
    TZipDirectoryFileFooter footer;
    footer.DirectoryOffset = marker ? 4 : 0;
    footer.SaveToStream(empty);

    // Made whole before it gets its name: no moment shows a file no tool opens.
    const std::string folder = FolderOfPath(name);
    int fd = FileLayer().OpenUnnamed(folder, 0666);
    if (fd >= 0) {
        ForgetJournals(name, fd);
        const bool named = Fill(fd, empty) && FileLayer().Link(fd, name) == 0;
        const int err = errno;
        FileLayer().Close(fd);
        if (!named) {
            RequireExistingFile(name, err);
            return false;
        }
        FileLayer().SyncFolder(folder);
        return true;
    }
    if (!NoUnnamedFiles(errno))
        throw EFCreateError(name, errno);

    // Exclusive, so that another writer's fresh archive is never emptied.
    fd = FileLayer().Open(name, O_RDWR | O_CREAT | O_EXCL, 0666);
    if (fd < 0) {
        RequireExistingFile(name, errno);
        return false;
    }
    ForgetJournals(name, fd);
    const bool written = Fill(fd, empty);
    const int err = errno;
    FileLayer().Close(fd);
    if (!written) {
        FileLayer().Remove(name);
        throw EFCreateError(name, err);
    }
    FileLayer().SyncFolder(folder);
    return true;
}

void RecoverArchiveFile(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    try {
        TFileLock lock(fd);
        RecoverInterruptedCommit(name, fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

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

void TZipArchive::RememberIdentity(int handle)
{
    FHaveIdentity = GetHandleIdentity(handle, FIdentity);
}

void TZipArchive::MarkFreshlyCreated()
{
    FFreshFile = true;
    FNormalised = true;
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

bool TZipArchive::AdoptOtherCopysEntries()
{
    struct TKnown {
        std::string Name;
        uint32_t Crc;
        uint32_t Size;
    };
    std::vector<TKnown> known;
    std::vector<std::unique_ptr<TArchiveItem>> pending;
    for (int i = Count() - 1; i >= 0; --i) {
        std::unique_ptr<TArchiveItem> item = FItemList.Take(i);
        auto& zip = static_cast<TZipItem&>(*item);
        if (item->Action() == eaKeep)
            known.push_back({zip.GetFileName(), zip.ItemInfo().CRC32, zip.ItemInfo().CompressedSize});
        else if (item->Action() == eaFromStream)
            pending.push_back(std::move(item));
        else
            return false;
    }
    std::reverse(known.begin(), known.end());
    std::reverse(pending.begin(), pending.end());
    const std::string comment = FInfo.ZipfileComment;
    try {
        const int64_t size = FStream->GetSize();
        const uint32_t magic = ReadMagic(*FStream);
        if (size == 0 || size > MaxArchiveImageSize || (magic & 0xFFFF) == WindowsExeSignature)
            return false;
        const int64_t tail = FindCentralDirectoryTail(*FStream);
        if (tail < 0)
            return false;
        ReadEndAndDirectory(tail);
        if (tail + 22 + static_cast<int64_t>(FInfo.ZipfileComment.size()) != size ||
            static_cast<int64_t>(FInfo.DirectoryOffset) + FInfo.DirectorySize != tail ||
            Count() < static_cast<int>(known.size()))
            return false;
        for (size_t i = 0; i < known.size(); ++i) {
            const TZipItem& theirs = *ZipItem(static_cast<int>(i));
            if (!TArchiveList::NamesEqual(theirs.GetFileName(), known[i].Name) ||
                theirs.ItemInfo().CRC32 != known[i].Crc || theirs.ItemInfo().CompressedSize != known[i].Size)
                return false;
        }
        FNormalised = false;
        FFreshFile = false;
        const TCommitPlan plan = PlanCommit(magic == ZipPossiblySpannedSignature);
        if (plan.First != Count() || plan.Keep != FInfo.DirectoryOffset)
            return false;
    } catch (const std::exception&) {
        return false;
    }
    FNormalised = true;
    if (FCommentSet)
        FInfo.ZipfileComment = comment;
    for (auto& item : pending) {
        // A name the other copy added first is skipped like any duplicate.
        if (FItemList.IsActiveDupe(item->GetFileName())) {
            item->SetAction(eaRemove);
            DoProcessItemFailure(item.get(), ptAdd, ecArchiveError, ErrDuplicateName);
        }
        FItemList.Add(std::move(item));
    }
    FIsDirty = true;
    return true;
}

// ---- reading

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

// ---- writing

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
    const std::string swapDir = SwapDirectoryFor(TempDirectory);
    const int64_t base = plan.Keep;
    if (base == 0) {
        if (FIsExecutable) {
            if (FStubSize > 0) {
                FStream->Seek(0, soFromBeginning);
                image.CopyFrom(*FStream, FStubSize);
            }
        } else if (marker) {
            WriteMagic(image, ZipPossiblySpannedSignature);
        }
    }

    TMemoryStream directory;
    FInfo.EntriesOnDisk = 0;
    FInfo.TotalEntries = 0;
    const int count = Count();
    for (int i = 0; i < plan.First; ++i) {
        ZipItem(i)->SaveCDHToStream(directory);
        ++FInfo.EntriesOnDisk;
        ++FInfo.TotalEntries;
    }
    for (int i = plan.First; i < count; ++i) {
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

    FInfo.StartDiskNumber = 0;
    FInfo.DirectoryOffset = static_cast<uint32_t>(base + image.GetPosition());
    image.CopyFrom(directory, 0);
    FInfo.DirectorySize = static_cast<uint32_t>(directory.GetSize());
    FInfo.DiskNumber = 0;
    FInfo.SaveToStream(image);
    CheckFits(base + image.GetPosition(), capacity);
}

void TZipArchive::FinishEntries()
{
    for (int i = Count() - 1; i >= 0; --i) {
        if (Item(i)->Action() == eaRemove)
            FItemList.Delete(i);
        else
            Item(i)->SetAction(eaKeep);
    }
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

void TZipArchive::WriteArchive()
{
    if (FSpanned) {
        for (int i = 0; i < Count(); ++i)
            Item(i)->SetAction(eaKeep);
        FIsDirty = false;
        throw EZipSpanOverwrite();
    }
    const int handle = ArchiveHandle(*FStream);
    // The check that the file is still ours and the write happen under one lock.
    TFileLock lock(handle);
    RecoverInterruptedCommit(FArchiveName, handle);
    CatchUpWithFile(handle);

    bool marker = false;
    const TCapacity capacity = VolumeCapacity(marker);
    int live = 0;
    for (int i = 0; i < Count(); ++i)
        live += Item(i)->Action() != eaRemove;
    if (live > MaxArchiveEntries)
        throw EZipWriteRefused(ArchiveMsgTooManyEntries);

    // Offsets change as the tail is built; a write that does not reach the
    // disk must leave them pointing into the file that is still there.
    std::vector<std::pair<uint32_t, uint16_t>> saved;
    saved.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        saved.emplace_back(ZipItem(i)->RelativeOffset(), ZipItem(i)->DiskNumberStart());
    const TZipDirectoryFileFooter savedInfo = FInfo;

    try {
        const TCommitPlan plan = RewriteWhole ? TCommitPlan() : PlanCommit(marker);
        bool copiesKept = false;
        for (int i = plan.First; i < Count(); ++i)
            copiesKept = copiesKept || Item(i)->Action() == eaKeep || Item(i)->Action() == eaRename;
        // An append stays small; a rewrite of kept entries may be as large as the archive.
        std::unique_ptr<TStream> tail;
        if (copiesKept) {
            auto paged = std::make_unique<TVirtualMemoryStream>();
            paged->SetSwapFileDirectory(SwapDirectoryFor(TempDirectory));
            tail = std::move(paged);
        } else {
            tail = std::make_unique<TMemoryStream>();
        }
        BuildTail(*tail, plan, capacity, marker);
        CommitInPlace(*tail, plan.Keep, handle);
    } catch (...) {
        FCurrentItem = nullptr;
        for (int i = 0; i < Count(); ++i) {
            ZipItem(i)->SetRelativeOffset(saved[static_cast<size_t>(i)].first);
            ZipItem(i)->SetDiskNumberStart(saved[static_cast<size_t>(i)].second);
        }
        const std::string comment = FInfo.ZipfileComment;
        FInfo = savedInfo;
        FInfo.ZipfileComment = comment;
        throw;
    }
    FCurrentDisk = 0;
    FNormalised = true;
    FFreshFile = false;
    FCommentSet = false;
    FinishEntries();

    DoArchiveSaveProgress(100);
    DoArchiveProgress(100);
}
