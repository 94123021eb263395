#include "FileLayer.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TFileLayer*& CurrentLayer()
{
    static TFileLayer* layer = nullptr;
    return layer;
}

} // namespace

int TFileLayer::Open(const std::string& path, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

int TFileLayer::OpenUnnamed(const std::string& folder, mode_t mode)
{
    int fd;
    do
        fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

int TFileLayer::Link(int fd, const std::string& path)
{
    // Naming a descriptor through /proc needs no privilege, unlike AT_EMPTY_PATH.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    const int err = errno;
    if (err != ENOENT || ::access("/proc/self/fd", F_OK) == 0) {
        errno = err;
        return -1;
    }
    return ::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
}

int TFileLayer::WriteAt(int fd, const void* data, int64_t count, int64_t offset)
{
    const auto* p = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t n = ::pwrite(fd, p, static_cast<size_t>(count), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return -1;
        }
        p += n;
        count -= n;
        offset += n;
    }
    return 0;
}

int TFileLayer::Truncate(int fd, int64_t size)
{
    return ::ftruncate(fd, size);
}

int TFileLayer::Sync(int fd)
{
    return ::fsync(fd);
}

int TFileLayer::SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    // Some file systems cannot sync a folder; the file's own sync still holds.
    const int rc = ::fsync(fd) == 0 || errno == EINVAL ? 0 : -1;
    ::close(fd);
    return rc;
}

int TFileLayer::Remove(const std::string& path)
{
    return ::unlink(path.c_str());
}

int TFileLayer::Close(int fd)
{
    return ::close(fd);
}

int TFileLayer::MakeFolder(const std::string& path, mode_t mode)
{
    return ::mkdir(path.c_str(), mode);
}

int TFileLayer::RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return -1;
    // A second name, then the first goes: the target is never replaced.
    if (::link(from.c_str(), to.c_str()) == 0)
        return ::unlink(from.c_str()) == 0 || errno == ENOENT ? 0 : -1;
    if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS)
        return -1;
    // Neither exists here (vfat, some FUSE file systems): a rename checked first.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    if (errno != ENOENT)
        return -1;
    return ::rename(from.c_str(), to.c_str());
}

TFileLayer& FileLayer()
{
    static TFileLayer system;
    return CurrentLayer() ? *CurrentLayer() : system;
}

void SetFileLayer(TFileLayer* layer)
{
    CurrentLayer() = layer;
}

int64_t ReadAt(int fd, void* data, int64_t count, int64_t offset)
{
    int64_t done = 0;
    auto* p = static_cast<char*>(data);
    while (done < count) {
        const ssize_t n = ::pread(fd, p + done, static_cast<size_t>(count - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

TFileLock::TFileLock(int fd) : FFd(fd)
{
    int rc;
    do
        rc = ::flock(fd, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    FHeld = rc == 0;
}

TFileLock::~TFileLock()
{
    if (FHeld)
        ::flock(FFd, LOCK_UN);
}
