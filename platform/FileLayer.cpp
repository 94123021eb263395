#include "FileLayer.h"

#include <cerrno>
#include <cstdlib>
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

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolder(const std::string& folder)
{
    return (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) && IsFolder(folder);
}

// Every missing folder on the way, each private to the user.
bool MakeFolders(const std::string& path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        if (!MakeFolder(path.substr(0, at)))
            return false;
    return MakeFolder(path);
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

std::string ProgramStateFolder(bool make)
{
    std::string base;
    if (const char* state = ::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        base = state;
    else if (const char* home = ::getenv("HOME"); home && home[0] == '/')
        base = std::string(home) + "/.local/state";
    else
        return std::string();
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string folder = base + "/plinkavorte";
    if (make ? MakeFolders(folder) : IsFolder(folder))
        return folder + "/";
    return std::string();
}
