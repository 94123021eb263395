#pragma once
// The file list of plinkavorte-batch: what the drop intake appends, in order.

#include "DropIntake.h"

#include <functional>
#include <string>
#include <vector>

class TShellList : public IFileList {
public:
    explicit TShellList(bool includeSubfolders) : FIncludeSubfolders(includeSubfolders) {}

    bool IncludeSubfolders() override { return FIncludeSubfolders; }
    void Append(const std::string& path) override { FEntries.push_back(path); }
    int Count() override { return Size(); }
    int Size() const { return static_cast<int>(FEntries.size()); }
    void SetCaption(const std::string&) override {}  // no window to title
    // Not listed: the shell is told instead, and the run goes on without it.
    void AppendTooLong(const std::string& path) override
    {
        if (OnTooLong)
            OnTooLong(path);
    }
    std::function<void(const std::string& path)> OnTooLong;
    // Not scanned: the shell is told why, and the scan goes on.
    void FolderUnreadable(const std::string& path, int error) override
    {
        if (OnFolderUnreadable)
            OnFolderUnreadable(path, error);
    }
    std::function<void(const std::string& path, int error)> OnFolderUnreadable;

    // Throws "List index out of bounds (%d)" as the window's list does.
    const std::string& Entry(int index) const;

private:
    bool FIncludeSubfolders;
    std::vector<std::string> FEntries;
};
