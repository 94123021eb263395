#include "Volume.h"

#include <fstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

TRemovableDriveQuery& RemovableQuery()
{
    static TRemovableDriveQuery query;
    return query;
}

TFreeSpaceQuery& FreeSpaceQuery()
{
    static TFreeSpaceQuery query;
    return query;
}

TFileSizeLimitQuery& FileSizeLimitQuery()
{
    static TFileSizeLimitQuery query;
    return query;
}

// The path itself when it exists, else the nearest folder above it that does.
std::string ExistingAncestor(std::string path)
{
    struct stat st {};
    while (::stat(path.c_str(), &st) != 0) {
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        const size_t slash = path.rfind('/');
        if (slash == std::string::npos)
            return ".";
        if (slash == 0)
            return "/";
        path.resize(slash);
    }
    return path;
}

bool ReadFlag(const std::string& file, bool& flag)
{
    std::ifstream in(file);
    int value = 0;
    if (!(in >> value))
        return false;
    flag = value != 0;
    return true;
}

} // namespace

bool SystemIsRemovableDrive(const std::string& path)
{
    struct stat st {};
    if (::stat(ExistingAncestor(path).c_str(), &st) != 0)
        return false;
    const std::string node = "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" +
                             std::to_string(minor(st.st_dev));
    bool flag = false;
    // A partition carries no flag of its own; its disk, one level up, does.
    if (ReadFlag(node + "/removable", flag) || ReadFlag(node + "/../removable", flag))
        return flag;
    return false;
}

int64_t SystemFreeSpace(const std::string& path)
{
    struct statvfs vfs {};
    if (::statvfs(ExistingAncestor(path).c_str(), &vfs) != 0)
        return -1;
    return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
}

int64_t SystemLargestFileSize(const std::string& path)
{
    const long bits = ::pathconf(ExistingAncestor(path).c_str(), _PC_FILESIZEBITS);
    if (bits <= 0 || bits >= 64)
        return -1;
    return (int64_t{1} << bits) - 1;
}

bool IsRemovableDrive(const std::string& path)
{
    return RemovableQuery() ? RemovableQuery()(path) : SystemIsRemovableDrive(path);
}

int64_t VolumeFreeSpace(const std::string& path)
{
    return FreeSpaceQuery() ? FreeSpaceQuery()(path) : SystemFreeSpace(path);
}

void SetRemovableDriveQuery(TRemovableDriveQuery query)
{
    RemovableQuery() = std::move(query);
}

void SetFreeSpaceQuery(TFreeSpaceQuery query)
{
    FreeSpaceQuery() = std::move(query);
}

int64_t LargestFileSize(const std::string& path)
{
    return FileSizeLimitQuery() ? FileSizeLimitQuery()(path) : SystemLargestFileSize(path);
}

void SetFileSizeLimitQuery(TFileSizeLimitQuery query)
{
    FileSizeLimitQuery() = std::move(query);
}
