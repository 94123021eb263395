#pragma once
// Which file a path or an open handle denotes, and in which version: a
// writer compares these to notice that someone else replaced or changed it.

#include <cstdint>
#include <string>
#include <sys/types.h>

struct TFileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    int64_t Size = 0;
    int64_t ModifiedSeconds = 0;
    int64_t ModifiedNanoseconds = 0;
    bool operator==(const TFileIdentity&) const = default;
};

// False when the path cannot be read (missing file, no permission).
bool GetFileIdentity(const std::string& path, TFileIdentity& identity);
bool GetHandleIdentity(int handle, TFileIdentity& identity);
