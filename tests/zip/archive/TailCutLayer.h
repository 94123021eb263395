#pragma once
// A file layer that cuts the first write into one file short and fails every
// operation from then on, as a kill in the middle of a commit's tail would.

#include "FileLayer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

class TTailCut : public TFileLayer {
public:
    static constexpr int64_t KeepHalf = -1;

    // keep: how many bytes of that write reach the file, or half of them.
    explicit TTailCut(const std::string& archive, int64_t keep = KeepHalf) : FArchive(archive), FKeep(keep) {}
    int Open(const std::string& path, int flags, mode_t mode) override
    {
        if (FDead)
            return Fail();
        const int fd = TFileLayer::Open(path, flags, mode);
        if (path == FArchive)
            FTarget = fd;
        return fd;
    }
    int WriteAt(int fd, const void* data, int64_t count, int64_t offset) override
    {
        if (!FDead && fd == FTarget) {
            FDead = true;
            FTailSize = count;
            TFileLayer::WriteAt(fd, data, FKeep == KeepHalf ? count / 2 : std::min(FKeep, count), offset);
        }
        return FDead ? Fail() : TFileLayer::WriteAt(fd, data, count, offset);
    }
    int Truncate(int fd, int64_t size) override { return FDead ? Fail() : TFileLayer::Truncate(fd, size); }
    int Sync(int fd) override { return FDead ? Fail() : TFileLayer::Sync(fd); }
    int SyncFolder(const std::string& folder) override { return FDead ? Fail() : TFileLayer::SyncFolder(folder); }
    int Remove(const std::string& path) override { return FDead ? Fail() : TFileLayer::Remove(path); }
    int64_t TailSize() const { return FTailSize; }

private:
    static int Fail()
    {
        errno = EIO;
        return -1;
    }
    std::string FArchive;
    int64_t FKeep;
    int FTarget = -1;
    bool FDead = false;
    int64_t FTailSize = 0;
};
