#pragma once
// Scratch folders, byte helpers and independent readers for the archive tests.

#include "ZipSession.h"
#include "MemoryStream.h"
#include "Volume.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace archive_test {

using Bytes = std::vector<uint8_t>;

class TScratch {
public:
    TScratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "plk-archive-XXXXXX").string();
        FPath = ::mkdtemp(pattern.data());
    }
    ~TScratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    std::string File(const std::string& name) const { return FPath + "/" + name; }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

inline Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Like an encoded photo: mostly noise with some runs, so deflate gains a little.
inline Bytes PhotoLikeBytes(size_t size, uint32_t seed)
{
    std::mt19937 gen(seed);
    Bytes out(size);
    for (size_t i = 0; i < size; ++i)
        out[i] = (i % 64 < 16) ? static_cast<uint8_t>(i / 64) : static_cast<uint8_t>(gen());
    if (size >= 2) {
        out[0] = 0xFF;
        out[1] = 0xD8;
    }
    return out;
}

inline void AddBytes(TZipper& zipper, const std::string& name, const Bytes& bytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    zipper.AddStream(name, stream);
}

// An archive of `entries` photo-like entries old0.jpg, old1.jpg ..., closed.
inline void MakeArchive(const std::string& name, int entries, uint32_t seed = 0)
{
    TZipper zipper;
    zipper.SetFileName(name);
    for (int i = 0; i < entries; ++i) {
        const std::string number = std::to_string(i);
        AddBytes(zipper, "old" + number + ".jpg", PhotoLikeBytes(1500, seed + static_cast<uint32_t>(i)));
    }
    zipper.Close();
}

struct TRun {
    int Status = -1;
    std::string Output;
};

inline TRun RunCommand(const std::string& command)
{
    TRun result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        result.Output.append(buf, n);
    const int status = ::pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::string Quote(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// `unzip -t` accepts the archive.
inline ::testing::AssertionResult UnzipAccepts(const std::string& path)
{
    const TRun run = RunCommand("unzip -tq " + Quote(path));
    if (run.Status == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "unzip -t: " << run.Output;
}

// Python's zipfile opens it, tests every entry and lists "name:size:sha1"
// lines in archive order, then "comment:<hex>".
inline TRun PythonListing(const std::string& path)
{
    return RunCommand("python3 -c " + Quote("import sys,zipfile,hashlib\n"
                                     "z=zipfile.ZipFile(sys.argv[1])\n"
                                     "bad=z.testzip()\n"
                                     "assert bad is None, bad\n"
                                     "for i in z.infolist(): print('%s:%d:%s'%(i.filename,i.file_size,"
                                     "hashlib.sha1(z.read(i)).hexdigest()))\n"
                                     "print('comment:'+z.comment.hex())\n") +
               " " + Quote(path));
}

inline std::string Sha1Line(const std::string& name, const Bytes& bytes)
{
    TScratch scratch;
    WriteAll(scratch.File("b"), bytes);
    const TRun run = RunCommand("sha1sum " + Quote(scratch.File("b")));
    return name + ":" + std::to_string(bytes.size()) + ":" + run.Output.substr(0, 40);
}

inline uint32_t Get32(const Bytes& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

inline uint16_t Get16(const Bytes& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// Puts the system volume queries back at scope end.
class TPlatformHooks {
public:
    ~TPlatformHooks()
    {
        SetRemovableDriveQuery(nullptr);
        SetFreeSpaceQuery(nullptr);
        SetFileSizeLimitQuery(nullptr);
    }
    void Removable(bool removable)
    {
        SetRemovableDriveQuery([removable](const std::string&) { return removable; });
    }
    void FreeSpace(int64_t bytes)
    {
        SetFreeSpaceQuery([bytes](const std::string&) { return bytes; });
    }
    void FileSizeLimit(int64_t bytes)
    {
        SetFileSizeLimitQuery([bytes](const std::string&) { return bytes; });
    }
};

} // namespace archive_test
