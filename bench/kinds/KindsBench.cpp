// Decode plus thumbnail for each kind of picture, one job, beside
// vipsthumbnail at one thread and Pillow's thumbnail() over the same files in
// the same run. Each run is a child process (the peers' start-up included);
// the best of three runs counts. Goal: no kind slower than 1.1 x
// vipsthumbnail; a HEIC holding a thumbnail image several times faster than
// one without.

#include "BenchBatchHost.h"
#include "DngFixture.h"
#include "JpegFixtures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int Copies = 8;
constexpr int Rounds = 3;

struct TKind {
    const char* Label;
    const char* File;
    bool Vips;    // vipsthumbnail reads it
    bool Pillow;  // Debian's Pillow reads it
};

const TKind Kinds[] = {
    {"JPEG", "photo.jpg", true, true},
    {"PNG", "photo.png", true, true},
    {"WebP (lossy)", "photo.webp", true, true},
    {"TIFF (deflate)", "photo.tif", true, true},
    {"HEIC", "photo.heic", true, false},
    {"HEIC with thumbnail", "photo_thumb.heic", true, false},
    {"AVIF", "photo.avif", true, false},
    {"DNG (preview)", "photo.dng", false, false},
    {"DNG (sensor data)", "sensor.dng", false, false},
};

// Pillow's own way to a 200 px JPEG: thumbnail() with its draft mode and
// reducing gap, then Lanczos, as a user of it would write.
constexpr const char* PillowScript = R"(import sys
from PIL import Image
out = sys.argv[1]
for i, path in enumerate(sys.argv[2:]):
    with Image.open(path) as im:
        im.thumbnail((200, 200), Image.LANCZOS)
        im.convert('RGB').save('%s/%d.jpg' % (out, i), quality=90)
)";

bool MakePictures(const TTempDir& dir)
{
    const std::string command = std::string("/usr/bin/python3 '") + PLK_PICTURE_FIXTURES_SCRIPT + "' bench '" +
                                dir.Path() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return false;
    TDngContents dng;
    dng.SensorWidth = 3000;
    dng.SensorHeight = 2000;
    dng.Preview = MakeTestJpeg(1620, 1080, TJpegKind::Baseline, 85);
    dng.PreviewWidth = 1620;
    dng.PreviewHeight = 1080;
    WriteBytes(dir.File("photo.dng"), MakeTestDng(dng));
    dng.Preview.clear();
    WriteBytes(dir.File("sensor.dng"), MakeTestDng(dng));
    return true;
}

double Best(const std::vector<double>& runs)
{
    return *std::min_element(runs.begin(), runs.end());
}

double RunOurs(const TTempDir& dir, const std::vector<std::string>& list)
{
    std::vector<double> runs;
    for (int r = 0; r < Rounds; ++r) {
        ::unlink(dir.File("thumbs.zip").c_str());
        runs.push_back(BatchInChild(dir.File("thumbs.zip"), list, 1).Seconds);
    }
    return Best(runs);
}

void QuietStderr()
{
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0)
        ::dup2(null, STDERR_FILENO);
}

double RunVips(const TTempDir& dir, const std::vector<std::string>& list)
{
    const std::string out = dir.File("vips");
    ::mkdir(out.c_str(), 0700);
    std::vector<double> runs;
    for (int r = 0; r < Rounds; ++r)
        runs.push_back(InChild([&] {
                           ::setenv("VIPS_CONCURRENCY", "1", 1);
                           QuietStderr();  // it warns for every nclx colour it ignores
                           std::vector<std::string> args = {"vipsthumbnail", "-s", "200", "-o",
                                                            out + "/%s.jpg[Q=90]"};
                           args.insert(args.end(), list.begin(), list.end());
                           std::vector<char*> argv;
                           for (auto& a : args)
                               argv.push_back(a.data());
                           argv.push_back(nullptr);
                           ::execvp("vipsthumbnail", argv.data());
                           return 127;
                       }).Seconds);
    return Best(runs);
}

double RunPillow(const TTempDir& dir, const std::vector<std::string>& list)
{
    const std::string out = dir.File("pillow");
    ::mkdir(out.c_str(), 0700);
    std::vector<double> runs;
    for (int r = 0; r < Rounds; ++r)
        runs.push_back(InChild([&] {
                           std::vector<std::string> args = {"/usr/bin/python3", "-c", PillowScript, out};
                           args.insert(args.end(), list.begin(), list.end());
                           std::vector<char*> argv;
                           for (auto& a : args)
                               argv.push_back(a.data());
                           argv.push_back(nullptr);
                           ::execv(argv[0], argv.data());
                           return 127;
                       }).Seconds);
    return Best(runs);
}

// A peer's time per picture and our ratio to it, or why there is none.
std::string PeerColumns(bool reads, double ours, double (*run)(const TTempDir&, const std::vector<std::string>&),
                        const TTempDir& dir, const std::vector<std::string>& list)
{
    if (!reads)
        return "       -      -";
    try {
        const double peer = 1000.0 * run(dir, list) / Copies;
        char text[64];
        std::snprintf(text, sizeof text, "%8.1f %6.2f", peer, ours / peer);
        return text;
    } catch (const std::exception&) {
        return "  failed      -";
    }
}

}  // namespace

int main()
{
    const TTempDir dir;
    if (!MakePictures(dir)) {
        std::printf("the pictures cannot be made here (python3 with Pillow, heif-enc)\n");
        return 1;
    }
    std::printf("%d copies of a 3000 x 2000 photo per kind at 200 px, one thread, best of %d\n", Copies, Rounds);
    std::printf("ms per picture; ratio = ours / peer; goal: ours / vips <= 1.1\n");
    std::printf("%-22s %8s %8s %6s %8s %6s\n", "kind", "ours", "vips", "ratio", "Pillow", "ratio");
    double heic = 0, heicThumb = 0;
    for (const TKind& kind : Kinds) {
        const std::string source = dir.File(kind.File);
        struct stat info{};
        if (::stat(source.c_str(), &info) != 0) {
            std::printf("%-22s (not made here)\n", kind.Label);
            continue;
        }
        const std::string folder = dir.File(std::string("list-") + kind.File);
        ::mkdir(folder.c_str(), 0700);
        const std::vector<std::string> list = LinkedPictures(folder, {source}, Copies);
        const double ours = 1000.0 * RunOurs(dir, list) / Copies;
        if (std::string(kind.File) == "photo.heic")
            heic = ours;
        if (std::string(kind.File) == "photo_thumb.heic")
            heicThumb = ours;
        const std::string vips = PeerColumns(kind.Vips, ours, RunVips, dir, list);
        const std::string pillow = PeerColumns(kind.Pillow, ours, RunPillow, dir, list);
        std::printf("%-22s %8.1f %s %s\n", kind.Label, ours, vips.c_str(), pillow.c_str());
    }
    if (heic > 0 && heicThumb > 0)
        std::printf("HEIC without / with a thumbnail image: %.1f x faster\n", heic / heicThumb);
    return 0;
}
