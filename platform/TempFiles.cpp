#include "TempFiles.h"

#include <cstdlib>
#include <sys/stat.h>
#include <vector>

std::string SystemTempDirectory()
{
    const char* env = std::getenv("TMPDIR");
    struct stat info {};
    if (env != nullptr && *env != '\0' && stat(env, &info) == 0 && S_ISDIR(info.st_mode))
        return env;
    return "/tmp";
}

int CreateUniqueTempFile(const std::string& dir, const std::string& prefix, std::string& path)
{
    std::string pattern = dir;
    if (pattern.empty() || pattern.back() != '/')
        pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    path = fd >= 0 ? std::string(name.data()) : std::string();
    return fd;
}
