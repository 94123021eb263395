#include "RunSummary.h"

#include "ArchiveErrors.h"
#include "NameText.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

bool EndsWithArchiveExtension(const std::string& name)
{
    std::string tail = name.size() >= 4 ? name.substr(name.size() - 4) : name;
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".zip" || tail == ".jar";
}

bool IsFolder(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool HasSubfolder(const std::string& folder)
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        // The scan passes over hidden names, sub-folders included.
        if (!name.empty() && name.front() != '.' && it->is_directory(error))
            return true;
    }
    return false;
}

} // namespace

std::string CountsText(const TRunCounts& counts, bool keepGoing)
{
    std::string text = CountText(counts.Done, "picture", "pictures") + " done";
    if (counts.Skipped > 0 || keepGoing)
        text += ", " + std::to_string(counts.Skipped) + " skipped: already in the archive";
    if (counts.Failed > 0 || keepGoing)
        text += ", " + std::to_string(counts.Failed) + " failed";
    return text;
}

std::string NoPicturesText(const std::vector<std::string>& paths)
{
    std::string text = "no pictures found in ";
    for (size_t k = 0; k < paths.size(); ++k)
        text += (k > 0 ? ", " : "") + EscapedName(paths[k]);
    return text;
}

std::vector<std::string> FoldersWithSubfolders(const std::vector<std::string>& paths)
{
    std::vector<std::string> folders;
    for (const auto& path : paths)
        if (IsFolder(path) && HasSubfolder(path))
            folders.push_back(path);
    return folders;
}

std::vector<std::string> ArchiveNameHints(const std::string& message, const std::string& archive,
                                          const std::vector<std::string>& paths)
{
    std::vector<std::string> hints;
    if (message == ArchiveMessage(ErrUnhandledType) && !EndsWithArchiveExtension(archive))
        hints.push_back("the archive's name must end in .zip");
    const bool archiveLater = std::any_of(paths.begin(), paths.end(), [](const std::string& path) {
        return EndsWithArchiveExtension(path) && !IsFolder(path);
    });
    if (IsFolder(archive) && archiveLater)
        hints.push_back("the arguments may be swapped: the ARCHIVE comes first, then the PATHs");
    return hints;
}
