#include "ZipArchive.h"

#include "SpanStream.h"
#include "PagedStream.h"
#include "FileSystem.h"
#include "FullPath.h"
#include "MemoryStream.h"
#include "SafeReplace.h"
#include "TempFiles.h"
#include "Volume.h"

#include <algorithm>
#include <climits>
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

} // namespace

TZipArchive::TZipArchive(const std::string& fileName, uint16_t mode) : TArchive(fileName, mode)
{
    FStoreOptions |= StoreOptionBit(soStripDrive);
    CompressionMethodToUse = smBestMethod;
    DeflationOption = doNormal;
    PasswordRetries = 3;
    TempDirectory.clear();
    SpanningThreshold = 0;
    FCurrentDisk = 65535;
    RememberIdentity(static_cast<TSpanStream&>(*FStream).Handle());
}

TZipArchive::~TZipArchive() = default;

void TZipArchive::SetStoreOptions(TStoreOptions options)
{
    FStoreOptions = options | StoreOptionBit(soStripDrive);
}

std::string TZipArchive::MakeStoredName(const std::string& name)
{
    std::string result = name;
    FStoreOptions |= StoreOptionBit(soStripDrive);

    std::replace(result.begin(), result.end(), '/', '\\');
    const size_t cut = result.rfind('\\');
    std::string dir = cut == std::string::npos ? std::string() : result.substr(0, cut + 1);
    const std::string file = cut == std::string::npos ? result : result.substr(cut + 1);
    if (dir.find("\\\\") != std::string::npos) {
        size_t pos = std::string::npos;
        for (int seen = 0; seen < 4; ++seen) {
            pos = dir.find('\\', pos == std::string::npos ? 0 : pos + 1);
            if (pos == std::string::npos)
                break;
        }
        dir = pos == std::string::npos ? std::string() : dir.substr(pos + 1);
    } else if (const size_t colon = dir.find(':'); colon != std::string::npos) {
        dir = dir.substr(colon + 1);
        if (!dir.empty() && dir[0] == '\\')
            dir.erase(0, 1);
    }
    result = dir + file;

    if (result.size() > 1 && result[0] == '\\')
        result.erase(0, 1);
    if (HasStoreOption(FStoreOptions, soStripPath)) {
        const size_t sep = result.find_last_of("\\:");
        if (sep != std::string::npos)
            result = result.substr(sep + 1);
    }
    if (HasStoreOption(FStoreOptions, soRemoveDots))
        while (result.compare(0, 3, "..\\") == 0)
            result.erase(0, 3);
    std::replace(result.begin(), result.end(), '\\', '/');
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
    FIsDirty = true;
}

void TZipArchive::RememberIdentity(int handle)
{
    FHaveIdentity = GetHandleIdentity(handle, FIdentity);
}

void TZipArchive::CheckUnchangedOnDisk()
{
    if (!FHaveIdentity)
        return;
    TFileIdentity now;
    if (GetFileIdentity(FArchiveName, now) && now == FIdentity)
        return;
    // Never again: whatever this model writes would drop the other writer's entries.
    CloseForWriting(ArchiveMsgArchiveChanged);
    throw EZipWriteRefused(ArchiveMsgArchiveChanged);
}

// ---- reading

void TZipArchive::ReadArchive()
{
    FAutoGen = false;
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
    FStream->Seek(tail, soFromBeginning);
    FInfo.LoadFromStream(*FStream);
    if (IsZip64Footer(FInfo))
        throw EZipInvalid();
    FCurrentDisk = FInfo.DiskNumber;
    if (FCurrentDisk != 0)
        FSpanned = true;
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

void TZipArchive::ReopenForReading()
{
    auto* span = dynamic_cast<TSpanStream*>(FStream.get());
    if (!span || !span->IsWriting())
        return;
    const TMediaType media = span->MediaType();
    const int32_t threshold = span->Threshold();
    FStream.reset();
    FStream = std::make_unique<TSpanStream>(FArchiveName, fmOpenRead | fmShareDenyWrite, media, threshold);
}

TZipArchive::TCapacity TZipArchive::VolumeCapacity(bool& marker)
{
    FDriveIsRemovable = IsRemovableDrive(FArchiveName);
    TCapacity capacity;
    const int64_t free = VolumeFreeSpace(ExtractFilePath(FArchiveName));
    if (free >= 0 && free < MaxArchiveImageSize)
        capacity = {free, ArchiveMsgNoRoom};
    marker = false;
    if (FDriveIsRemovable) {
        marker = FStream->GetSize() == 0;
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

void TZipArchive::CopyKeptEntry(TZipItem& item, TStream& image, TStream& directory)
{
    const uint32_t dataSize = item.ItemInfo().CompressedSize;
    if (dataSize > MaxArchiveImageSize)
        throw EZipWriteRefused(ArchiveMsgTooLarge);
    // A seek the stream refuses would leave it at some other entry's header.
    if (FStream->Seek(item.RelativeOffset(), soFromBeginning) != item.RelativeOffset())
        throw EZipInvalid();
    item.SetDiskNumberStart(0);
    item.SetRelativeOffset(static_cast<uint32_t>(image.GetPosition()));
    TZipLocalFileHeader oldHeader;
    oldHeader.LoadFromStream(*FStream);
    item.SaveLFHToStream(image);
    if (dataSize > 0)
        image.CopyFrom(*FStream, dataSize);
    item.SaveCDHToStream(directory);
    ++FInfo.EntriesOnDisk;
    ++FInfo.TotalEntries;
}

void TZipArchive::AddNewEntry(TZipItem& item, TStream& image, TStream& directory, const std::string& swapDir)
{
    try {
        item.SetDiskNumberStart(0);
        item.SetRelativeOffset(static_cast<uint32_t>(image.GetPosition()));
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

void TZipArchive::BuildImage(TStream& image, const TCapacity& capacity, bool marker)
{
    const std::string swapDir = SwapDirectoryFor(TempDirectory);
    if (FIsExecutable) {
        if (FStubSize > 0) {
            FStream->Seek(0, soFromBeginning);
            image.CopyFrom(*FStream, FStubSize);
        }
    } else if (marker) {
        WriteMagic(image, ZipPossiblySpannedSignature);
    }

    TMemoryStream directory;
    FInfo.EntriesOnDisk = 0;
    FInfo.TotalEntries = 0;
    FStream->Seek(0, soFromBeginning);
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        TZipItem& item = *ZipItem(i);
        FCurrentItem = &item;
        switch (item.Action()) {
        case eaRemove:
            break;
        case eaKeep:
        case eaRename:
            CopyKeptEntry(item, image, directory);
            break;
        default:
            AddNewEntry(item, image, directory, swapDir);
            break;
        }
        // Readers size an entry flagged for a descriptor with the descriptor,
        // whatever its method: leaving it out makes entries overlap for them.
        if (item.Action() != eaRemove && (item.GeneralPurposeBitFlag() & FlagDataDescriptor) != 0)
            item.SaveDDToStream(image);
        if (DoArchiveProgress(static_cast<uint8_t>(ArchivePercentage(9LL * (i + 1), 10LL * count))))
            throw EUserAbort();
        CheckFits(image.GetPosition(), capacity);
    }
    FCurrentItem = nullptr;

    FInfo.StartDiskNumber = 0;
    FInfo.DirectoryOffset = static_cast<uint32_t>(image.GetPosition());
    image.CopyFrom(directory, 0);
    FInfo.DirectorySize = static_cast<uint32_t>(directory.GetSize());
    FInfo.DiskNumber = 0;
    FInfo.SaveToStream(image);
    CheckFits(image.GetPosition(), capacity);
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

void TZipArchive::ReplaceFile(TStream& image)
{
    CheckUnchangedOnDisk();
    std::unique_ptr<TSafeReplace> replace;
    try {
        replace = std::make_unique<TSafeReplace>(FArchiveName);
    } catch (...) {
        CloseForWriting(ArchiveMsgNotWritable);
        throw;
    }
    try {
        replace->Stream().CopyFrom(image, 0);
        FIdentity = replace->Commit();
        FHaveIdentity = true;
    } catch (const EUserAbort&) {
        throw;
    } catch (const std::exception& e) {
        throw EBadStream(e.what());
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
    CheckUnchangedOnDisk();
    ReopenForReading();

    bool marker = false;
    const TCapacity capacity = VolumeCapacity(marker);
    int live = 0;
    for (int i = 0; i < Count(); ++i)
        live += Item(i)->Action() != eaRemove;
    if (live > MaxArchiveEntries)
        throw EZipWriteRefused(ArchiveMsgTooManyEntries);

    // Offsets change as the image is built; a write that does not reach the
    // disk must leave them pointing into the file that is still there.
    std::vector<std::pair<uint32_t, uint16_t>> saved;
    saved.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        saved.emplace_back(ZipItem(i)->RelativeOffset(), ZipItem(i)->DiskNumberStart());

    TVirtualMemoryStream image;
    image.SetSwapFileDirectory(SwapDirectoryFor(TempDirectory));
    try {
        BuildImage(image, capacity, marker);
        image.Seek(0, soFromBeginning);
        ReplaceFile(image);
    } catch (...) {
        FCurrentItem = nullptr;
        for (int i = 0; i < Count(); ++i) {
            ZipItem(i)->SetRelativeOffset(saved[static_cast<size_t>(i)].first);
            ZipItem(i)->SetDiskNumberStart(saved[static_cast<size_t>(i)].second);
        }
        throw;
    }
    FCurrentDisk = 0;
    FinishEntries();

    FStream.reset();
    try {
        FStream = std::make_unique<TFileStream>(FArchiveName, fmOpenReadWrite | fmShareDenyWrite);
    } catch (...) {
        CloseForWriting(ArchiveMsgNotWritable);
        throw;
    }
    FStream->Seek(0, soFromEnd);

    DoArchiveSaveProgress(100);
    DoArchiveProgress(100);
}
