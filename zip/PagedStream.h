#pragma once
// A growable, seekable stream that keeps a bounded number of 4096-byte pages
// in memory and moves the least recently used ones to a swap file.
// Positions and size follow 32-bit signed limits.

#include "Stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

inline constexpr int32_t VMSPageSize = 4096;
inline constexpr int32_t VMSDefaultMaxMemory = 102400;

class TVirtualMemoryStream : public TStream {
public:
    TVirtualMemoryStream();
    ~TVirtualMemoryStream() override;
    TVirtualMemoryStream(const TVirtualMemoryStream&) = delete;
    TVirtualMemoryStream& operator=(const TVirtualMemoryStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    // Origin 0, 1 or 2; any other fails with EVMSInvalidOrigin.
    int64_t Seek(int64_t offset, int origin) override;
    void SetSize(int64_t newSize) override;
    int64_t GetSize() override { return FSize; }

    // Where the swap file goes; the system temporary directory when this is
    // not an existing directory at the moment the file is made.
    void SetSwapFileDirectory(const std::string& dir) { FSwapFileDirectory = dir; }
    const std::string& SwapFileDirectory() const { return FSwapFileDirectory; }

    // Rounds up to whole pages (256 pages at most); evicts the surplus.
    void SetMaxMemory(int32_t bytes);
    int32_t MaxMemory() const { return FMaxPages * VMSPageSize; }

    // Empty until the first dirty page has left memory.
    const std::string& SwapFileName() const { return FSwapFileName; }
    int32_t PagesInMemory() const { return static_cast<int32_t>(FPages.size()); }

private:
    struct TPage {
        int32_t Offset = 0;
        int32_t Stamp = 0;
        bool Dirty = false;
        uint8_t Data[VMSPageSize];
    };

    TPage& PageFor(int32_t offset);
    int FindPage(int32_t offset) const;
    void Touch(TPage& page);
    TPage* TakeFreePage();
    size_t LeastRecentlyUsed() const;
    void EvictPage(size_t index);
    void WritePageToSwap(const TPage& page);
    void ReadPageFromSwap(TPage& page);
    void OpenSwapFile();
    void SeekSwap(int32_t offset);

    std::vector<std::unique_ptr<TPage>> FPages;   // sorted by offset
    TPage* FCurrentPage = nullptr;
    int32_t FUseCounter = 0;
    int32_t FMaxPages = 0;
    int32_t FPosition = 0;
    int32_t FSize = 0;
    std::string FSwapFileDirectory;
    std::string FSwapFileName;
    int FSwapHandle = -1;
    int32_t FSwapFileSize = 0;
};
