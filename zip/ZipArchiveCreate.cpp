// Making an empty archive file and settling a commit that was cut short.
#include "ZipArchive.h"

#include "ZipArchiveBytes.h"
#include "FileSystem.h"
#include "FullPath.h"
#include "MemoryStream.h"
#include "FileLayer.h"
#include "RollbackJournal.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

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

} // namespace

bool CreateEmptyZipFile(const std::string& name, bool marker)
{
    TMemoryStream empty;
    if (marker)
        WriteMagic(empty, ZipPossiblySpannedSignature);
    TZipDirectoryFileFooter footer;
    footer.DirectoryOffset = marker ? 4 : 0;
    footer.SaveToStream(empty);

    // Made whole before it gets its name: no moment shows a file no tool opens.
    const std::string folder = FolderOfPath(name);
    int fd = FileLayer().OpenUnnamed(folder, 0666);
    if (fd >= 0) {
        ForgetJournals(name, fd);
        const bool named = Fill(fd, empty) && FileLayer().Link(fd, name) == 0;
        const int err = errno;
        FileLayer().Close(fd);
        if (!named) {
            RequireExistingFile(name, err);
            return false;
        }
        FileLayer().SyncFolder(folder);
        return true;
    }
    if (!NoUnnamedFiles(errno))
        throw EFCreateError(name, errno);

    // Exclusive, so that another writer's fresh archive is never emptied.
    fd = FileLayer().Open(name, O_RDWR | O_CREAT | O_EXCL, 0666);
    if (fd < 0) {
        RequireExistingFile(name, errno);
        return false;
    }
    ForgetJournals(name, fd);
    const bool written = Fill(fd, empty);
    const int err = errno;
    FileLayer().Close(fd);
    if (!written) {
        FileLayer().Remove(name);
        throw EFCreateError(name, err);
    }
    FileLayer().SyncFolder(folder);
    return true;
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
