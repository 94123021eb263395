#pragma once
// Turns dropped paths into list entries: picture files are taken by their
// extension, folders scanned.

#include <string>
#include <vector>

class IFileList {                           // what the intake needs of the list and its window
public:
    virtual ~IFileList() = default;
    virtual bool IncludeSubfolders() = 0;    // the "Inc subs" tick, read at the moment of use
    virtual void Append(const std::string& path) = 0;  // throws Exception("Unable to insert a line") when full
    virtual int Count() = 0;
    virtual void SetCaption(const std::string& text) = 0;
    // A picture whose path is too long for the system to open. Listed like
    // any unreadable picture, so a run stops at it with the reason.
    virtual void AppendTooLong(const std::string& path) { Append(path); }
    // A folder that could not be read for the system's reason (an errno
    // value: permission, a path too long); the scan goes on without it.
    virtual void FolderUnreadable(const std::string& /*path*/, int /*error*/) {}
};

// The whole drop, in order; then the caption "%d Files" with the list's count.
void WMDropFiles(IFileList& list, const std::vector<std::string>& paths);
void AddPath(IFileList& list, const std::string& path);
void ScanFolder(IFileList& list, const std::string& path);
bool IsFolder(const std::string& path);
// The whole extension names a kind of picture, letter case ignored.
bool IsPictureName(const std::string& path);
