// The cost of one AddStream as the archive grows, beside copying a file of
// the archive's size: every add rewrites the whole archive.

#include "ZipRecords.h"
#include "ZipSession.h"
#include "FileStream.h"
#include "MemoryStream.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kEntrySize = 20 * 1024;

std::vector<uint8_t> JpegLikeBytes(uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> out(kEntrySize);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (i % 64 < 8) ? static_cast<uint8_t>(i / 64) : static_cast<uint8_t>(gen());
    out[0] = 0xFF;
    out[1] = 0xD8;
    return out;
}

class TBenchFolder {
public:
    TBenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "plk-bench-XXXXXX").string();
        FPath = ::mkdtemp(pattern.data());
    }
    ~TBenchFolder() { std::filesystem::remove_all(FPath); }
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

// Writes an archive of n stored entries in one go, so that setting up a
// thousand entries does not cost a thousand rewrites.
void WriteArchiveOf(const std::string& path, int n)
{
    TFileStream file(path, fmCreate);
    TMemoryStream directory;
    for (int i = 0; i < n; ++i) {
        const std::vector<uint8_t> data = JpegLikeBytes(static_cast<uint32_t>(i));
        TZipItem item;
        item.SetFileName("old" + std::to_string(i) + ".jpg");
        item.SetCompressionMethod(0);
        item.SetVersionNeededToExtract(10);
        item.SetVersionMadeBy(20);
        item.SetCRC32(static_cast<uint32_t>(::crc32(0, data.data(), static_cast<uInt>(data.size()))));
        item.SetCompressedSize(static_cast<int32_t>(data.size()));
        item.SetUncompressedSize(static_cast<uint32_t>(data.size()));
        item.SetRelativeOffset(static_cast<uint32_t>(file.GetPosition()));
        item.SaveLFHToStream(file);
        file.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        item.SaveCDHToStream(directory);
    }
    TZipDirectoryFileFooter footer;
    footer.EntriesOnDisk = footer.TotalEntries = static_cast<uint16_t>(n);
    footer.DirectoryOffset = static_cast<uint32_t>(file.GetPosition());
    footer.DirectorySize = static_cast<uint32_t>(directory.GetSize());
    file.CopyFrom(directory, 0);
    footer.SaveToStream(file);
}

// Each iteration starts from the same archive of n entries and adds one.
void BM_AddStream(benchmark::State& state)
{
    TBenchFolder folder;
    const std::string name = folder.File("thumbs.zip");
    TZipper zipper;
    zipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    TMemoryStream picture;
    const std::vector<uint8_t> bytes = JpegLikeBytes(99);
    picture.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    int64_t written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        zipper.Close();
        std::filesystem::remove(name);
        WriteArchiveOf(name, static_cast<int>(state.range(0)));
        zipper.SetFileName(name);
        state.ResumeTiming();
        zipper.AddStream("new.jpg", picture);
        state.PauseTiming();
        written += static_cast<int64_t>(std::filesystem::file_size(name));
        state.ResumeTiming();
    }
    state.counters["file_bytes_per_add"] = benchmark::Counter(static_cast<double>(written) / state.iterations());
    state.SetBytesProcessed(written);
}

// Copying the finished archive into a new file and forcing it to disk: the
// floor under one add, which also has to read every stored entry again.
void BM_CopyFileOfArchiveSize(benchmark::State& state)
{
    TBenchFolder folder;
    const std::string source = folder.File("thumbs.zip");
    WriteArchiveOf(source, static_cast<int>(state.range(0)) + 1);
    const int64_t size = static_cast<int64_t>(std::filesystem::file_size(source));
    for (auto _ : state) {
        TFileStream in(source, fmOpenRead);
        TFileStream out(folder.File("copy.zip"), fmCreate);
        out.CopyFrom(in, size);
        out.Flush();
    }
    state.counters["file_bytes_per_copy"] = benchmark::Counter(static_cast<double>(size));
    state.SetBytesProcessed(size * state.iterations());
}

} // namespace

BENCHMARK(BM_AddStream)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_CopyFileOfArchiveSize)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(20);

BENCHMARK_MAIN();
