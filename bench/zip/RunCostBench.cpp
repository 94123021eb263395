// What each picture of a long run costs: sessions adding 1000, 10 000,
// 65 535 and 200 000 entries to a new archive with group commits on, as a
// batch run has them, each in a child process. Pictures of 10 KB for the
// shorter runs, tiny entries of 100 bytes for all four. Per run: time per
// picture over the whole run, over its first 1000 and its last 1000 (up to
// the commit of the last of them), the close in ms (which gives back the
// room commits kept before the directory), the bytes written (ru_oublock)
// against the final archive's size, and the commits made. Beside it, in the same run, Info-ZIP zip and Python's zipfile
// writing the same entries in one session each, durable only at its close:
// zip reads them from files (hard links to eight pictures), Python from memory.
// Goals: the last 1000 pictures of the 200 000 run cost at most 1.2 times
// per picture what the first 1000 cost; a run writes at most 4 times the
// final archive's size. PLK_BENCH_RUNS="1000 10000" picks other lengths.

#include "BenchSupport.h"
#include "ZipSession.h"
#include "MemoryStream.h"
#include "Volume.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;
constexpr int Window = 1000;

struct TRunFigures {
    double Seconds = 0;
    double FirstUs = 0;   // per picture, first Window pictures
    double LastUs = 0;    // per picture, last Window pictures, their commit included
    double CloseMs = 0;   // the session's close after the last commit
    int Commits = 0;
};

struct TChildFigures {
    TRunFigures Run;
    double WrittenMiB = 0;
    double ArchiveMiB = 0;
};

std::vector<uint8_t> PictureLikeBytes(size_t size, uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (i % 64 < 8) ? static_cast<uint8_t>(i / 64) : static_cast<uint8_t>(gen());
    return out;
}

// The session of one run, in this (child) process.
TRunFigures AddEntries(const std::string& archive, int count, size_t size)
{
    SetRemovableDriveQuery([](const std::string&) { return false; });
    std::vector<TMemoryStream> pictures(8);
    for (size_t k = 0; k < pictures.size(); ++k) {
        const std::vector<uint8_t> bytes = PictureLikeBytes(size, static_cast<uint32_t>(k));
        pictures[k].WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    TRunFigures figures;
    TZipper zipper;
    zipper.SetStoreOptions(DefaultStoreOptions | StoreOptionBit(soStripPath));
    zipper.SetGroupCommits(true);
    zipper.OnSave = [&figures](TZipper&) { ++figures.Commits; };
    const auto start = TClock::now();
    zipper.SetFileName(archive);
    auto windowStart = start;
    for (int i = 0; i < count; ++i) {
        if (i == count - Window)
            windowStart = TClock::now();
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%06d.jpg", i);
        zipper.AddStream(name, pictures[static_cast<size_t>(i) % pictures.size()], 1700000000 + i);
        if (i == Window - 1)
            figures.FirstUs = std::chrono::duration<double, std::micro>(TClock::now() - start).count() / Window;
    }
    zipper.Commit();
    const auto committed = TClock::now();
    zipper.Close();
    const auto end = TClock::now();
    figures.LastUs = std::chrono::duration<double, std::micro>(committed - windowStart).count() / Window;
    figures.CloseMs = std::chrono::duration<double, std::milli>(end - committed).count();
    figures.Seconds = std::chrono::duration<double>(end - start).count();
    return figures;
}

// Runs body in a child; its figures come back through a pipe, its blocks
// written through wait4.
template <class TBody>
TChildFigures FiguresInChild(const std::string& archive, TBody body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe");
    ::sync();
    TChildFigures result;
    TChildRun run;
    try {
        run = InChild([&] {
            ::close(fds[0]);
            TRunFigures figures;
            try {
                figures = body();
            } catch (const std::exception& e) {
                std::fprintf(stderr, "run failed: %s\n", e.what());
                return 1;
            }
            return ::write(fds[1], &figures, sizeof figures) == static_cast<ssize_t>(sizeof figures) ? 0 : 1;
        });
    } catch (...) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw;
    }
    // The figures are a few bytes: the child's write did not wait for this read.
    ::close(fds[1]);
    const bool got = ::read(fds[0], &result.Run, sizeof result.Run) == static_cast<ssize_t>(sizeof result.Run);
    ::close(fds[0]);
    if (!got)
        throw std::runtime_error("a run sent no figures");
    result.WrittenMiB = static_cast<double>(run.Usage.ru_oublock) * 512 / (1 << 20);
    result.ArchiveMiB = static_cast<double>(std::filesystem::file_size(archive)) / (1 << 20);
    return result;
}

// A peer's command in a child, timed, its output synced before the clock stops.
TChildFigures PeerRun(const std::string& archive, const std::string& command)
{
    return FiguresInChild(archive, [&] {
        const auto start = TClock::now();
        if (std::system((command + " && sync '" + archive + "'").c_str()) != 0)
            throw std::runtime_error("peer failed: " + command);
        TRunFigures figures;
        figures.Seconds = std::chrono::duration<double>(TClock::now() - start).count();
        figures.Commits = 1;
        return figures;
    });
}

// Info-ZIP zip, one session over files: the eight pictures' bytes under
// every entry's name as hard links, so making them writes next to nothing.
TChildFigures ZipRun(const std::string& folder, const std::string& archive, int count, size_t size)
{
    const std::filesystem::path pictures = folder + "/pictures";
    std::filesystem::remove_all(pictures);
    std::filesystem::create_directory(pictures);
    const std::string list = folder + "/names";
    FILE* names = std::fopen(list.c_str(), "w");
    if (!names)
        throw std::runtime_error("cannot write the list of names");
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%06d.jpg", i);
        const std::filesystem::path target = pictures / name;
        if (i < 8) {
            const std::vector<uint8_t> bytes = PictureLikeBytes(size, static_cast<uint32_t>(i));
            FILE* out = std::fopen(target.c_str(), "wb");
            if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0)
                throw std::runtime_error("cannot write a picture");
        } else {
            char first[32];
            std::snprintf(first, sizeof first, "IMG_%06d.jpg", i % 8);
            std::filesystem::create_hard_link(pictures / first, target);
        }
        std::fprintf(names, "%s\n", name);
    }
    std::fclose(names);
    const TChildFigures figures =
        PeerRun(archive, "cd '" + pictures.string() + "' && zip -q -D '" + archive + "' -@ < '" + list + "'");
    std::filesystem::remove_all(pictures);
    return figures;
}

// Python's zipfile, the same entries from memory in one session.
TChildFigures PythonRun(const std::string& folder, const std::string& archive, int count, size_t size)
{
    const std::string script = folder + "/peer.py";
    if (FILE* out = std::fopen(script.c_str(), "w")) {
        std::fputs("import sys,zipfile,random\n"
                   "n,size=int(sys.argv[2]),int(sys.argv[3])\n"
                   "pics=[]\n"
                   "for k in range(8):\n"
                   "  r=random.Random(k)\n"
                   "  pics.append(bytes((i//64)&255 if i%64<8 else r.getrandbits(8) for i in range(size)))\n"
                   "with zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED) as z:\n"
                   "  for i in range(n): z.writestr('IMG_%06d.jpg'%i, pics[i%8])\n",
                   out);
        std::fclose(out);
    }
    return PeerRun(archive, "python3 '" + script + "' '" + archive + "' " + std::to_string(count) + " " +
                                std::to_string(size));
}


} // namespace

int main()
{
    const TBenchFolder scratch("plk-runcost");
    const std::string& folder = scratch.Path();
    const std::string archive = folder + "/run.zip";
    std::printf("runs of one session into a new archive, group commits on; written from ru_oublock, "
                "per picture in us, MB = MiB\n");
    std::printf("%7s %5s | %7s %6s %6s %6s %6s %6s | %6s %6s %5s %6s | %7s %6s %6s %5s | %7s %6s %5s | %s\n", "entries",
                "entry", "seconds", "us/pic", "first", "last", "last/1", "close", "MB wr", "MB arc", "w/a", "commit",
                "zip us", "zip wr", "t/zip", "w/zip", "py us", "t/py", "w/py", "goals");
    try {
        for (const int count : NumbersFromEnvironment("PLK_BENCH_RUNS", "1000 10000 65535 200000")) {
            for (const size_t size : {size_t{10240}, size_t{100}}) {
                if (size > 1000 && count > 10000)
                    continue;
                std::filesystem::remove(archive);
                const TChildFigures ours = FiguresInChild(archive, [&] { return AddEntries(archive, count, size); });
                std::filesystem::remove(archive);
                const TChildFigures zip = ZipRun(folder, archive, count, size);
                std::filesystem::remove(archive);
                const TChildFigures python = PythonRun(folder, archive, count, size);
                std::filesystem::remove(archive);
                const TRunFigures& run = ours.Run;
                const double perPicture = 1e6 * run.Seconds / count;
                const bool writesMet = ours.WrittenMiB <= 4 * ours.ArchiveMiB;
                const bool flatMet = count < 200000 || run.LastUs <= 1.2 * run.FirstUs;
                std::printf("%7d %5zu | %7.2f %6.1f %6.1f %6.1f %6.2f %6.1f | %6.1f %6.1f %5.2f %6d | %7.1f %6.1f %6.2f %5.2f | "
                            "%7.1f %6.2f %5.2f | %s\n",
                            count, size, run.Seconds, perPicture, run.FirstUs, run.LastUs, run.LastUs / run.FirstUs, run.CloseMs,
                            ours.WrittenMiB, ours.ArchiveMiB, ours.WrittenMiB / ours.ArchiveMiB, run.Commits,
                            1e6 * zip.Run.Seconds / count, zip.WrittenMiB, run.Seconds / zip.Run.Seconds,
                            ours.WrittenMiB / zip.WrittenMiB, 1e6 * python.Run.Seconds / count,
                            run.Seconds / python.Run.Seconds, ours.WrittenMiB / python.WrittenMiB,
                            writesMet && flatMet ? "met" : !writesMet ? "MISSED: w/a" : "MISSED: last/1");
                std::fflush(stdout);
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("last/1: last 1000 pictures against the first 1000, per picture (goal at 200000: at most 1.2)\n");
    std::printf("w/a: bytes written against the final archive (goal: at most 4)\n");
    std::printf("t/zip, w/zip, t/py, w/py: our time and bytes written against the peer's, one session each\n");
    return 0;
}
