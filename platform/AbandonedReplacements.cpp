#include "AbandonedReplacements.h"

#include "FileSystem.h"
#include "FullPath.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

constexpr const char* Marker = ".plinkavorte-";
constexpr size_t RandomLength = 6;

std::string NamePrefix(const std::string& target)
{
    std::string prefix = ".";
    prefix.append(ExtractFileName(target)).append(Marker);
    return prefix;
}

struct TFd {
    explicit TFd(int fd) : Fd(fd) {}
    ~TFd()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Fd;
};

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The checks run on the open file and again on the name just before it goes,
// so a file that changed hands in between is left alone.
bool RemoveIfAbandoned(const std::string& path, int minimumAgeSeconds)
{
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_uid != ::geteuid())
        return false;
    if (std::time(nullptr) - named.st_mtime < minimumAgeSeconds)
        return false;
    TFd file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (file.Fd < 0 || ::flock(file.Fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    struct stat opened {};
    struct stat again {};
    if (::fstat(file.Fd, &opened) != 0 || ::lstat(path.c_str(), &again) != 0)
        return false;
    if (!SameFile(opened, named) || !SameFile(opened, again))
        return false;
    return ::unlink(path.c_str()) == 0;
}

bool IsRandomTail(const std::string& name, size_t from)
{
    for (size_t i = from; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// A replacement made for any archive of the folder.
bool IsAnyReplacementName(const std::string& name)
{
    const size_t marker = std::strlen(Marker);
    if (name.size() < 2 + marker + RandomLength || name[0] != '.')
        return false;
    const size_t at = name.size() - RandomLength - marker;
    return name.compare(at, marker, Marker) == 0 && IsRandomTail(name, at + marker);
}

std::vector<std::string> ReplacementsBeside(const std::string& target)
{
    std::vector<std::string> found;
    const std::string folder = FolderOfPath(target);
    TFolderEnumeration names(folder);
    for (std::string name; names.Next(name);)
        if (IsAnyReplacementName(name))
            found.push_back(folder + name);
    return found;
}

} // namespace

std::string ReplacementPattern(const std::string& target)
{
    return FolderOfPath(target) + NamePrefix(target) + std::string(RandomLength, 'X');
}

bool IsReplacementName(const std::string& target, const std::string& name)
{
    const std::string prefix = NamePrefix(target);
    return name.size() == prefix.size() + RandomLength && name.compare(0, prefix.size(), prefix) == 0 &&
           IsRandomTail(name, prefix.size());
}

bool LockReplacement(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

int RemoveAbandonedReplacements(const std::string& target, int minimumAgeSeconds)
{
    int removed = 0;
    for (const std::string& path : ReplacementsBeside(target))
        if (RemoveIfAbandoned(path, minimumAgeSeconds))
            ++removed;
    return removed;
}
