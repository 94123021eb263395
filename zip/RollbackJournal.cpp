#include "RollbackJournal.h"

#include "ArchiveErrors.h"
#include "Errors.h"
#include "FileLayer.h"
#include "FullPath.h"
#include "JournalFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t PrefixCheck = 4096;
constexpr int64_t Chunk = 1 << 16;

bool SameNode(int a, int b)
{
    struct stat x {}, y {};
    return ::fstat(a, &x) == 0 && ::fstat(b, &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// ---- journals removed without a sync of their folder

// A journal whose removal a power loss undoes would undo every later
// commit. The next journal's own folder sync makes a removal in that folder
// durable; a removal anywhere else is synced before a commit touches the
// archive. Earlier processes are covered by syncing every place once.
struct TRemovals {
    std::mutex Lock;
    std::set<std::string> Unsynced;
    std::set<std::string> TargetsSettled;
};

TRemovals& Removals()
{
    static TRemovals removals;
    return removals;
}

void NoteUnsyncedRemoval(const std::string& folder)
{
    std::lock_guard<std::mutex> lock(Removals().Lock);
    Removals().Unsynced.insert(folder);
}

bool SyncEarlierRemovals(const std::string& target, const std::string& journalFolder)
{
    TRemovals& removals = Removals();
    std::lock_guard<std::mutex> lock(removals.Lock);
    std::set<std::string> folders;
    folders.swap(removals.Unsynced);
    if (removals.TargetsSettled.insert(target).second)
        for (const std::string& folder : JournalFolders(target))
            folders.insert(folder);
    folders.erase(journalFolder);
    for (const std::string& folder : folders)
        if (FileLayer().SyncFolder(folder) != 0 && errno != ENOENT)
            return false;
    return true;
}

// ---- the archive as a journal finds it

// The archive is the file the journal was made for: its size is one a cut
// commit can leave, and the bytes before the tail, which a commit never
// touches, are as they were.
bool FitsArchive(const TJournalHeader& header, int archive)
{
    struct stat st {};
    if (::fstat(archive, &st) != 0 || st.st_size < header.Offset ||
        st.st_size > std::max(header.OldSize, header.NewSize))
        return false;
    if (header.Version == 1)
        return true;
    uint32_t crc = 0;
    return CrcOfRange(archive, header.Offset - header.PrefixLength, header.PrefixLength, crc) &&
           crc == header.PrefixCrc;
}

// Nothing of the tail reached the archive.
bool StillOld(int journal, const TJournalHeader& header, int archive)
{
    struct stat st {};
    uint32_t old = 0, now = 0;
    return ::fstat(archive, &st) == 0 && st.st_size == header.OldSize &&
           CrcOfRange(journal, CoveredBytesOffset(header), header.CoveredBytes(), old) &&
           CrcOfRange(archive, header.Offset, header.CoveredBytes(), now) && old == now;
}

bool TailIsOnDisk(int archive, const TJournalHeader& header)
{
    struct stat st {};
    uint32_t crc = 0;
    return ::fstat(archive, &st) == 0 && st.st_size == header.NewSize &&
           CrcOfRange(archive, header.Offset, header.NewSize - header.Offset, crc) && crc == header.TailCrc;
}

// Puts the covered bytes back and the old size.
bool RollBack(int journal, const TJournalHeader& header, int archive)
{
    if (StillOld(journal, header, archive))
        return true;
    return CopyRange(journal, CoveredBytesOffset(header), archive, header.Offset, header.CoveredBytes()) &&
           FileLayer().Truncate(archive, header.OldSize) == 0 && FileLayer().Sync(archive) == 0;
}

// ---- settling a journal found for the archive

[[noreturn]] void Blocked(const std::string& target, const std::string& journal, const std::string& what)
{
    throw EArchiveBlocked(target, "the journal of an interrupted commit, " + journal + ", " + what);
}

// A settled journal goes for good, or is voided in place where it cannot go.
void Discard(const std::string& target, const std::string& path, int fd)
{
    if (FileLayer().Remove(path) == 0) {
        if (FileLayer().SyncFolder(FolderOfPath(path)) != 0)
            Blocked(target, path, "cannot be removed for good: " + SystemErrorText(errno));
        return;
    }
    const int err = errno;
    if (!VoidJournal(fd))
        Blocked(target, path, "cannot be removed: " + SystemErrorText(err));
}

void Undo(const std::string& target, const std::string& path, int journal, const TJournalHeader& header,
          int lockedHandle)
{
    TLayerFd writable(FileLayer().Open(target, O_RDWR, 0));
    if (writable.Fd < 0)
        Blocked(target, path, "must put the archive back, and the archive cannot be written: " + SystemErrorText(errno));
    if (!SameNode(writable.Fd, lockedHandle))
        Blocked(target, path, "does not match the archive as it is now; the journal is kept");
    if (!RollBack(journal, header, writable.Fd))
        Blocked(target, path, "cannot put the archive back: " + SystemErrorText(errno));
}

int OpenFound(const std::string& path)
{
    const int flags = O_NOFOLLOW | O_NONBLOCK;
    const int fd = FileLayer().Open(path, O_RDWR | flags, 0);
    if (fd >= 0 || (errno != EACCES && errno != EROFS && errno != EPERM))
        return fd;
    return FileLayer().Open(path, O_RDONLY | flags, 0);
}

void Settle(const std::string& target, const std::string& path, int lockedHandle)
{
    TLayerFd journal(OpenFound(path));
    if (journal.Fd < 0) {
        if (errno == ENOENT)
            return;
        Blocked(target, path, "cannot be read: " + SystemErrorText(errno));
    }
    TJournalHeader header;
    switch (ReadJournal(journal.Fd, header)) {
    case TJournalState::jsNewer:
        Blocked(target, path, "was written by a newer version of Plinkavorte");
    case TJournalState::jsVoid:
    case TJournalState::jsTorn:
        // Holds no commit that touched the archive: it goes where it may, and
        // does no harm where it may not.
        FileLayer().Remove(path);
        return;
    case TJournalState::jsWhole:
        break;
    }
    if (!FitsArchive(header, lockedHandle))
        Blocked(target, path, "does not match the archive as it is now; the journal is kept");
    if (!TailIsOnDisk(lockedHandle, header) && !StillOld(journal.Fd, header, lockedHandle))
        Undo(target, path, journal.Fd, header, lockedHandle);
    Discard(target, path, journal.Fd);
}

// ---- a commit

[[noreturn]] void FailWrite(int err)
{
    throw EBadStream(err == 0 || err == EFBIG || err == ENOSPC ? EWriteError().what() : SystemErrorText(err));
}

// The CRC of `zeros` zero bytes followed by the stream's bytes.
uint32_t CrcOfStream(TStream& stream, int64_t zeros)
{
    std::vector<uint8_t> buf(static_cast<size_t>(Chunk));
    uint32_t crc = static_cast<uint32_t>(::crc32(0, nullptr, 0));
    for (int64_t n; (n = std::min(zeros, Chunk)) > 0; zeros -= n)
        crc = static_cast<uint32_t>(::crc32(crc, buf.data(), static_cast<uInt>(n)));
    stream.Seek(0, soFromBeginning);
    for (int64_t n; (n = stream.Read(buf.data(), Chunk)) > 0;)
        crc = static_cast<uint32_t>(::crc32(crc, buf.data(), static_cast<uInt>(n)));
    return crc;
}

bool WriteStreamAt(TStream& stream, int fd, int64_t offset)
{
    std::vector<uint8_t> buf(static_cast<size_t>(Chunk));
    stream.Seek(0, soFromBeginning);
    for (int64_t n; (n = stream.Read(buf.data(), Chunk)) > 0; offset += n)
        if (FileLayer().WriteAt(fd, buf.data(), n, offset) != 0)
            return false;
    return true;
}

// A tail placed past the file's end leaves a hole before it, which reads
// as zeros: the commit then starts at the old end.
TJournalHeader HeaderFor(const std::string& target, const struct stat& node, int archive, int64_t offset,
                         TStream& tail)
{
    TJournalHeader header;
    header.Device = static_cast<uint64_t>(node.st_dev);
    header.Inode = static_cast<uint64_t>(node.st_ino);
    header.Offset = std::min<int64_t>(offset, node.st_size);
    header.OldSize = node.st_size;
    header.NewSize = offset + tail.GetSize();
    header.TailCrc = CrcOfStream(tail, offset - header.Offset);
    header.PrefixLength = static_cast<uint32_t>(std::min(header.Offset, PrefixCheck));
    header.ArchivePath = target;
    if (!CrcOfRange(archive, header.Offset - header.PrefixLength, header.PrefixLength, header.PrefixCrc))
        throw EBadStream(EReadError().what());
    return header;
}

// The journal's commit stands: it goes, or is voided where it cannot go. A
// journal left whole all the same finds its tail on disk and is confirmed.
void FinishJournal(const std::string& path, int fd)
{
    if (FileLayer().Remove(path) == 0)
        NoteUnsyncedRemoval(FolderOfPath(path));
    else
        VoidJournal(fd);
}

// The target opened for writing, checked to be the file the caller locked.
int OpenLockedForWriting(const std::string& target, int lockedHandle)
{
    const int fd = FileLayer().Open(target, O_RDWR, 0);
    if (fd < 0)
        throw EFOpenError(target, errno);
    if (!SameNode(fd, lockedHandle)) {
        FileLayer().Close(fd);
        throw EBadStream(EWriteError().what());
    }
    return fd;
}

TFileIdentity IdentityOf(int fd)
{
    TFileIdentity identity;
    GetHandleIdentity(fd, identity);
    return identity;
}

} // namespace

int64_t JournalSize(int64_t coveredBytes)
{
    return JournalFileSize(coveredBytes, PATH_MAX);
}

TFileIdentity CommitTail(const std::string& target, int lockedHandle, int64_t offset, TStream& tail,
                         bool& unfinished)
{
    unfinished = false;
    TLayerFd archive(OpenLockedForWriting(target, lockedHandle));
    struct stat node {};
    if (::fstat(archive.Fd, &node) != 0)
        throw EBadStream(EWriteError().what());
    const TJournalHeader header = HeaderFor(target, node, archive.Fd, offset, tail);

    std::string journalPath;
    TLayerFd journal(CreateJournal(target, node, journalPath));
    if (journal.Fd < 0)
        FailWrite(errno);
    const std::string journalFolder = FolderOfPath(journalPath);
    if (!WriteJournal(journal.Fd, header, archive.Fd) || FileLayer().SyncFolder(journalFolder) != 0 ||
        !SyncEarlierRemovals(target, journalFolder)) {
        const int err = errno;
        FinishJournal(journalPath, journal.Fd);
        FailWrite(err);
    }

    if (!WriteStreamAt(tail, archive.Fd, offset) || FileLayer().Truncate(archive.Fd, header.NewSize) != 0 ||
        FileLayer().Sync(archive.Fd) != 0) {
        const int err = errno;
        if (RollBack(journal.Fd, header, archive.Fd))
            FinishJournal(journalPath, journal.Fd);
        else
            unfinished = true;
        FailWrite(err);
    }
    FinishJournal(journalPath, journal.Fd);
    return IdentityOf(archive.Fd);
}

// A finished commit's journal that a power loss brings back must not find
// the archive changed under it: its removal reaches the disk first.
TFileIdentity WriteUnreferenced(const std::string& target, int lockedHandle, int64_t offset, TStream& bytes)
{
    TLayerFd archive(OpenLockedForWriting(target, lockedHandle));
    if (!SyncEarlierRemovals(target, std::string()) || !WriteStreamAt(bytes, archive.Fd, offset) ||
        FileLayer().Sync(archive.Fd) != 0)
        FailWrite(errno);
    return IdentityOf(archive.Fd);
}

TFileIdentity ShortenFile(const std::string& target, int lockedHandle, int64_t size)
{
    TLayerFd archive(OpenLockedForWriting(target, lockedHandle));
    if (!SyncEarlierRemovals(target, std::string()) || FileLayer().Truncate(archive.Fd, size) != 0 ||
        FileLayer().Sync(archive.Fd) != 0)
        FailWrite(errno);
    return IdentityOf(archive.Fd);
}

void RecoverInterruptedCommit(const std::string& target, int lockedHandle)
{
    struct stat node {};
    if (::fstat(lockedHandle, &node) != 0)
        return;
    for (const std::string& path : JournalsOf(target, node))
        Settle(target, path, lockedHandle);
}

void ForgetJournals(const std::string& target, int handle)
{
    struct stat node {};
    if (::fstat(handle, &node) != 0)
        return;
    for (const std::string& path : JournalsOf(target, node))
        if (FileLayer().Remove(path) == 0)
            FileLayer().SyncFolder(FolderOfPath(path));
}
