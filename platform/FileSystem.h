#pragma once
// File attributes, folder enumeration, existence and deletion.

#include <cstdint>
#include <string>
#include <sys/types.h>

constexpr uint32_t faDirectory = 16;
// What an unreadable path yields: every bit set, the folder bit included.
constexpr uint32_t faInvalid = 0xFFFFFFFFu;

// Attributes of the path, links followed; faInvalid when it cannot be read.
uint32_t FileGetAttr(const std::string& path);

// True when the system refuses the path for its length (ENAMETOOLONG).
bool IsPathTooLong(const std::string& path);
// Why the path cannot be read (an errno value), links followed; 0 when it can.
int PathError(const std::string& path);
// True when name in folder is a folder, links followed; it is looked up
// from the folder, so a full path too long for the system is no hindrance.
bool IsFolderIn(const std::string& folder, const std::string& name);

// True for an existing path that is not a folder, links followed.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// False when the file could not be removed.
bool DeleteFile(const std::string& path);

// Device and inode of an existing path, links followed.
struct TFileNode {
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const TFileNode&) const = default;
};
bool GetFileNode(const std::string& path, TFileNode& node);

// Modification time of an existing path in seconds since 1970 (UTC), links followed.
bool GetFileModified(const std::string& path, int64_t& seconds);

// One open enumeration of a folder, every kind of entry, in the order the
// file system delivers them ("." and ".." included). Closed by the destructor.
class TFolderEnumeration {
public:
    explicit TFolderEnumeration(const std::string& folder);
    ~TFolderEnumeration();
    TFolderEnumeration(const TFolderEnumeration&) = delete;
    TFolderEnumeration& operator=(const TFolderEnumeration&) = delete;

    bool IsOpen() const { return FDir != nullptr; }
    // Why the folder could not be opened (an errno value); 0 when it was.
    int Error() const { return FError; }
    // The next bare name; false at the end or when the folder could not be opened.
    bool Next(std::string& name);

private:
    void* FDir = nullptr;
    int FError = 0;
};
