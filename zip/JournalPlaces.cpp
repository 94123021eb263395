#include "JournalPlaces.h"

#include "ArchiveErrors.h"
#include "FileLayer.h"
#include "FileSystem.h"
#include "FullPath.h"
#include "JournalFolders.h"
#include "JournalFormat.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace {

constexpr const char* Suffix = ".plinkavorte-journal";
constexpr const char* FolderSuffix = ".journal";
constexpr int CreateFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;

uint64_t NameHash(const std::string& text)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string Hex(uint64_t v, int digits)
{
    static const char* d = "0123456789abcdef";
    std::string out(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, v >>= 4)
        out[static_cast<size_t>(i)] = d[v & 15];
    return out;
}

std::string NodeName(dev_t device, ino_t inode)
{
    return Hex(static_cast<uint64_t>(device), 8) + "-" + Hex(static_cast<uint64_t>(inode), 16) + FolderSuffix;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Journals in `folder` naming `target` by path: its device and inode changed.
void AddJournalsNamingPath(const std::string& folder, const std::string& target, std::vector<std::string>& found)
{
    TFolderEnumeration names(folder);
    for (std::string name; names.Next(name);) {
        if (!EndsWith(name, FolderSuffix))
            continue;
        const int fd = ::open((folder + name).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        std::string path;
        if (PeekJournalPath(fd, path) && path == target)
            found.push_back(folder + name);
        ::close(fd);
    }
}

void AddJournalsIn(const TJournalFolder& folder, const std::string& target, const struct stat& node,
                   std::vector<std::string>& found)
{
    if (folder.Path.empty())
        return;
    const std::string byNode = folder.Path + NodeName(node.st_dev, node.st_ino);
    if (Exists(byNode))
        found.push_back(byNode);
    else
        AddJournalsNamingPath(folder.Path, target, found);
}

bool IsFolderRefusal(int err)
{
    return err == EACCES || err == EPERM || err == EROFS;
}

// A plain file with no other name, so that writing it changes nothing else.
bool IsLoneFile(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
}

// A new journal at `path`. One already there was settled by the recovery
// that ran under the same lock, so it goes, or is written over where it
// cannot go.
int TakeJournalSlot(const std::string& path)
{
    int fd = FileLayer().Open(path, CreateFlags, 0600);
    if (fd >= 0 || errno != EEXIST)
        return fd;
    if (FileLayer().Remove(path) == 0)
        return FileLayer().Open(path, CreateFlags, 0600);
    const int removeError = errno;
    fd = FileLayer().Open(path, O_RDWR | O_NOFOLLOW, 0);
    if (fd < 0)
        return -1;
    if (!IsLoneFile(fd) || FileLayer().Truncate(fd, 0) != 0) {
        FileLayer().Close(fd);
        errno = removeError;
        return -1;
    }
    return fd;
}

// Whoever may write the archive may read and write its journal. The group
// is taken where this user may, the owner too when running as root; where
// that is refused the journal keeps what it has, which only narrows it.
void MatchArchivePermissions(int fd, const struct stat& node)
{
    struct stat journal {};
    if (::fstat(fd, &journal) != 0)
        return;
    const uid_t owner = ::geteuid() == 0 ? node.st_uid : journal.st_uid;
    if (journal.st_uid != owner || journal.st_gid != node.st_gid) {
        [[maybe_unused]] const int owned = ::fchown(fd, owner, node.st_gid);
    }
    if ((journal.st_mode & 07777) != (node.st_mode & 0666)) {
        [[maybe_unused]] const int moded = ::fchmod(fd, node.st_mode & 0666);
    }
}

} // namespace

std::string JournalBeside(const std::string& target)
{
    const std::string folder = FolderOfPath(target);
    const std::string name = ExtractFileName(target);
    std::string journal = folder;
    journal.append(".").append(name).append(Suffix);
    if (journal.size() - folder.size() > NAME_MAX) {
        // Cut at a character boundary and let a hash of the whole name tell them apart.
        size_t keep = NAME_MAX - 1 - 17 - std::strlen(Suffix);
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
        journal = folder;
        journal.append(".").append(name, 0, keep).append("~").append(Hex(NameHash(name), 16)).append(Suffix);
    }
    return journal;
}

std::string JournalInStateFolder(dev_t device, ino_t inode, bool make)
{
    const TJournalFolder folder = ProgramStateFolder(make);
    return folder.Path.empty() ? std::string() : folder.Path + NodeName(device, inode);
}

std::vector<std::string> JournalsOf(const std::string& target, const struct stat& node)
{
    std::vector<std::string> found;
    const std::string beside = JournalBeside(target);
    if (Exists(beside))
        found.push_back(beside);
    AddJournalsIn(ProgramStateFolder(false), target, node, found);
    AddJournalsIn(SpareJournalFolder(false), target, node, found);
    return found;
}

std::vector<std::string> JournalFolders(const std::string& target)
{
    std::vector<std::string> folders{FolderOfPath(target)};
    for (const TJournalFolder& place : {ProgramStateFolder(false), SpareJournalFolder(false)})
        if (!place.Path.empty())
            folders.push_back(place.Path);
    return folders;
}

int CreateJournal(const std::string& target, const struct stat& node, std::string& path)
{
    path = JournalBeside(target);
    int fd = TakeJournalSlot(path);
    if (fd < 0 && IsFolderRefusal(errno)) {
        std::string problems;
        for (int place = 0; place < 2 && fd < 0; ++place) {
            const TJournalFolder folder = place == 0 ? ProgramStateFolder(true) : SpareJournalFolder(true);
            if (folder.Path.empty()) {
                problems += (problems.empty() ? "" : "; ") + folder.Problem;
                continue;
            }
            path = folder.Path + NodeName(node.st_dev, node.st_ino);
            fd = TakeJournalSlot(path);
            if (fd < 0)
                problems += (problems.empty() ? "" : "; ") + path + ": " + SystemErrorText(errno);
        }
        if (fd < 0)
            throw EArchiveBlocked(target, "its folder is not writable, and there is no folder for the commit journal (" +
                                              problems + ").");
    }
    if (fd >= 0)
        MatchArchivePermissions(fd, node);
    return fd;
}
