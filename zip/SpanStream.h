#pragma once
// The archive file as the model opens it. For a single volume the operations
// pass through to one file stream, guarded by the mode it was opened with.

#include "FileStream.h"
#include "Stream.h"

#include <cstdint>
#include <memory>
#include <string>

enum TMediaType : uint8_t { mtRemoveable = 0, mtLocal = 1 };

class TSpanStream : public TStream {
public:
    TSpanStream(const std::string& fileName, uint16_t mode, TMediaType mediaType, int32_t threshold);

    // Reading: writes move nothing, seeks outside the file stay put.
    // Writing: seeks stay put.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    void SetSize(int64_t newSize) override;
    int64_t GetSize() override;

    bool IsWriting() const { return FIsWriting; }
    TMediaType MediaType() const { return FMediaType; }
    int32_t Threshold() const { return FThreshold; }
    int Handle() const { return FFile->Handle(); }
    const std::string& FileName() const { return FFile->FileName(); }

private:
    std::unique_ptr<TFileStream> FFile;
    TMediaType FMediaType;
    int32_t FThreshold;
    bool FIsWriting;
};
