#include "FileIdentity.h"

#include <sys/stat.h>

namespace {

TFileIdentity FromStat(const struct stat& st)
{
    TFileIdentity id;
    id.Device = st.st_dev;
    id.Inode = st.st_ino;
    id.Size = st.st_size;
    id.ModifiedSeconds = st.st_mtim.tv_sec;
    id.ModifiedNanoseconds = st.st_mtim.tv_nsec;
    return id;
}

} // namespace

bool GetFileIdentity(const std::string& path, TFileIdentity& identity)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    identity = FromStat(st);
    return true;
}

bool GetHandleIdentity(int handle, TFileIdentity& identity)
{
    struct stat st {};
    if (::fstat(handle, &st) != 0)
        return false;
    identity = FromStat(st);
    return true;
}
