#pragma once

#include "Stream.h"

#include <cstdint>
#include <string>

// Open modes. The share bits are accepted for the callers' sake; Linux has no
// share modes, so they change nothing.
enum : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFFFF,
};

// A stream over one open file descriptor, closed on destruction.
class TFileStream : public TStream {
public:
    // fmCreate creates or truncates the file; other modes open an existing
    // regular file and refuse anything else without waiting on it.
    TFileStream(const std::string& path, uint16_t mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    void SetSize(int64_t newSize) override;

    // Forces the written bytes to the disk; throws on failure.
    void Flush();

    const std::string& FileName() const { return FFileName; }
    int Handle() const { return FHandle; }

private:
    [[noreturn]] void FailOpen(const std::string& path, const std::string& reason);

    std::string FFileName;
    int FHandle = -1;
};
