// Making an empty archive file and settling a commit that was cut short.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "FileSystem.h"
#include "FullPath.h"
#include "MemoryStream.h"
#include "FileLayer.h"
#include "RollbackJournal.h"
#include "AbandonedReplacements.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

void MakeEmptyArchive(TMemoryStream& empty, bool marker)
{
    if (marker)
        WriteMagic(empty, ZipPossiblySpannedSignature);
    TZipDirectoryFileFooter footer;
    footer.DirectoryOffset = marker ? 4 : 0;
    footer.SaveToStream(empty);
}

// Writes the whole empty archive and syncs it.
bool Fill(int fd, TMemoryStream& empty)
{
    return FileLayer().WriteAt(fd, empty.Memory(), empty.GetSize(), 0) == 0 && FileLayer().Sync(fd) == 0;
}

// A name already taken by a file is opened as it is; anything else fails.
// A dangling link counts as taken, and what it points to is never made.
void RequireExistingFile(const std::string& name, int err)
{
    if (err != EEXIST || !FileExists(name))
        throw EFCreateError(name, err);
}

bool NoUnnamedFiles(int err)
{
    return err == EOPNOTSUPP || err == EISDIR || err == EINVAL;
}

// The new archive has its name and is locked: journals left for an earlier
// file of that name go before anyone else can open it, and the name and
// their removal reach the disk together.
void Settle(const std::string& name, int fd)
{
    ForgetJournals(name, fd);
    FileLayer().SyncFolder(FolderOfPath(name));
}

bool NameUnnamedFile(const std::string& name, int unnamed, TMemoryStream& empty)
{
    TLayerFd fd(unnamed);
    TFileLock lock(fd.Fd);
    if (!Fill(fd.Fd, empty) || FileLayer().Link(fd.Fd, name) != 0) {
        RequireExistingFile(name, errno);
        return false;
    }
    Settle(name, fd.Fd);
    return true;
}

// A hidden name of our own beside the archive, made exclusively.
int OpenTemporary(const std::string& name, std::string& temporary)
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = ReplacementPattern(name);
        for (size_t i = temporary.size() - 6; i < temporary.size(); ++i)
            temporary[i] = Letters[random() % (sizeof Letters - 1)];
        const int fd = FileLayer().Open(temporary, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Where unnamed files are missing: built whole under a hidden name, then
// given the archive's name without replacing anything. A kill leaves no
// archive or a whole empty one, and at most the hidden file, which the next
// run in the folder removes.
bool NameTemporaryFile(const std::string& name, TMemoryStream& empty)
{
    std::string temporary;
    TLayerFd fd(OpenTemporary(name, temporary));
    if (fd.Fd < 0)
        throw EFCreateError(name, errno);
    LockReplacement(fd.Fd);
    if (!Fill(fd.Fd, empty) || FileLayer().RenameNoReplace(temporary, name) != 0) {
        const int err = errno;
        FileLayer().Remove(temporary);
        RequireExistingFile(name, err);
        return false;
    }
    Settle(name, fd.Fd);
    return true;
}

} // namespace

bool CreateEmptyZipFile(const std::string& name, bool marker)
{
    TMemoryStream empty;
    MakeEmptyArchive(empty, marker);
    RemoveAbandonedReplacements(name);
    // Made whole before it gets its name: no moment shows a file no tool opens.
    const int fd = FileLayer().OpenUnnamed(FolderOfPath(name), 0666);
    if (fd >= 0)
        return NameUnnamedFile(name, fd, empty);
    if (!NoUnnamedFiles(errno))
        throw EFCreateError(name, errno);
    return NameTemporaryFile(name, empty);
}

void RecoverArchiveFile(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    try {
        TFileLock lock(fd);
        RecoverInterruptedCommit(name, fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}
