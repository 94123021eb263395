#include "HardeningSupport.h"

#include "FileStream.h"
#include "ZipArchive.h"

#include <dirent.h>
#include <stdlib.h>

#include <memory>

namespace {

struct TDirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

std::set<std::string> FolderNames(const std::string& folder)
{
    std::set<std::string> names;
    std::unique_ptr<DIR, TDirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.insert(name);
    }
    return names;
}

std::vector<std::string> OpenAsTheProgramDoes(const std::string& archive)
{
    TZipArchive model(archive, fmOpenRead | fmShareDenyNone);
    model.LoadDirectory();
    std::vector<std::string> names;
    for (int i = 0; i < model.Count(); ++i)
        names.push_back(model.ZipItem(i)->GetFileName());
    return names;
}

bool UnzipTestPasses(const std::string& archive, std::string* output)
{
    return RunShell("unzip -tq '" + archive + "' 2>&1", output) == 0;
}

TChildResult RunBatch(const std::vector<std::string>& args, const std::string& tmpDir)
{
    if (tmpDir.empty())
        return RunChild(BatchProgram, args);
    // The child inherits the environment; put it back for the next test.
    const char* old = ::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", tmpDir.c_str(), 1);
    TChildResult result = RunChild(BatchProgram, args);
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    return result;
}

std::string LastErrorLine(const TChildResult& result)
{
    std::string text = result.Err;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    const size_t lineStart = text.rfind('\n');
    std::string line = lineStart == std::string::npos ? text : text.substr(lineStart + 1);
    const std::string prefix = "plinkavorte-batch: ";
    if (line.rfind(prefix, 0) == 0)
        line.erase(0, prefix.size());
    return line;
}
