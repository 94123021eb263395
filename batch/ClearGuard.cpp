#include "ClearGuard.h"

#include "ArchiveErrors.h"

#include <algorithm>

namespace {

bool IsFullPath(const std::string& name)
{
    return !name.empty() && name.front() == '/';
}

// From the last dot of the file-name part on, upper-cased; "" without a dot.
std::string UpperExtension(const std::string& name)
{
    const auto slash = name.find_last_of('/');
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return ext;
}

bool HasZipExtension(const std::string& name)
{
    const std::string ext = UpperExtension(name);
    return ext == ".ZIP" || ext == ".JAR";
}

} // namespace

bool OpensAsNewZip(const std::string& archiveName)
{
    return IsFullPath(archiveName) && HasZipExtension(archiveName);
}

void RequireNewZipName(const std::string& archiveName)
{
    if (!IsFullPath(archiveName))
        throw EArchiveException("Full Path Required");
    if (!HasZipExtension(archiveName))
        throw EUnhandledType();
}
