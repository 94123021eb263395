// A batch run of 200 photo-like 12-megapixel JPEGs at size 200: pictures per
// second, and the share of the run spent writing the archive (timed between
// the session's before-write and after-write events).

#include "ZipSession.h"
#include "BatchRun.h"
#include "JpegFixtures.h"
#include "ZipperSetup.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// CPU seconds of this thread: a busy machine stretches wall time, not this.
double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

constexpr int PictureCount = 200;
constexpr int DistinctPictures = 4;
constexpr int PictureWidth = 4000;
constexpr int PictureHeight = 3000;

// The pictures are made once: a few distinct files, linked under 200 names.
struct TPictureSet {
    TTempDir Dir;
    std::vector<std::string> Paths;

    TPictureSet()
    {
        std::vector<std::string> sources;
        for (int k = 0; k < DistinctPictures; ++k) {
            sources.push_back(Dir.File("source" + std::to_string(k) + ".jpg"));
            const bool portrait = k % 2 == 1;
            WriteTestJpeg(sources.back(), portrait ? PictureHeight : PictureWidth,
                          portrait ? PictureWidth : PictureHeight, k == 3 ? TJpegKind::Progressive : TJpegKind::Baseline);
        }
        for (int k = 0; k < PictureCount; ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%04d.jpg", k);
            Paths.push_back(Dir.File(name));
            if (::link(sources[k % DistinctPictures].c_str(), Paths.back().c_str()) != 0)
                throw std::runtime_error("cannot link " + Paths.back());
        }
    }
};

const TPictureSet& Pictures()
{
    static const TPictureSet set;
    return set;
}

class TBenchHost : public IBatchHost {
public:
    TBenchHost(std::string archive, const std::vector<std::string>& list) : FArchive(std::move(archive)), FList(list) {}
    std::string ArchiveName() override { return FArchive; }
    bool ClearTicked() override { return true; }
    int ListCount() override { return static_cast<int>(FList.size()); }
    std::string ListEntry(int index) override { return FList.at(static_cast<size_t>(index)); }
    TThumbnailSettings ReadSettings() override { return {}; }
    void SetCaption(const std::string&) override {}
    void SetProgressMax(int) override {}
    void SetProgressPosition(int position) override { FPosition = position; }
    int ProgressPosition() override { return FPosition; }
    void ProcessMessages() override {}

private:
    std::string FArchive;
    const std::vector<std::string>& FList;
    int FPosition = 0;
};

void BM_BatchRun200TwelveMegapixel(benchmark::State& state)
{
    const TPictureSet& pictures = Pictures();
    const std::string archive = pictures.Dir.File("thumbs.zip");
    double writeSeconds = 0, writeCpu = 0;
    double runSeconds = 0, runCpu = 0;
    for (auto _ : state) {
        TZipper zipper;
        ConfigureThumbnailZipper(zipper);
        TClock::time_point writeStart;
        double writeCpuStart = 0;
        zipper.OnConfirmSave = [&](TZipper&, bool&) {
            writeStart = TClock::now();
            writeCpuStart = ThreadCpuSeconds();
        };
        zipper.OnSave = [&](TZipper&) {
            writeSeconds += std::chrono::duration<double>(TClock::now() - writeStart).count();
            writeCpu += ThreadCpuSeconds() - writeCpuStart;
        };
        TBatchRun run(zipper);
        TBenchHost host(archive, pictures.Paths);
        const auto start = TClock::now();
        const double cpuStart = ThreadCpuSeconds();
        run.Go(host);
        runSeconds += std::chrono::duration<double>(TClock::now() - start).count();
        runCpu += ThreadCpuSeconds() - cpuStart;
    }
    state.SetItemsProcessed(state.iterations() * PictureCount);
    state.counters["pictures_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * PictureCount) / runSeconds);
    state.counters["pictures_per_cpu_s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * PictureCount) / runCpu);
    state.counters["archive_write_share_pct"] = benchmark::Counter(100.0 * writeSeconds / runSeconds);
    state.counters["archive_write_cpu_share_pct"] = benchmark::Counter(100.0 * writeCpu / runCpu);
    state.counters["archive_write_ms_per_picture"] =
        benchmark::Counter(1000.0 * writeSeconds / static_cast<double>(state.iterations() * PictureCount));
}

} // namespace

BENCHMARK(BM_BatchRun200TwelveMegapixel)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

BENCHMARK_MAIN();
