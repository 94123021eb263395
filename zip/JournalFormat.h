#pragma once
// The bytes of a rollback journal: a header naming the archive and the
// commit, the archive's old bytes from the tail offset on, and a trailer
// whose CRC spans everything before it. A journal counts only when whole.
// Version 1 (sizes partly in 32 bits, no archive path) is still read.

#include <cstdint>
#include <string>

struct TJournalHeader {
    int Version = 2;
    uint64_t Device = 0;
    uint64_t Inode = 0;
    int64_t Offset = 0;
    int64_t OldSize = 0;
    int64_t NewSize = 0;
    uint32_t TailCrc = 0;
    // The bytes just before Offset, which a commit never touches: they tell
    // whether a file still is the archive the journal was made for.
    uint32_t PrefixLength = 0;
    uint32_t PrefixCrc = 0;
    std::string ArchivePath;

    int64_t CoveredBytes() const { return OldSize - Offset; }
};

enum class TJournalState {
    jsWhole,  // holds a commit that may need undoing
    jsVoid,   // empty or zeroed: holds nothing
    jsTorn,   // never finished: its commit never touched the archive
    jsNewer,  // written by a later version of this program
};

// Bytes a journal takes on disk.
int64_t JournalFileSize(int64_t coveredBytes, size_t pathLength);

// Reads and checks a journal; `header` is filled for a whole one.
TJournalState ReadJournal(int fd, TJournalHeader& header);

// The archive path a journal of the current version names, read from its
// header alone; false for any other file.
bool PeekJournalPath(int fd, std::string& path);

// Where the covered bytes start in a journal with this header.
int64_t CoveredBytesOffset(const TJournalHeader& header);

// Writes the header, the archive's covered bytes and the trailer, and
// syncs the journal. False with errno set on failure.
bool WriteJournal(int journal, const TJournalHeader& header, int archive);

// Zeroes the header in place and syncs: the journal then holds nothing.
bool VoidJournal(int journal);

// CRC of count bytes of fd from offset; false when they are not all there.
bool CrcOfRange(int fd, int64_t offset, int64_t count, uint32_t& crc);

// Copies count bytes from one file to another, each at its own offset,
// writing through the file layer. False with errno set on failure.
bool CopyRange(int from, int64_t fromOffset, int to, int64_t toOffset, int64_t count);
