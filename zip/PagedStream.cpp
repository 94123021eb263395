#include "PagedStream.h"

#include "ArchiveErrors.h"
#include "FileSystem.h"
#include "TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int32_t MaxPageCount = 256;
// From this many bytes on (plus a page less one) the page count is capped.
constexpr int64_t PageCapThreshold = 0x101000;
constexpr int BinarySearchAbove = 3;

int32_t PageStart(int32_t offset) { return offset - offset % VMSPageSize; }

int32_t ClampToInt32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

} // namespace

TVirtualMemoryStream::TVirtualMemoryStream()
{
    auto first = std::make_unique<TPage>();
    std::memset(first->Data, 0, sizeof first->Data);
    Touch(*first);
    FCurrentPage = first.get();
    FPages.push_back(std::move(first));
    FMaxPages = MaxPageCount;
    SetMaxMemory(VMSDefaultMaxMemory);
}

TVirtualMemoryStream::~TVirtualMemoryStream()
{
    if (FSwapHandle >= 0)
        close(FSwapHandle);
    if (!FSwapFileName.empty())
        unlink(FSwapFileName.c_str());
}

void TVirtualMemoryStream::SetMaxMemory(int32_t bytes)
{
    const int64_t padded = static_cast<int64_t>(bytes) + VMSPageSize - 1;
    int32_t pages = padded >= PageCapThreshold ? MaxPageCount : static_cast<int32_t>(padded / VMSPageSize);
    // A stream without a single page could hold nothing.
    pages = std::max(pages, 1);
    while (static_cast<int32_t>(FPages.size()) > pages)
        EvictPage(LeastRecentlyUsed());
    FMaxPages = pages;
}

void TVirtualMemoryStream::Touch(TPage& page)
{
    if (FUseCounter == INT32_MAX) {
        for (auto& p : FPages)
            p->Stamp = 0;
        FUseCounter = 0;
    }
    page.Stamp = ++FUseCounter;
}

int TVirtualMemoryStream::FindPage(int32_t offset) const
{
    if (FPages.size() > static_cast<size_t>(BinarySearchAbove)) {
        auto it = std::lower_bound(FPages.begin(), FPages.end(), offset,
                                   [](const std::unique_ptr<TPage>& p, int32_t o) { return p->Offset < o; });
        return (it != FPages.end() && (*it)->Offset == offset) ? static_cast<int>(it - FPages.begin()) : -1;
    }
    for (size_t i = 0; i < FPages.size(); ++i)
        if (FPages[i]->Offset == offset)
            return static_cast<int>(i);
    return -1;
}

size_t TVirtualMemoryStream::LeastRecentlyUsed() const
{
    size_t oldest = 0;
    for (size_t i = 1; i < FPages.size(); ++i)
        if (FPages[i]->Stamp < FPages[oldest]->Stamp)
            oldest = i;
    return oldest;
}

void TVirtualMemoryStream::EvictPage(size_t index)
{
    // Written out before it leaves the list, so a failed write loses nothing.
    TPage& page = *FPages[index];
    if (page.Dirty)
        WritePageToSwap(page);
    if (FCurrentPage == &page)
        FCurrentPage = nullptr;
    FPages.erase(FPages.begin() + static_cast<std::ptrdiff_t>(index));
}

TVirtualMemoryStream::TPage& TVirtualMemoryStream::PageFor(int32_t offset)
{
    if (FCurrentPage != nullptr && FCurrentPage->Offset == offset)
        return *FCurrentPage;
    const int found = FindPage(offset);
    if (found >= 0) {
        TPage& page = *FPages[static_cast<size_t>(found)];
        Touch(page);
        FCurrentPage = &page;
        return page;
    }
    std::unique_ptr<TPage> page;
    if (static_cast<int32_t>(FPages.size()) < FMaxPages) {
        page = std::make_unique<TPage>();
    } else {
        const size_t oldest = LeastRecentlyUsed();
        if (FPages[oldest]->Dirty)
            WritePageToSwap(*FPages[oldest]);
        if (FCurrentPage == FPages[oldest].get())
            FCurrentPage = nullptr;
        page = std::move(FPages[oldest]);
        FPages.erase(FPages.begin() + static_cast<std::ptrdiff_t>(oldest));
    }
    page->Offset = offset;
    page->Dirty = false;
    Touch(*page);
    if (offset < FSwapFileSize)
        ReadPageFromSwap(*page);
    else
        std::memset(page->Data, 0, sizeof page->Data);
    auto at = std::lower_bound(FPages.begin(), FPages.end(), offset,
                               [](const std::unique_ptr<TPage>& p, int32_t o) { return p->Offset < o; });
    TPage& placed = **FPages.insert(at, std::move(page));
    FCurrentPage = &placed;
    return placed;
}

void TVirtualMemoryStream::OpenSwapFile()
{
    const std::string dir = DirectoryExists(FSwapFileDirectory) ? FSwapFileDirectory : SystemTempDirectory();
    std::string name;
    const int fd = CreateUniqueTempFile(dir, "VMS", name);
    if (fd < 0)
        throw EVMSErrorOpenSwap(dir + (dir.empty() || dir.back() != '/' ? "/" : "") + "VMSXXXXXX", errno);
    FSwapHandle = fd;
    FSwapFileName = name;
}

void TVirtualMemoryStream::SeekSwap(int32_t offset)
{
    if (lseek(FSwapHandle, offset, SEEK_SET) != offset)
        throw EVMSSeekFail(FSwapFileName);
}

void TVirtualMemoryStream::WritePageToSwap(const TPage& page)
{
    if (FSwapHandle < 0)
        OpenSwapFile();
    SeekSwap(page.Offset);
    size_t done = 0;
    while (done < sizeof page.Data) {
        const ssize_t n = write(FSwapHandle, page.Data + done, sizeof page.Data - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EVMSWriteFail(VMSPageSize, FSwapFileName);
        done += static_cast<size_t>(n);
    }
    FSwapFileSize = std::max(FSwapFileSize, page.Offset + VMSPageSize);
}

void TVirtualMemoryStream::ReadPageFromSwap(TPage& page)
{
    SeekSwap(page.Offset);
    size_t done = 0;
    while (done < sizeof page.Data) {
        const ssize_t n = read(FSwapHandle, page.Data + done, sizeof page.Data - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EVMSReadFail(VMSPageSize, FSwapFileName);
        done += static_cast<size_t>(n);
    }
}

int64_t TVirtualMemoryStream::Read(void* buffer, int64_t count)
{
    if (FPosition < 0)
        return 0;
    const int64_t wanted = std::max<int64_t>(0, std::min<int64_t>(count, FSize - FPosition));
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < wanted) {
        const int32_t inPage = FPosition % VMSPageSize;
        const int64_t n = std::min<int64_t>(wanted - done, VMSPageSize - inPage);
        const TPage& page = PageFor(PageStart(FPosition));
        std::memcpy(out + done, page.Data + inPage, static_cast<size_t>(n));
        done += n;
        FPosition += static_cast<int32_t>(n);
    }
    return done;
}

int64_t TVirtualMemoryStream::Write(const void* buffer, int64_t count)
{
    if (FPosition < 0 || count <= 0)
        return 0;
    // Sizes stay within 32-bit signed range; the rest is a short write.
    const int64_t wanted = std::min<int64_t>(count, INT32_MAX - static_cast<int64_t>(FPosition));
    const auto* in = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < wanted) {
        const int32_t inPage = FPosition % VMSPageSize;
        const int64_t n = std::min<int64_t>(wanted - done, VMSPageSize - inPage);
        TPage& page = PageFor(PageStart(FPosition));
        std::memcpy(page.Data + inPage, in + done, static_cast<size_t>(n));
        page.Dirty = true;
        done += n;
        FPosition += static_cast<int32_t>(n);
        FSize = std::max(FSize, FPosition);
    }
    return done;
}

int64_t TVirtualMemoryStream::Seek(int64_t offset, int origin)
{
    switch (origin) {
    case soFromBeginning:
        FPosition = ClampToInt32(offset);
        break;
    case soFromCurrent:
        FPosition = ClampToInt32(FPosition + offset);
        break;
    case soFromEnd:
        FPosition = ClampToInt32(FSize + offset);
        break;
    default:
        throw EVMSInvalidOrigin(origin);
    }
    return FPosition;
}

void TVirtualMemoryStream::SetSize(int64_t requested)
{
    const int32_t newSize = std::max(0, ClampToInt32(requested));
    if (newSize < FSize) {
        // The bytes after the new end in its page must read as zeros if the
        // stream grows again.
        if (newSize % VMSPageSize != 0) {
            TPage& last = PageFor(PageStart(newSize));
            const int32_t keep = newSize % VMSPageSize;
            std::memset(last.Data + keep, 0, static_cast<size_t>(VMSPageSize - keep));
            last.Dirty = true;
        }
        for (size_t i = FPages.size(); i-- > 0;) {
            if (FPages[i]->Offset >= newSize) {
                if (FCurrentPage == FPages[i].get())
                    FCurrentPage = nullptr;
                FPages.erase(FPages.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        const int64_t swapEnd = (static_cast<int64_t>(newSize) + VMSPageSize - 1) / VMSPageSize * VMSPageSize;
        if (swapEnd < FSwapFileSize) {
            FSwapFileSize = static_cast<int32_t>(swapEnd);
            // Cut the file too, so pages past the end never read back old bytes.
            if (FSwapHandle >= 0 && ftruncate(FSwapHandle, FSwapFileSize) != 0)
                throw EVMSSeekFail(FSwapFileName);
        }
    }
    FSize = newSize;
    if (FPosition > newSize)
        FPosition = newSize;
}
