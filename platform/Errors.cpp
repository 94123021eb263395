#include "Errors.h"

#include <cstring>

std::string SystemErrorText(int err)
{
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char* text = strerror_r(err, buf, sizeof buf);
    return text ? text : "Unknown error";
}

EFOpenError::EFOpenError(const std::string& path, int err) : EFOpenError(path, SystemErrorText(err)) {}

EFOpenError::EFOpenError(const std::string& path, const std::string& reason)
    : EStreamError("Cannot open file \"" + path + "\". " + reason)
{
}

EFCreateError::EFCreateError(const std::string& path, int err)
    : EStreamError("Cannot create file \"" + path + "\". " + SystemErrorText(err))
{
}
