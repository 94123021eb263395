#include "EntryName.h"

#include "PictureKinds.h"

#include <algorithm>

namespace {

bool IsCapitals(std::string_view extension)
{
    const auto isLower = [](char c) { return c >= 'a' && c <= 'z'; };
    const auto isUpper = [](char c) { return c >= 'A' && c <= 'Z'; };
    return std::none_of(extension.begin(), extension.end(), isLower) &&
           std::any_of(extension.begin(), extension.end(), isUpper);
}

}  // namespace

std::string EntryNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find('.') == std::string::npos || PictureKindOfName(name) == TPictureKind::pkJpeg)
        return name;
    const std::string_view extension = NameExtension(name);
    const std::string replacement = IsCapitals(extension) ? "JPG" : "jpg";
    name.replace(name.size() - extension.size(), extension.size(), replacement);
    return name;
}
