// One add of a 10 KB picture to archives of 10, 1000, 10 000 and 60 000
// entries of 10 KB: wall time and bytes written (getrusage ru_oublock),
// beside `zip -g` adding the same file to a copy of the same archive and a
// plain copy of the archive (synced), all in the same run. For each size:
// the add inside an open session (what each picture of a run costs), and a
// whole session around it (open, add, close: what `zip -g` does).
// PLK_BENCH_SIZES="10 1000" picks other sizes.

#include "BenchSupport.h"
#include "ZipRecords.h"
#include "ZipSession.h"
#include "FileStream.h"
#include "MemoryStream.h"
#include "Volume.h"

#include <zlib.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;
constexpr size_t EntrySize = 10 * 1024;
constexpr int Repeats = 9;

std::vector<uint8_t> JpegLikeBytes(uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> out(EntrySize);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (i % 64 < 8) ? static_cast<uint8_t>(i / 64) : static_cast<uint8_t>(gen());
    out[0] = 0xFF;
    out[1] = 0xD8;
    return out;
}

// An archive of n stored entries written in one go. Returns its directory size.
int64_t WriteArchiveOf(const std::string& path, int n)
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
    return directory.GetSize();
}

struct TCost {
    double Ms = 0;
    double WrittenKiB = 0;
};

long BlocksWritten(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    return usage.ru_oublock;
}

// Time and blocks written of body in this process, the best of the repeats.
template <class TBody>
TCost Measure(TBody body)
{
    TCost best{1e30, 0};
    for (int r = 0; r < Repeats; ++r) {
        const long blocks = BlocksWritten(RUSAGE_SELF);
        const auto start = TClock::now();
        body(r);
        const double ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
        const double kib = static_cast<double>(BlocksWritten(RUSAGE_SELF) - blocks) * 512 / 1024;
        if (ms < best.Ms)
            best = {ms, kib};
    }
    return best;
}

// `zip -q -g archive picture` as a child, the best of the repeats.
TCost MeasureZipGrow(const std::string& archive, const std::string& folder)
{
    TCost best{1e30, 0};
    for (int r = 0; r < Repeats; ++r) {
        const std::string name = "zipg" + std::to_string(r) + ".jpg";
        // Pages the last repeat left dirty would not be counted again.
        ::sync();
        const auto start = TClock::now();
        const pid_t child = ::fork();
        if (child == 0) {
            if (::chdir(folder.c_str()) != 0)
                ::_exit(126);
            ::execlp("zip", "zip", "-q", "-g", archive.c_str(), name.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        rusage usage{};
        if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("zip -g failed (is zip installed?)");
        const double ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
        if (ms < best.Ms)
            best = {ms, static_cast<double>(usage.ru_oublock) * 512 / 1024};
    }
    return best;
}

void CopyAndSync(const std::string& from, const std::string& to)
{
    TFileStream in(from, fmOpenRead);
    TFileStream out(to, fmCreate);
    out.CopyFrom(in, in.GetSize());
    out.Flush();
}


} // namespace

int main()
{
    SetRemovableDriveQuery([](const std::string&) { return false; });
    TBenchFolder folder;
    const std::vector<uint8_t> bytes = JpegLikeBytes(99);
    TMemoryStream picture;
    picture.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    for (int r = 0; r < Repeats; ++r) {
        TFileStream file(folder.File("zipg" + std::to_string(r) + ".jpg"), fmCreate);
        file.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    }

    std::printf("one add of a 10 KB picture; best of %d; KiB written from ru_oublock\n", Repeats);
    std::printf("%8s %10s | %18s | %18s | %18s | %18s | %6s %s\n", "entries", "archive", "add in session",
                "open+add+close", "zip -g", "copy + fsync", "ratio", "budget KiB (entry+2 dir+4)");
    for (int n : NumbersFromEnvironment("PLK_BENCH_SIZES", "10 1000 10000 60000")) {
        const std::string ours = folder.File("ours.zip");
        const std::string theirs = folder.File("theirs.zip");
        std::filesystem::remove(ours);
        const int64_t directory = WriteArchiveOf(ours, n);
        std::filesystem::remove(theirs);
        std::filesystem::copy_file(ours, theirs);
        const double archiveMiB = static_cast<double>(std::filesystem::file_size(ours)) / (1 << 20);
        // The set-up's own dirty pages are not the add's to write.
        ::sync();

        TZipper zipper;
        zipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
        zipper.SetFileName(ours);
        const TCost inSession = Measure([&](int r) {
            const std::string number = std::to_string(r);
            zipper.AddStream("s" + number + ".jpg", picture);
        });
        zipper.Close();
        const TCost session = Measure([&](int r) {
            TZipper one;
            one.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
            one.SetFileName(ours);
            const std::string number = std::to_string(r);
            one.AddStream("w" + number + ".jpg", picture);
            one.Close();
        });
        const TCost zipGrow = MeasureZipGrow(theirs, folder.Path());
        const TCost copy = Measure([&](int) { CopyAndSync(theirs, folder.File("copy.zip")); });
        const double budget = (static_cast<double>(EntrySize) + 2.0 * static_cast<double>(directory)) / 1024 + 4;
        std::printf("%8d %8.1f MB | %7.2f ms %6.0f KiB | %7.2f ms %6.0f KiB | %7.2f ms %6.0f KiB | %7.2f ms %6.0f KiB | "
                    "%6.2f %.0f\n",
                    n, archiveMiB, inSession.Ms, inSession.WrittenKiB, session.Ms, session.WrittenKiB, zipGrow.Ms,
                    zipGrow.WrittenKiB, copy.Ms, copy.WrittenKiB, session.Ms / zipGrow.Ms, budget);
        std::fflush(stdout);
        std::filesystem::remove(ours);
        std::filesystem::remove(theirs);
        std::filesystem::remove(folder.File("copy.zip"));
    }
    std::printf("ratio: open+add+close against zip -g (goal at 10000 entries: at most 2)\n");
    return 0;
}
