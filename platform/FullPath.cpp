#include "FullPath.h"

#include <cerrno>
#include <climits>
#include <unistd.h>
#include <vector>

namespace {

std::string CurrentDirectory()
{
    std::vector<char> buf(PATH_MAX);
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE)
            return "/";
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

} // namespace

bool IsFullPath(const std::string& name)
{
    return !name.empty() && name[0] == '/';
}

std::string ExpandFileName(const std::string& name)
{
    const std::string whole = IsFullPath(name) ? name : CurrentDirectory() + "/" + name;
    std::vector<std::string> steps;
    size_t start = 0;
    while (start <= whole.size()) {
        size_t end = whole.find('/', start);
        if (end == std::string::npos)
            end = whole.size();
        const std::string step = whole.substr(start, end - start);
        if (step == "..") {
            if (!steps.empty())
                steps.pop_back();
        } else if (!step.empty() && step != ".") {
            steps.push_back(step);
        }
        start = end + 1;
    }
    std::string result;
    for (const auto& step : steps)
        result += "/" + step;
    if (result.empty() || (!name.empty() && name.back() == '/'))
        result += "/";
    return result;
}

std::string ExtractFilePath(const std::string& name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string FolderOfPath(const std::string& name)
{
    const std::string folder = ExtractFilePath(name);
    return folder.empty() ? "./" : folder;
}

std::string ExtractFileName(const std::string& name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}
