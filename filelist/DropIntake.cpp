#include "DropIntake.h"

#include "FileSystem.h"
#include "NaturalOrder.h"
#include "PictureKinds.h"

#include <algorithm>
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
// enumeration's own order is the file system's hash order.
std::vector<std::string> SortedNames(const std::string& folder)
{
    std::vector<std::string> names;
    TFolderEnumeration enumeration(folder);
    std::string name;
    while (enumeration.Next(name))
        if (!name.empty() && name[0] != '.')
            names.push_back(name);
    SortNaturally(names);
    return names;
}

void ScanFolderOn(IFileList& list, const std::string& path, TScanPath& scanPath)
{
    TFileNode node;
    if (!GetFileNode(path, node))
        return;
    if (std::find(scanPath.begin(), scanPath.end(), node) != scanPath.end())
        return;

    const std::string folder = (!path.empty() && path.back() == '/') ? path : path + '/';
    const std::vector<std::string> names = SortedNames(folder);
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

void AddPathOn(IFileList& list, const std::string& path, TScanPath& scanPath)
{
    const uint32_t attributes = FileGetAttr(path);
    if (attributes == faInvalid && IsTooLongPicture(path)) {
        list.AppendTooLong(path);
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
