#pragma once
// Helpers shared by the record tests: byte access and a scratch folder.

#include "MemoryStream.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

inline uint16_t Le16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint32_t>(Le16(b, at)) | (static_cast<uint32_t>(Le16(b, at + 2)) << 16);
}

inline void AppendBytes(TMemoryStream& stream, const std::string& bytes)
{
    stream.Seek(0, 2);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

inline std::string Le32Bytes(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

// A fresh folder under the system temporary directory, removed with its contents.
class TScratchFolder {
public:
    TScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "plkzipXXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            FPath = pattern;
    }
    ~TScratchFolder()
    {
        std::error_code ignored;
        if (!FPath.empty())
            std::filesystem::remove_all(FPath, ignored);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

    // Names in the folder that begin with prefix.
    std::vector<std::string> FilesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(FPath))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                found.push_back(entry.path().string());
        return found;
    }

private:
    std::string FPath;
};
