#pragma once
// The volume a path lives on: removable or not, and how much room is left.
// Both queries can be replaced, so tests can pretend a removable drive or a
// full disk.

#include <cstdint>
#include <functional>
#include <string>

using TRemovableDriveQuery = std::function<bool(const std::string& path)>;
// Free bytes for an unprivileged writer, or -1 when the volume gives no answer.
using TFreeSpaceQuery = std::function<int64_t(const std::string& path)>;
// The largest file the file system holds, or -1 when it sets no limit of its own.
using TFileSizeLimitQuery = std::function<int64_t(const std::string& path)>;

// The path need not exist; its nearest existing folder is asked.
bool IsRemovableDrive(const std::string& path);
int64_t VolumeFreeSpace(const std::string& path);
int64_t LargestFileSize(const std::string& path);

// An empty function puts the system query back.
void SetRemovableDriveQuery(TRemovableDriveQuery query);
void SetFreeSpaceQuery(TFreeSpaceQuery query);
void SetFileSizeLimitQuery(TFileSizeLimitQuery query);

// The system queries themselves: the block device's sysfs "removable" flag
// (unknown counts as fixed), statvfs, and the bits of a file size the file
// system takes (32 on FAT).
bool SystemIsRemovableDrive(const std::string& path);
int64_t SystemFreeSpace(const std::string& path);
int64_t SystemLargestFileSize(const std::string& path);
