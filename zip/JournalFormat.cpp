#include "JournalFormat.h"

#include "FileLayer.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr char Magic[7] = {'P', 'L', 'K', 'J', 'R', 'N', 'L'};
constexpr char TailMagic[8] = {'P', 'L', 'K', 'J', 'E', 'N', 'D', 1};
constexpr int CurrentVersion = 2;
constexpr int64_t FirstHeaderSize = 48;
constexpr int64_t FixedHeaderSize = 64;
constexpr int64_t TrailerSize = 12;
constexpr size_t MaxPathLength = 65536;
constexpr int64_t Chunk = 1 << 16;

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put64(uint8_t* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint64_t Get64(const uint8_t* p)
{
    return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32;
}

uint32_t Crc(uint32_t crc, const void* data, int64_t count)
{
    return static_cast<uint32_t>(::crc32(crc, static_cast<const Bytef*>(data), static_cast<uInt>(count)));
}

int64_t HeaderSize(const TJournalHeader& h)
{
    return h.Version == 1 ? FirstHeaderSize : FixedHeaderSize + static_cast<int64_t>(h.ArchivePath.size());
}

std::vector<uint8_t> EncodeHeader(const TJournalHeader& h)
{
    std::vector<uint8_t> out(static_cast<size_t>(FixedHeaderSize), 0);
    std::memcpy(out.data(), Magic, 7);
    out[7] = static_cast<uint8_t>(CurrentVersion);
    Put64(&out[8], h.Device);
    Put64(&out[16], h.Inode);
    Put64(&out[24], static_cast<uint64_t>(h.Offset));
    Put64(&out[32], static_cast<uint64_t>(h.OldSize));
    Put64(&out[40], static_cast<uint64_t>(h.NewSize));
    Put32(&out[48], h.TailCrc);
    Put32(&out[52], h.PrefixLength);
    Put32(&out[56], h.PrefixCrc);
    Put32(&out[60], static_cast<uint32_t>(h.ArchivePath.size()));
    out.insert(out.end(), h.ArchivePath.begin(), h.ArchivePath.end());
    return out;
}

// The first version kept the new size in 32 bits and the tail CRC beside it.
void DecodeFirstVersion(const uint8_t* in, TJournalHeader& h)
{
    h.Version = 1;
    h.Device = Get64(in + 8);
    h.Inode = Get64(in + 16);
    h.Offset = static_cast<int64_t>(Get64(in + 24));
    h.OldSize = static_cast<int64_t>(Get64(in + 32));
    h.NewSize = Get32(in + 40);
    h.TailCrc = Get32(in + 44);
}

bool DecodeCurrentVersion(int fd, const uint8_t* in, int64_t fileSize, TJournalHeader& h)
{
    h.Version = CurrentVersion;
    h.Device = Get64(in + 8);
    h.Inode = Get64(in + 16);
    h.Offset = static_cast<int64_t>(Get64(in + 24));
    h.OldSize = static_cast<int64_t>(Get64(in + 32));
    h.NewSize = static_cast<int64_t>(Get64(in + 40));
    h.TailCrc = Get32(in + 48);
    h.PrefixLength = Get32(in + 52);
    h.PrefixCrc = Get32(in + 56);
    const uint32_t pathLength = Get32(in + 60);
    if (pathLength > MaxPathLength || FixedHeaderSize + pathLength > fileSize)
        return false;
    h.ArchivePath.assign(pathLength, '\0');
    return ReadAt(fd, h.ArchivePath.data(), pathLength, FixedHeaderSize) == pathLength;
}

bool SaneSizes(const TJournalHeader& h)
{
    return h.Offset >= 0 && h.OldSize >= h.Offset && h.NewSize >= h.Offset && h.PrefixLength <= h.Offset;
}

bool IsZero(const uint8_t* p, size_t count)
{
    return std::all_of(p, p + count, [](uint8_t b) { return b == 0; });
}

bool TrailerFits(int fd, const TJournalHeader& h, int64_t fileSize)
{
    // Sizes from a damaged header may be anything: none may pass the file's own.
    if (h.CoveredBytes() > fileSize)
        return false;
    const int64_t end = HeaderSize(h) + h.CoveredBytes();
    uint8_t trailer[TrailerSize];
    uint32_t crc = 0;
    return fileSize == end + TrailerSize && ReadAt(fd, trailer, TrailerSize, end) == TrailerSize &&
           std::memcmp(trailer + 4, TailMagic, 8) == 0 && CrcOfRange(fd, 0, end, crc) && crc == Get32(trailer);
}

} // namespace

int64_t JournalFileSize(int64_t coveredBytes, size_t pathLength)
{
    return FixedHeaderSize + static_cast<int64_t>(pathLength) + coveredBytes + TrailerSize;
}

int64_t CoveredBytesOffset(const TJournalHeader& header)
{
    return HeaderSize(header);
}

TJournalState ReadJournal(int fd, TJournalHeader& header)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return TJournalState::jsTorn;
    uint8_t head[FixedHeaderSize] = {};
    const int64_t got = ReadAt(fd, head, std::min<int64_t>(st.st_size, FixedHeaderSize), 0);
    if (st.st_size == 0 || (got >= 8 && IsZero(head, 8)))
        return TJournalState::jsVoid;
    if (got < FirstHeaderSize || std::memcmp(head, Magic, 7) != 0 || head[7] == 0)
        return TJournalState::jsTorn;
    if (head[7] > CurrentVersion)
        return TJournalState::jsNewer;
    TJournalHeader h;
    if (head[7] == 1)
        DecodeFirstVersion(head, h);
    else if (got < FixedHeaderSize || !DecodeCurrentVersion(fd, head, st.st_size, h))
        return TJournalState::jsTorn;
    if (!SaneSizes(h) || !TrailerFits(fd, h, st.st_size))
        return TJournalState::jsTorn;
    header = h;
    return TJournalState::jsWhole;
}

bool PeekJournalPath(int fd, std::string& path)
{
    struct stat st {};
    uint8_t head[FixedHeaderSize];
    TJournalHeader h;
    if (::fstat(fd, &st) != 0 || ReadAt(fd, head, FixedHeaderSize, 0) != FixedHeaderSize ||
        std::memcmp(head, Magic, 7) != 0 || head[7] != CurrentVersion || !DecodeCurrentVersion(fd, head, st.st_size, h))
        return false;
    path = h.ArchivePath;
    return true;
}

bool WriteJournal(int journal, const TJournalHeader& header, int archive)
{
    const std::vector<uint8_t> head = EncodeHeader(header);
    const auto headSize = static_cast<int64_t>(head.size());
    if (FileLayer().WriteAt(journal, head.data(), headSize, 0) != 0 ||
        !CopyRange(archive, header.Offset, journal, headSize, header.CoveredBytes()))
        return false;
    const int64_t end = headSize + header.CoveredBytes();
    uint32_t crc = 0;
    if (!CrcOfRange(journal, 0, end, crc)) {
        errno = EIO;
        return false;
    }
    uint8_t trailer[TrailerSize];
    Put32(trailer, crc);
    std::memcpy(trailer + 4, TailMagic, 8);
    return FileLayer().WriteAt(journal, trailer, TrailerSize, end) == 0 && FileLayer().Sync(journal) == 0;
}

bool VoidJournal(int journal)
{
    const uint8_t zeros[FixedHeaderSize] = {};
    return FileLayer().WriteAt(journal, zeros, FixedHeaderSize, 0) == 0 && FileLayer().Sync(journal) == 0;
}

bool CrcOfRange(int fd, int64_t offset, int64_t count, uint32_t& crc)
{
    std::vector<uint8_t> buf(static_cast<size_t>(std::min(std::max<int64_t>(count, 1), Chunk)));
    crc = Crc(0, nullptr, 0);
    while (count > 0) {
        const int64_t want = std::min<int64_t>(count, static_cast<int64_t>(buf.size()));
        if (ReadAt(fd, buf.data(), want, offset) != want)
            return false;
        crc = Crc(crc, buf.data(), want);
        offset += want;
        count -= want;
    }
    return true;
}

bool CopyRange(int from, int64_t fromOffset, int to, int64_t toOffset, int64_t count)
{
    std::vector<uint8_t> buf(static_cast<size_t>(std::min(std::max<int64_t>(count, 1), Chunk)));
    while (count > 0) {
        const int64_t want = std::min<int64_t>(count, static_cast<int64_t>(buf.size()));
        const int64_t got = ReadAt(from, buf.data(), want, fromOffset);
        if (got != want) {
            if (got >= 0)
                errno = EIO;
            return false;
        }
        if (FileLayer().WriteAt(to, buf.data(), want, toOffset) != 0)
            return false;
        fromOffset += want;
        toOffset += want;
        count -= want;
    }
    return true;
}
