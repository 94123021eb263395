// A batch run of 200 photo-like 12-megapixel JPEGs at size 200 with one job,
// two jobs and one job per online processor, beside vipsthumbnail over the
// same files with its default threads. Each run is a child process of its
// own, so its peak resident size is its own: photos per second, CPU per
// photo, peak resident size, and the ratios of the times.

#include "BenchBatchHost.h"
#include "JpegFixtures.h"
#include "Processors.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int PictureCount = 200;
constexpr int DistinctPictures = 4;
constexpr int PictureWidth = 4000;
constexpr int PictureHeight = 3000;

// A few distinct files, linked under 200 names.
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
        Paths = LinkedPictures(Dir.Path(), sources, PictureCount);
    }
};

struct TFigures {
    double Seconds = 0;
    double CpuSeconds = 0;
    long PeakKiB = 0;
};

double CpuOf(const rusage& usage)
{
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

TFigures FiguresOf(const TChildRun& run)
{
    TFigures f;
    f.Seconds = run.Seconds;
    f.CpuSeconds = CpuOf(run.Usage);
    f.PeakKiB = run.Usage.ru_maxrss;
    return f;
}

TFigures RunBatch(const TPictureSet& pictures, int jobs)
{
    return FiguresOf(BatchInChild(pictures.Dir.File("thumbs.zip"), pictures.Paths, jobs));
}

TFigures RunVips(const TPictureSet& pictures)
{
    const std::string out = pictures.Dir.File("vips");
    ::mkdir(out.c_str(), 0700);
    return FiguresOf(InChild([&] {
        std::vector<std::string> args = {"vipsthumbnail", "-s", "200", "-o", out + "/%s.jpg[Q=90]"};
        args.insert(args.end(), pictures.Paths.begin(), pictures.Paths.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp("vipsthumbnail", argv.data());
        return 127;
    }));
}

void Print(const char* label, const TFigures& f)
{
    std::printf("%-26s %8.2f s %8.1f photos/s %8.1f ms CPU/photo %8.0f MiB peak\n", label, f.Seconds,
                PictureCount / f.Seconds, 1000.0 * f.CpuSeconds / PictureCount, f.PeakKiB / 1024.0);
}

} // namespace

int main()
{
    const TPictureSet pictures;
    const int all = OnlineProcessorCount();
    RunBatch(pictures, all);  // warms the page cache
    const TFigures one = RunBatch(pictures, 1);
    const TFigures two = RunBatch(pictures, 2);
    const TFigures many = RunBatch(pictures, all);
    bool vipsRan = true;
    TFigures vips;
    try {
        vips = RunVips(pictures);
    } catch (const std::exception&) {
        vipsRan = false;
    }
    std::printf("200 photos of 12 MP at 200 px, %d online processors\n", all);
    Print("1 job", one);
    Print("2 jobs", two);
    Print(("all jobs (" + std::to_string(all) + ")").c_str(), many);
    if (vipsRan)
        Print("vipsthumbnail (default)", vips);
    std::printf("time all jobs / 1 job        %.3f (goal <= 0.55 on 2 cores)\n", many.Seconds / one.Seconds);
    std::printf("time 2 jobs / 1 job          %.3f\n", two.Seconds / one.Seconds);
    if (vipsRan)
        std::printf("time all jobs / vipsthumbnail %.3f (goal <= 0.75)\n", many.Seconds / vips.Seconds);
    else
        std::printf("vipsthumbnail did not run (apt-get install libvips-tools)\n");
    return 0;
}
