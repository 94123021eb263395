#include "RollbackJournal.h"

#include "ArchiveErrors.h"
#include "Errors.h"
#include "FileLayer.h"
#include "FullPath.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char HeadMagic[8] = {'P', 'L', 'K', 'J', 'R', 'N', 'L', 1};
constexpr char TailMagic[8] = {'P', 'L', 'K', 'J', 'E', 'N', 'D', 1};
constexpr int64_t HeaderSize = 48;
constexpr int64_t TrailerSize = 12;
constexpr int64_t Chunk = 1 << 16;
constexpr const char* Suffix = ".plinkavorte-journal";

struct THeader {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Offset = 0;
    int64_t OldSize = 0;
    int64_t NewSize = 0;
    uint32_t TailCrc = 0;
};

void Put64(uint8_t* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t Get64(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

void EncodeHeader(const THeader& h, uint8_t* out)
{
    std::memcpy(out, HeadMagic, 8);
    Put64(out + 8, h.Device);
    Put64(out + 16, h.Inode);
    Put64(out + 24, static_cast<uint64_t>(h.Offset));
    Put64(out + 32, static_cast<uint64_t>(h.OldSize));
    // The new size fits 32 bits in a classic archive; the tail CRC takes the high half.
    Put64(out + 40, static_cast<uint64_t>(static_cast<uint32_t>(h.NewSize)) | static_cast<uint64_t>(h.TailCrc) << 32);
}

bool DecodeHeader(const uint8_t* in, THeader& h)
{
    if (std::memcmp(in, HeadMagic, 8) != 0)
        return false;
    h.Device = Get64(in + 8);
    h.Inode = Get64(in + 16);
    h.Offset = static_cast<int64_t>(Get64(in + 24));
    h.OldSize = static_cast<int64_t>(Get64(in + 32));
    const uint64_t last = Get64(in + 40);
    h.NewSize = static_cast<int64_t>(last & 0xFFFFFFFFu);
    h.TailCrc = static_cast<uint32_t>(last >> 32);
    return h.Offset >= 0 && h.OldSize >= h.Offset;
}

uint32_t Crc(uint32_t crc, const void* data, int64_t count)
{
    return static_cast<uint32_t>(::crc32(crc, static_cast<const Bytef*>(data), static_cast<uInt>(count)));
}

// Closes a descriptor of the layer at scope end.
struct TLayerFd {
    explicit TLayerFd(int fd = -1) : Fd(fd) {}
    ~TLayerFd()
    {
        if (Fd >= 0)
            FileLayer().Close(Fd);
    }
    TLayerFd(const TLayerFd&) = delete;
    TLayerFd& operator=(const TLayerFd&) = delete;
    int Fd;
};

bool SameNode(int a, int b)
{
    struct stat x {}, y {};
    return ::fstat(a, &x) == 0 && ::fstat(b, &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

uint64_t NameHash(const std::string& text)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string Hex(uint64_t v, int digits)
{
    static const char* d = "0123456789abcdef";
    std::string out(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, v >>= 4)
        out[static_cast<size_t>(i)] = d[v & 15];
    return out;
}

// CRC of count bytes of fd from offset; false when they are not all there.
bool CrcOfRange(int fd, int64_t offset, int64_t count, uint32_t& crc)
{
    std::vector<uint8_t> buf(static_cast<size_t>(Chunk));
    crc = Crc(0, nullptr, 0);
    while (count > 0) {
        const int64_t want = std::min(count, Chunk);
        if (ReadAt(fd, buf.data(), want, offset) != want)
            return false;
        crc = Crc(crc, buf.data(), want);
        offset += want;
        count -= want;
    }
    return true;
}

// Copies count bytes from one file to another, each at its own offset.
bool CopyRange(int from, int64_t fromOffset, int to, int64_t toOffset, int64_t count)
{
    std::vector<uint8_t> buf(static_cast<size_t>(std::min(std::max<int64_t>(count, 1), Chunk)));
    while (count > 0) {
        const int64_t want = std::min<int64_t>(count, static_cast<int64_t>(buf.size()));
        if (ReadAt(from, buf.data(), want, fromOffset) != want)
            return false;
        if (FileLayer().WriteAt(to, buf.data(), want, toOffset) != 0)
            return false;
        fromOffset += want;
        toOffset += want;
        count -= want;
    }
    return true;
}

// A journal that is whole: its header, every covered byte and the trailer
// whose CRC spans them all.
bool ReadWholeJournal(int fd, THeader& header)
{
    struct stat st {};
    uint8_t head[HeaderSize];
    if (::fstat(fd, &st) != 0 || st.st_size < HeaderSize + TrailerSize ||
        ReadAt(fd, head, HeaderSize, 0) != HeaderSize || !DecodeHeader(head, header))
        return false;
    const int64_t covered = header.OldSize - header.Offset;
    if (st.st_size != HeaderSize + covered + TrailerSize)
        return false;
    uint8_t trailer[TrailerSize];
    if (ReadAt(fd, trailer, TrailerSize, HeaderSize + covered) != TrailerSize ||
        std::memcmp(trailer + 4, TailMagic, 8) != 0)
        return false;
    uint32_t crc = 0;
    if (!CrcOfRange(fd, 0, HeaderSize + covered, crc))
        return false;
    return crc == (trailer[0] | trailer[1] << 8 | trailer[2] << 16 | static_cast<uint32_t>(trailer[3]) << 24);
}

// The archive still holds the old bytes: nothing of the tail reached it.
bool StillOld(int journal, const THeader& header, int archive)
{
    struct stat st {};
    uint32_t old = 0, now = 0;
    const int64_t covered = header.OldSize - header.Offset;
    return ::fstat(archive, &st) == 0 && st.st_size == header.OldSize &&
           CrcOfRange(journal, HeaderSize, covered, old) && CrcOfRange(archive, header.Offset, covered, now) &&
           old == now;
}

// Puts the covered bytes back and the old size; the journal stays on failure.
bool RollBack(int journal, const THeader& header, int archive)
{
    if (StillOld(journal, header, archive))
        return true;
    return CopyRange(journal, HeaderSize, archive, header.Offset, header.OldSize - header.Offset) &&
           FileLayer().Truncate(archive, header.OldSize) == 0 && FileLayer().Sync(archive) == 0;
}

bool TailIsOnDisk(int archive, const THeader& header)
{
    struct stat st {};
    uint32_t crc = 0;
    return ::fstat(archive, &st) == 0 && st.st_size == header.NewSize &&
           CrcOfRange(archive, header.Offset, header.NewSize - header.Offset, crc) && crc == header.TailCrc;
}

void RecoverFrom(const std::string& journalPath, const std::string& target, int lockedHandle)
{
    TLayerFd journal(FileLayer().Open(journalPath, O_RDONLY | O_NOFOLLOW, 0));
    if (journal.Fd < 0)
        return;
    struct stat archive {};
    THeader header;
    // Not whole: the archive was never touched. Another file's: not ours to apply.
    if (::fstat(lockedHandle, &archive) != 0 || !ReadWholeJournal(journal.Fd, header) ||
        header.Device != static_cast<uint64_t>(archive.st_dev) ||
        header.Inode != static_cast<uint64_t>(archive.st_ino) || TailIsOnDisk(lockedHandle, header)) {
        FileLayer().Remove(journalPath);
        return;
    }
    TLayerFd writable(FileLayer().Open(target, O_RDWR, 0));
    if (writable.Fd < 0)
        throw EFOpenError(target, errno);
    if (!SameNode(writable.Fd, lockedHandle) || !RollBack(journal.Fd, header, writable.Fd))
        throw EBadStream(EWriteError().what());
    FileLayer().Remove(journalPath);
}

bool IsFolderRefusal(int err)
{
    return err == EACCES || err == EPERM || err == EROFS;
}

// Creates the journal beside the target, or in the state folder when the
// target's folder takes no new file. A leftover of the same name is no
// journal any more (recovery ran under the same lock) and goes.
int CreateJournal(const std::string& target, const struct stat& node, std::string& path)
{
    const int flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
    path = JournalBeside(target);
    int fd = FileLayer().Open(path, flags, 0600);
    if (fd < 0 && errno == EEXIST && FileLayer().Remove(path) == 0)
        fd = FileLayer().Open(path, flags, 0600);
    if (fd >= 0 || !IsFolderRefusal(errno))
        return fd;
    const int besideError = errno;
    path = JournalInStateFolder(node.st_dev, node.st_ino, true);
    if (path.empty()) {
        errno = besideError;
        return -1;
    }
    fd = FileLayer().Open(path, flags, 0600);
    if (fd < 0 && errno == EEXIST && FileLayer().Remove(path) == 0)
        fd = FileLayer().Open(path, flags, 0600);
    return fd;
}

[[noreturn]] void FailWrite(int err)
{
    throw EBadStream(err == 0 || err == EFBIG || err == ENOSPC ? EWriteError().what() : SystemErrorText(err));
}

uint32_t CrcOfStream(TStream& stream)
{
    std::vector<uint8_t> buf(static_cast<size_t>(Chunk));
    uint32_t crc = Crc(0, nullptr, 0);
    stream.Seek(0, soFromBeginning);
    for (int64_t n; (n = stream.Read(buf.data(), Chunk)) > 0;)
        crc = Crc(crc, buf.data(), n);
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

// Header, the covered bytes of the archive and the trailer, synced with
// the folder that names the journal.
bool WriteJournal(int journal, const std::string& path, const THeader& header, int archive)
{
    uint8_t head[HeaderSize];
    EncodeHeader(header, head);
    if (FileLayer().WriteAt(journal, head, HeaderSize, 0) != 0)
        return false;
    const int64_t covered = header.OldSize - header.Offset;
    if (!CopyRange(archive, header.Offset, journal, HeaderSize, covered))
        return false;
    uint32_t crc = 0;
    if (!CrcOfRange(journal, 0, HeaderSize + covered, crc))
        return false;
    uint8_t trailer[TrailerSize];
    for (int i = 0; i < 4; ++i)
        trailer[i] = static_cast<uint8_t>(crc >> (8 * i));
    std::memcpy(trailer + 4, TailMagic, 8);
    return FileLayer().WriteAt(journal, trailer, TrailerSize, HeaderSize + covered) == 0 &&
           FileLayer().Sync(journal) == 0 && FileLayer().SyncFolder(FolderOfPath(path)) == 0;
}

} // namespace

std::string JournalBeside(const std::string& target)
{
    const std::string folder = FolderOfPath(target);
    const std::string name = ExtractFileName(target);
    std::string journal = "." + name + Suffix;
    if (journal.size() > NAME_MAX) {
        // Cut at a character boundary and let a hash of the whole name tell them apart.
        size_t keep = NAME_MAX - 1 - 17 - std::strlen(Suffix);
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
        const std::string head = name.substr(0, keep);
        journal = "." + head + "~" + Hex(NameHash(name), 16) + Suffix;
    }
    return folder + journal;
}

std::string JournalInStateFolder(dev_t device, ino_t inode, bool make)
{
    const std::string folder = ProgramStateFolder(make);
    if (folder.empty())
        return std::string();
    return folder + Hex(static_cast<uint64_t>(device), 8) + "-" + Hex(static_cast<uint64_t>(inode), 16) + ".journal";
}

int64_t JournalSize(int64_t coveredBytes)
{
    return HeaderSize + coveredBytes + TrailerSize;
}

TFileIdentity CommitTail(const std::string& target, int lockedHandle, int64_t offset, TStream& tail,
                         bool& unfinished)
{
    unfinished = false;
    TLayerFd archive(FileLayer().Open(target, O_RDWR, 0));
    if (archive.Fd < 0)
        throw EFOpenError(target, errno);
    struct stat node {};
    if (!SameNode(archive.Fd, lockedHandle) || ::fstat(archive.Fd, &node) != 0)
        throw EBadStream(EWriteError().what());

    THeader header;
    header.Device = static_cast<uint64_t>(node.st_dev);
    header.Inode = static_cast<uint64_t>(node.st_ino);
    if (offset > node.st_size)
        throw EBadStream(EWriteError().what());
    header.Offset = offset;
    header.OldSize = node.st_size;
    header.NewSize = offset + tail.GetSize();
    header.TailCrc = CrcOfStream(tail);

    std::string journalPath;
    TLayerFd journal(CreateJournal(target, node, journalPath));
    if (journal.Fd < 0)
        FailWrite(errno);
    if (!WriteJournal(journal.Fd, journalPath, header, archive.Fd)) {
        const int err = errno;
        FileLayer().Remove(journalPath);
        FailWrite(err);
    }

    if (!WriteStreamAt(tail, archive.Fd, offset) || FileLayer().Truncate(archive.Fd, header.NewSize) != 0 ||
        FileLayer().Sync(archive.Fd) != 0) {
        const int err = errno;
        TLayerFd reread(FileLayer().Open(journalPath, O_RDONLY | O_NOFOLLOW, 0));
        if (reread.Fd >= 0 && RollBack(reread.Fd, header, archive.Fd))
            FileLayer().Remove(journalPath);
        else
            unfinished = true;
        FailWrite(err);
    }
    // A journal that outlives this point finds its tail on disk and goes.
    FileLayer().Remove(journalPath);
    TFileIdentity identity;
    GetHandleIdentity(archive.Fd, identity);
    return identity;
}

void ForgetJournals(const std::string& target, int handle)
{
    struct stat node {};
    if (::fstat(handle, &node) != 0)
        return;
    // The one beside may be a live journal of another writer's file of that
    // name: only one naming this very inode goes.
    const std::string beside = JournalBeside(target);
    TLayerFd journal(FileLayer().Open(beside, O_RDONLY | O_NOFOLLOW, 0));
    uint8_t head[HeaderSize];
    THeader header;
    if (journal.Fd >= 0 && ReadAt(journal.Fd, head, HeaderSize, 0) == HeaderSize && DecodeHeader(head, header) &&
        header.Device == static_cast<uint64_t>(node.st_dev) && header.Inode == static_cast<uint64_t>(node.st_ino))
        FileLayer().Remove(beside);
    const std::string inState = JournalInStateFolder(node.st_dev, node.st_ino, false);
    if (!inState.empty())
        FileLayer().Remove(inState);
}

void RecoverInterruptedCommit(const std::string& target, int lockedHandle)
{
    struct stat node {};
    if (::fstat(lockedHandle, &node) != 0)
        return;
    RecoverFrom(JournalBeside(target), target, lockedHandle);
    const std::string inState = JournalInStateFolder(node.st_dev, node.st_ino, false);
    if (!inState.empty())
        RecoverFrom(inState, target, lockedHandle);
}
