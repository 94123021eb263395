#include "FileStream.h"

#include "Errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const NotRegularFile = "Not a regular file.";

}  // namespace

TFileStream::TFileStream(const std::string& path, uint16_t mode) : FFileName(path)
{
    if (mode == fmCreate) {
        FHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError(path, errno);
        return;
    }
    int flags = O_RDONLY;
    if ((mode & 3) == fmOpenWrite)
        flags = O_WRONLY;
    else if ((mode & 3) == fmOpenReadWrite)
        flags = O_RDWR;
    // A device is not even opened, and a socket cannot be; the check after
    // opening covers a file swapped in between.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        throw EFOpenError(path, NotRegularFile);
    // Without O_NONBLOCK a FIFO would wait here for a writer that never comes.
    FHandle = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
    if (FHandle < 0)
        throw EFOpenError(path, errno);
    if (::fstat(FHandle, &st) != 0)
        FailOpen(path, SystemErrorText(errno));
    if (S_ISDIR(st.st_mode))
        FailOpen(path, SystemErrorText(EISDIR));
    // FIFOs, sockets and devices never end, or block on reads.
    if (!S_ISREG(st.st_mode))
        FailOpen(path, NotRegularFile);
    const int status = ::fcntl(FHandle, F_GETFL);
    if (status < 0 || ::fcntl(FHandle, F_SETFL, status & ~O_NONBLOCK) != 0)
        FailOpen(path, SystemErrorText(errno));
}

void TFileStream::FailOpen(const std::string& path, const std::string& reason)
{
    ::close(FHandle);
    FHandle = -1;
    throw EFOpenError(path, reason);
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    int64_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(FHandle, p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    int64_t done = 0;
    const auto* p = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(FHandle, p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, int origin)
{
    const int whence = origin == soFromCurrent ? SEEK_CUR : origin == soFromEnd ? SEEK_END : SEEK_SET;
    return ::lseek(FHandle, offset, whence);
}

void TFileStream::SetSize(int64_t newSize)
{
    if (::ftruncate(FHandle, newSize) != 0)
        throw EWriteError();
    if (GetPosition() > newSize)
        Seek(newSize, soFromBeginning);
}

void TFileStream::Flush()
{
    if (::fsync(FHandle) != 0)
        throw EWriteError();
}
