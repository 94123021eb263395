#include "FileSystem.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Read-only and hidden have no exact match; the folder bit and "archive"
// (any other kind of entry) are what callers test.
constexpr uint32_t faReadOnly = 1;
constexpr uint32_t faHidden = 2;
constexpr uint32_t faArchive = 32;

bool StatOf(const std::string& path, struct stat& st)
{
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool IsDotName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const auto start = slash == std::string::npos ? 0 : slash + 1;
    return start < path.size() && path[start] == '.';
}

} // namespace

uint32_t FileGetAttr(const std::string& path)
{
    struct stat st {};
    if (!StatOf(path, st))
        return faInvalid;
    uint32_t attr = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
    if (::access(path.c_str(), W_OK) != 0)
        attr |= faReadOnly;
    if (IsDotName(path))
        attr |= faHidden;
    return attr;
}

bool IsPathTooLong(const std::string& path)
{
    return PathError(path) == ENAMETOOLONG;
}

int PathError(const std::string& path)
{
    if (path.empty())
        return ENOENT;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? 0 : errno;
}

bool IsFolderIn(const std::string& folder, const std::string& name)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool folderThere = ::fstatat(fd, name.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
    ::close(fd);
    return folderThere;
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return StatOf(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st {};
    return StatOf(path, st) && S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& path)
{
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool GetFileNode(const std::string& path, TFileNode& node)
{
    struct stat st {};
    if (!StatOf(path, st))
        return false;
    node.Device = st.st_dev;
    node.Inode = st.st_ino;
    return true;
}

bool GetFileModified(const std::string& path, int64_t& seconds)
{
    struct stat st {};
    if (!StatOf(path, st))
        return false;
    seconds = static_cast<int64_t>(st.st_mtime);
    return true;
}

TFolderEnumeration::TFolderEnumeration(const std::string& folder)
    : FDir(folder.empty() ? nullptr : ::opendir(folder.c_str())), FError(FDir ? 0 : folder.empty() ? ENOENT : errno)
{
}

TFolderEnumeration::~TFolderEnumeration()
{
    if (FDir)
        ::closedir(static_cast<DIR*>(FDir));
}

bool TFolderEnumeration::Next(std::string& name)
{
    if (!FDir)
        return false;
    const dirent* entry = ::readdir(static_cast<DIR*>(FDir));
    if (!entry)
        return false;
    name = entry->d_name;
    return true;
}
