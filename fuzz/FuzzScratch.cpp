#include "FuzzScratch.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

const std::string& FuzzScratchFolder()
{
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/plk-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            FuzzFail("cannot make a scratch folder");
        return pattern;
    }();
    return folder;
}

void WriteWholeFile(const std::string& path, const uint8_t* data, size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        FuzzFail("cannot write " + path);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) {
            ::close(fd);
            FuzzFail("short write to " + path);
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

void FuzzFail(const std::string& why)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", why.c_str());
    std::abort();
}
