#include "PreviewOutput.h"

#include "Errors.h"
#include "FileIdentity.h"
#include "NameText.h"
#include "TempFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool StartsLikeAPng(const std::string& path)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned char head[8] = {};
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    return got == static_cast<ssize_t>(sizeof head) && std::memcmp(head, signature, sizeof head) == 0;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BareNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode a file made by open() would get: an existing file's own, else
// what the umask leaves of rw-rw-rw-.
mode_t ModeFor(const std::string& path)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) == 0)
        return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A file beside the target that is removed unless it was renamed over it.
class TFileBeside {
public:
    explicit TFileBeside(const std::string& target) : FTarget(target)
    {
        const std::string name = BareNameOf(target);
        FHandle = CreateUniqueTempFile(FolderOf(target), "." + name + ".", FPath);
        if (FHandle < 0)
            throw EFCreateError(target, errno);
    }
    ~TFileBeside()
    {
        if (FHandle >= 0)
            ::close(FHandle);
        if (!FPath.empty())
            ::unlink(FPath.c_str());
    }
    TFileBeside(const TFileBeside&) = delete;
    TFileBeside& operator=(const TFileBeside&) = delete;

    void Write(const std::vector<uint8_t>& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t wrote = ::write(FHandle, bytes.data() + done, bytes.size() - done);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                throw EWriteError();
            done += static_cast<size_t>(wrote);
        }
    }

    void RenameOverTarget(mode_t mode)
    {
        if (::fchmod(FHandle, mode) != 0 || ::fsync(FHandle) != 0)
            throw EWriteError();
        const int handle = FHandle;
        FHandle = -1;
        if (::close(handle) != 0)
            throw EWriteError();
        if (::rename(FPath.c_str(), FTarget.c_str()) != 0)
            throw EFCreateError(FTarget, errno);
        FPath.clear();
    }

private:
    std::string FTarget;
    std::string FPath;
    int FHandle = -1;
};

} // namespace

void CheckPreviewOutput(const std::string& output, const std::string& picture)
{
    TFileIdentity existing;
    if (!GetFileIdentity(output, existing))
        return;  // nothing there yet (or unreadable: creating it then says why)
    TFileIdentity source;
    if (GetFileIdentity(picture, source) && source.Device == existing.Device && source.Inode == existing.Inode)
        throw Exception(EscapedName(output) + ": this is the picture itself; the preview is not written over it");
    struct stat info{};
    if (::stat(output.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw Exception(EscapedName(output) + ": this is a folder; name a PNG file to write");
    if (!StartsLikeAPng(output))
        throw Exception(EscapedName(output) + ": this file exists and is not a PNG; it is left as it is");
}

void ReplaceFileWith(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const mode_t mode = ModeFor(path);
    TFileBeside file(path);
    file.Write(bytes);
    file.RenameOverTarget(mode);
}
