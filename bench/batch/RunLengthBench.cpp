// Whether a long run costs more per photo than a short one: batch runs of
// 100 and of 3000 small photos (640 x 480) into a new archive, each a child
// process, every job count the machine has. Goal: the long run costs at
// most 1.1 times per photo what the short one does. Also the blocks each
// run wrote (ru_oublock) per photo.

#include "BenchBatchHost.h"
#include "JpegFixtures.h"
#include "Processors.h"


#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int Distinct = 4;

struct TFigures {
    double Seconds = 0;
    double WrittenMiB = 0;
};

// A few distinct small photos linked under `count` names, in a folder on disk.
std::vector<std::string> Photos(const std::string& folder, int count)
{
    std::vector<std::string> sources;
    for (int k = 0; k < Distinct; ++k) {
        sources.push_back(folder + "/source" + std::to_string(k) + ".jpg");
        WriteTestJpeg(sources.back(), k % 2 ? 480 : 640, k % 2 ? 640 : 480);
    }
    return LinkedPictures(folder, sources, count);
}

TFigures Run(const std::string& archive, const std::vector<std::string>& photos)
{
    const TChildRun run = BatchInChild(archive, photos, OnlineProcessorCount());
    return {run.Seconds, static_cast<double>(run.Usage.ru_oublock) * 512 / (1 << 20)};
}

} // namespace

int main()
{
    const TBenchFolder scratch("plk-runlength");
    const std::string& folder = scratch.Path();
    const std::vector<std::string> all = Photos(folder, 3000);
    const std::vector<std::string> some(all.begin(), all.begin() + 100);
    const std::string archive = folder + "/thumbs.zip";
    Run(archive, some);  // warms the page cache
    const TFigures shortRun = Run(archive, some);
    const TFigures longRun = Run(archive, all);

    const double shortPer = 1000 * shortRun.Seconds / 100;
    const double longPer = 1000 * longRun.Seconds / 3000;
    std::printf("photos of 640 x 480 at 200 px, %d jobs\n", OnlineProcessorCount());
    std::printf("run of  100: %7.2f s  %6.2f ms/photo  %7.1f MiB written  %6.1f KiB/photo\n", shortRun.Seconds,
                shortPer, shortRun.WrittenMiB, 1024 * shortRun.WrittenMiB / 100);
    std::printf("run of 3000: %7.2f s  %6.2f ms/photo  %7.1f MiB written  %6.1f KiB/photo\n", longRun.Seconds,
                longPer, longRun.WrittenMiB, 1024 * longRun.WrittenMiB / 3000);
    std::printf("per photo, 3000 against 100: %.2f (goal: at most 1.1)\n", longPer / shortPer);
    return 0;
}
