#pragma once
// The few file operations that change what is on disk during a commit, as
// system calls: they return -1 with errno set on failure. Tests put a layer
// of their own in to cut a commit short or to forget what never reached the
// disk, as a power loss would.

#include <cstdint>
#include <string>
#include <sys/types.h>

class TFileLayer {
public:
    virtual ~TFileLayer() = default;
    virtual int Open(const std::string& path, int flags, mode_t mode);
    // A file without a name in `folder` (O_TMPFILE), made whole before Link
    // names it; fails where the file system has no such files.
    virtual int OpenUnnamed(const std::string& folder, mode_t mode);
    // Names a file of OpenUnnamed; fails with EEXIST when the name is taken.
    virtual int Link(int fd, const std::string& path);
    // Writes all of count or fails; a short write counts as a failure.
    virtual int WriteAt(int fd, const void* data, int64_t count, int64_t offset);
    virtual int Truncate(int fd, int64_t size);
    virtual int Sync(int fd);
    virtual int SyncFolder(const std::string& folder);
    virtual int Remove(const std::string& path);
    virtual int Close(int fd);
    // A new folder; the caller makes it durable by syncing it and its parent.
    virtual int MakeFolder(const std::string& path, mode_t mode);
    // Gives a file a new name that must not exist yet (EEXIST when it does).
    virtual int RenameNoReplace(const std::string& from, const std::string& to);
};

// The layer in use: the system's unless a test set another (nullptr puts it back).
TFileLayer& FileLayer();
void SetFileLayer(TFileLayer* layer);

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

// Reads up to count bytes at offset, retrying short reads; -1 on failure.
int64_t ReadAt(int fd, void* data, int64_t count, int64_t offset);

// An exclusive flock on an open file for one scope, waiting for it. A file
// system without locks leaves it unlocked rather than failing the write.
class TFileLock {
public:
    explicit TFileLock(int fd);
    ~TFileLock();
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    bool Held() const { return FHeld; }

private:
    int FFd;
    bool FHeld = false;
};
