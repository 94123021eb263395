#include "DropIntake.h"

#include "FileSystem.h"
#include "NaturalOrder.h"
#include "PictureKinds.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

// The folders being scanned at this moment, outermost first. A folder met
// again on its own scan path is a link loop and is not entered.
using TScanPath = std::vector<TFileNode>;

void AddPathOn(IFileList& list, const std::string& path, TScanPath& scanPath);

// Unreadable paths count as folders that hold nothing; a picture the system
// cannot reach for its length must not vanish so.
bool IsTooLongPicture(const std::string& path)
{
    return IsPictureName(path) && IsPathTooLong(path);
}

// The folder's visible names in the order a file manager shows them; the
// enumeration's own order is the file system's hash order. 0, or why the
// folder could not be opened.
int SortedNames(const std::string& folder, std::vector<std::string>& names)
{
    TFolderEnumeration enumeration(folder);
    std::string name;
    while (enumeration.Next(name))
        if (!name.empty() && name[0] != '.')
            names.push_back(name);
    SortNaturally(names);
    return enumeration.Error();
}

// A path that names nothing (gone since it was listed, or a dangling link)
// is no folder anyone would miss; any other reason is said.
void FolderUnreadable(IFileList& list, const std::string& path, int error)
{
    if (error != ENOENT)
        list.FolderUnreadable(path, error);
}

void ScanFolderOn(IFileList& list, const std::string& path, TScanPath& scanPath)
{
    TFileNode node;
    if (!GetFileNode(path, node)) {
        FolderUnreadable(list, path, PathError(path));
        return;
    }
    if (std::find(scanPath.begin(), scanPath.end(), node) != scanPath.end())
        return;

    const std::string folder = (!path.empty() && path.back() == '/') ? path : path + '/';
    std::vector<std::string> names;
    if (const int error = SortedNames(folder, names)) {
        FolderUnreadable(list, path, error);
        return;
    }
    scanPath.push_back(node);
    try {
        for (const std::string& name : names)
            AddPathOn(list, folder + name, scanPath);
    } catch (...) {
        scanPath.pop_back();
        throw;
    }
    scanPath.pop_back();
}

// Past the system's limit only pictures and folders matter; other files
// would not have been taken anyway.
void AddTooLongPath(IFileList& list, const std::string& path, TScanPath& scanPath)
{
    const auto slash = path.find_last_of('/');
    if (IsPictureName(path))
        list.AppendTooLong(path);
    else if (slash != std::string::npos && IsFolderIn(path.substr(0, slash + 1), path.substr(slash + 1)) &&
             list.IncludeSubfolders())
        ScanFolderOn(list, path, scanPath);
}

void AddPathOn(IFileList& list, const std::string& path, TScanPath& scanPath)
{
    const uint32_t attributes = FileGetAttr(path);
    if (attributes == faInvalid && IsPathTooLong(path)) {
        AddTooLongPath(list, path, scanPath);
    } else if ((attributes & faDirectory) != 0) {
        if (list.IncludeSubfolders())
            ScanFolderOn(list, path, scanPath);
    } else if (IsPictureName(path)) {
        list.Append(path);
    }
}

} // namespace

void WMDropFiles(IFileList& list, const std::vector<std::string>& paths)
{
    for (const auto& path : paths) {
        if (IsFolder(path) && !IsTooLongPicture(path))
            ScanFolder(list, path);
        else
            AddPath(list, path);
    }
    char caption[32];
    std::snprintf(caption, sizeof caption, "%d Files", list.Count());
    list.SetCaption(caption);
}

void AddPath(IFileList& list, const std::string& path)
{
    TScanPath scanPath;
    AddPathOn(list, path, scanPath);
}

void ScanFolder(IFileList& list, const std::string& path)
{
    TScanPath scanPath;
    ScanFolderOn(list, path, scanPath);
}

bool IsFolder(const std::string& path)
{
    return (FileGetAttr(path) & faDirectory) != 0;
}

bool IsPictureName(const std::string& path)
{
    return PictureKindOfName(path) != TPictureKind::pkUnknown;
}
