#include "JournalFolders.h"

#include "Errors.h"
#include "FileLayer.h"
#include "FileSystem.h"
#include "FullPath.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string& SpareRoot()
{
    static std::string root;
    return root;
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// Makes `folder` and every missing folder above it, each private to the
// user; each new one is synced, and so is the folder it was made in.
bool MakeFoldersDurably(const std::string& folder, std::string& problem)
{
    size_t at = 0;
    do {
        at = folder.find('/', at + 1);
        const std::string step = folder.substr(0, at);
        if (DirectoryExists(step))
            continue;
        if (FileLayer().MakeFolder(step, 0700) != 0 && errno != EEXIST) {
            problem = "cannot make " + step + ": " + SystemErrorText(errno);
            return false;
        }
        if (!DirectoryExists(step)) {
            problem = step + " is not a folder";
            return false;
        }
        if (FileLayer().SyncFolder(step) != 0 || FileLayer().SyncFolder(FolderOfPath(step)) != 0) {
            problem = "cannot sync " + step + ": " + SystemErrorText(errno);
            return false;
        }
    } while (at != std::string::npos);
    return true;
}

TJournalFolder Usable(const std::string& folder)
{
    return TJournalFolder{folder + "/", std::string()};
}

TJournalFolder Unusable(const std::string& problem)
{
    return TJournalFolder{std::string(), problem};
}

// A folder planted by someone else could be read, or swapped under us.
std::string NotOwnFolderProblem(const std::string& folder)
{
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        return errno == ENOENT ? folder + " does not exist" : folder + ": " + SystemErrorText(errno);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0)
        return folder + " is not the user's own folder";
    return std::string();
}

} // namespace

TJournalFolder ProgramStateFolder(bool make)
{
    std::string base;
    if (const char* state = ::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        base = state;
    else if (const char* home = ::getenv("HOME"); home && home[0] == '/')
        base = std::string(home) + "/.local/state";
    else
        return Unusable("HOME is not set");
    const std::string folder = WithoutTrailingSlashes(base) + "/plinkavorte";
    std::string problem;
    if (make ? MakeFoldersDurably(folder, problem) : DirectoryExists(folder))
        return Usable(folder);
    return Unusable(problem.empty() ? folder + " does not exist" : problem);
}

TJournalFolder SpareJournalFolder(bool make)
{
    const std::string root = SpareRoot().empty() ? "/var/tmp" : WithoutTrailingSlashes(SpareRoot());
    const std::string folder = root + "/plinkavorte-" + std::to_string(::geteuid());
    struct stat st {};
    if (make && ::lstat(folder.c_str(), &st) != 0 && errno == ENOENT) {
        if (FileLayer().MakeFolder(folder, 0700) == 0) {
            if (FileLayer().SyncFolder(folder) != 0 || FileLayer().SyncFolder(root + "/") != 0)
                return Unusable("cannot sync " + folder + ": " + SystemErrorText(errno));
        } else if (errno != EEXIST) {
            return Unusable("cannot make " + folder + ": " + SystemErrorText(errno));
        }
    }
    const std::string problem = NotOwnFolderProblem(folder);
    return problem.empty() ? Usable(folder) : Unusable(problem);
}

void SetSpareJournalRoot(const std::string& root)
{
    SpareRoot() = root;
}
