#pragma once
// A fresh folder under the temporary directory, removed with its contents.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

class TScratchFolder {
public:
    TScratchFolder()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/plk-filelist-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

    std::string Touch(const std::string& name) const
    {
        const std::string path = File(name);
        std::ofstream(path) << "x";
        return path;
    }
    std::string Folder(const std::string& name) const
    {
        const std::string path = File(name);
        std::filesystem::create_directories(path);
        return path;
    }

private:
    std::string FPath;
};
