#pragma once
// Seekable byte streams shared by the thumbnail recipe and the archive writer.

#include <cstdint>

enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;

    // Transfer up to count bytes; return how many moved.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, int origin) = 0;
    virtual void SetSize(int64_t newSize) = 0;
    virtual int64_t GetSize();

    int64_t GetPosition() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soFromBeginning); }

    // All-or-nothing transfers: a short read or write throws.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);

    // Count 0 copies the whole source from its start; otherwise count bytes
    // from the source's position. Returns the bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};
