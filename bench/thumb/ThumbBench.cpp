// Cost of one thumbnail against what the JPEG library alone needs to decode
// the same photo at an eighth; the recipe should stay within 1.3 times that.
// Carrying a photo's colour profile should cost under 1 % of the recipe.

#include "JpegCodec.h"
#include "JpegFixtures.h"
#include "Resample.h"
#include "ThumbnailRecipe.h"
#include "BitmapTools.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

// The size of a typical Display P3 profile.
constexpr size_t TaggedProfileBytes = 588;

struct TPhoto {
    TTempDir Dir;
    std::string Path = Dir.File("photo.jpg");
    std::string TaggedPath = Dir.File("tagged.jpg");
    std::vector<uint8_t> Bytes;
    std::vector<uint8_t> TaggedBytes;  // the same picture with a profile
    TPhoto()
    {
        Bytes = MakeTestJpeg(4000, 3000, TJpegKind::Baseline, 92);
        WriteBytes(Path, Bytes);
        TaggedBytes = MakeTaggedJpeg(4000, 3000, {IccChunk(1, 1, TestIccProfile(TaggedProfileBytes))},
                                     TJpegKind::Baseline, 92);
        WriteBytes(TaggedPath, TaggedBytes);
        std::printf("photo: 4000 x 3000, %zu bytes at quality 92; with a %zu-byte profile %zu bytes\n",
                    Bytes.size(), TaggedProfileBytes, TaggedBytes.size());
    }
};

TPhoto& Photo()
{
    static TPhoto photo;
    return photo;
}

void RenderAt200(benchmark::State& state, bool framed)
{
    TThumbnailSettings settings;
    settings.Framed = framed;
    TBitmap work;
    TMemoryStream stream;
    for (auto _ : state) {
        RenderThumbnailJpeg(Photo().Path, settings, work, stream);
        benchmark::DoNotOptimize(stream.Memory());
    }
}

void BM_RecipePlain(benchmark::State& state) { RenderAt200(state, false); }
void BM_RecipeFramed(benchmark::State& state) { RenderAt200(state, true); }

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Times untagged and tagged work turn about, so a change in the machine's
// load falls on both alike; counters give each one's CPU time per run.
struct TPairedTimes {
    double Untagged = 0, Tagged = 0;
    int64_t Runs = 0;
    void Add(const std::function<void()>& untagged, const std::function<void()>& tagged)
    {
        const bool taggedFirst = Runs++ % 2;
        for (int turn = 0; turn < 2; ++turn) {
            const bool isTagged = (turn == 0) == taggedFirst;
            const double start = ThreadCpuSeconds();
            (isTagged ? tagged : untagged)();
            (isTagged ? Tagged : Untagged) += ThreadCpuSeconds() - start;
        }
    }
    void Report(benchmark::State& state, const char* prefix, double unit) const
    {
        state.counters[std::string(prefix) + "untagged"] = Untagged / double(Runs) * unit;
        state.counters[std::string(prefix) + "tagged"] = Tagged / double(Runs) * unit;
    }
};

// The whole recipe, tagged photo against untagged, in milliseconds.
void BM_RecipeTaggedAgainstUntagged(benchmark::State& state)
{
    TThumbnailSettings settings;
    settings.Framed = state.range(0) != 0;
    TBitmap work;
    TMemoryStream stream;
    TPairedTimes times;
    for (auto _ : state)
        times.Add([&] { RenderThumbnailJpeg(Photo().Path, settings, work, stream); },
                  [&] { RenderThumbnailJpeg(Photo().TaggedPath, settings, work, stream); });
    times.Report(state, "ms_", 1e3);
}

// The profile's own work, in microseconds: the header read that puts it
// together, and the encode that writes it out.
void BM_ProfileWork(benchmark::State& state)
{
    auto thumbnail = NewBitmapSized(200, 150, clNone);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 600; ++x)
            thumbnail->ScanLine(y)[x] = static_cast<uint8_t>(x * 7 + y * 3);
    const std::vector<uint8_t> profile = TestIccProfile(TaggedProfileBytes);
    TJpegEncodeOptions plain, tagged;
    tagged.IccProfile = profile;
    auto header = [&](const std::vector<uint8_t>& bytes) {
        TJpegHeaderInfo info;
        if (ReadJpegHeader(bytes.data(), bytes.size(), info) != 0 || (info.IccProfile.empty() != (&bytes == &Photo().Bytes)))
            state.SkipWithError("header not read as expected");
    };
    std::vector<uint8_t> out;
    auto encode = [&](const TJpegEncodeOptions& options) {
        if (EncodeJpeg(*thumbnail, options, out) != 0)
            state.SkipWithError("not encoded");
    };
    TPairedTimes headers, encodes;
    for (auto _ : state) {
        headers.Add([&] { header(Photo().Bytes); }, [&] { header(Photo().TaggedBytes); });
        encodes.Add([&] { encode(plain); }, [&] { encode(tagged); });
    }
    headers.Report(state, "header_us_", 1e6);
    encodes.Report(state, "encode_us_", 1e6);
}

// The library's own work: decode the bytes already in memory at scale 1/8.
void BM_DecodeEighth(benchmark::State& state)
{
    const std::vector<uint8_t>& bytes = Photo().Bytes;
    std::vector<uint8_t> pixels;
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr err{};
        info.err = jpeg_std_error(&err);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        info.scale_num = 1;
        info.scale_denom = 8;
        info.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&info);
        const size_t stride = size_t(info.output_width) * 3;
        pixels.resize(stride * info.output_height);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.data() + stride * info.output_scanline;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
}

std::unique_ptr<TBitmap> Textured(int w, int h)
{
    auto b = NewBitmapSized(w, h, clNone);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = b->ScanLine(y);
        for (int x = 0; x < w; ++x) {
            uint8_t rgb[3];
            TestPatternPixel(w, h, x, y, rgb);
            p[x * 3] = rgb[2];
            p[x * 3 + 1] = rgb[1];
            p[x * 3 + 2] = rgb[0];
        }
    }
    return b;
}

void BM_Resample(benchmark::State& state)
{
    auto source = Textured(int(state.range(0)), int(state.range(1)));
    TBitmap target;
    for (auto _ : state) {
        ResampleBitmap(int(state.range(2)), int(state.range(3)), 5, 0, *source, target);
        benchmark::DoNotOptimize(target.ScanLine(0));
    }
}

BENCHMARK(BM_RecipePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecipeFramed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeEighth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecipeTaggedAgainstUntagged)->ArgName("framed")->Arg(0)->Arg(1)->MinTime(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProfileWork)->MinTime(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Resample)->Args({500, 375, 200, 150})->Args({3000, 2000, 600, 400})->Unit(benchmark::kMillisecond);

// Remembers each benchmark's time per iteration so the ratio can be printed.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                Times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
                // Keyed without the min_time part of the name.
                const std::string args = run.run_name.args.empty() ? "" : "/" + run.run_name.args;
                for (const auto& [name, counter] : run.counters)
                    Counters[run.run_name.function_name + args + "." + name] = counter.value;
            }
        ConsoleReporter::ReportRuns(runs);
    }
    struct TTimes {
        double Real, Cpu;
    };
    std::map<std::string, TTimes> Times;
    std::map<std::string, double> Counters;
    double Counter(const std::string& name) const
    {
        const auto c = Counters.find(name);
        return c == Counters.end() ? 0 : c->second;
    }
};

void PrintProfileCost(const TRatioReporter& r)
{
    for (const char* framed : {"0", "1"}) {
        const std::string name = std::string("BM_RecipeTaggedAgainstUntagged/framed:") + framed;
        const double untagged = r.Counter(name + ".ms_untagged"), tagged = r.Counter(name + ".ms_tagged");
        if (untagged > 0)
            std::printf("recipe %s: untagged %.2f ms, tagged %.2f ms CPU, %+.2f %%\n", *framed == '1' ? "framed" : "plain",
                        untagged, tagged, (tagged / untagged - 1) * 100);
    }
    const double recipe = r.Counter("BM_RecipeTaggedAgainstUntagged/framed:0.ms_untagged") * 1e3;
    const std::string work = "BM_ProfileWork.";
    const double header = r.Counter(work + "header_us_tagged") - r.Counter(work + "header_us_untagged");
    const double encode = r.Counter(work + "encode_us_tagged") - r.Counter(work + "encode_us_untagged");
    if (recipe > 0 && r.Counters.count(work + "header_us_tagged"))
        std::printf("profile of %zu bytes: header %+.2f us, encode %+.2f us, together %.3f %% of the plain recipe "
                    "(goal < 1 %%)\n", TaggedProfileBytes, header, encode, (header + encode) / recipe * 100);
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Photo();
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto decode = reporter.Times.find("BM_DecodeEighth");
    if (decode != reporter.Times.end() && decode->second.Real > 0 && decode->second.Cpu > 0)
        for (const char* name : {"BM_RecipePlain", "BM_RecipeFramed"}) {
            const auto recipe = reporter.Times.find(name);
            if (recipe != reporter.Times.end())
                std::printf("ratio %s / BM_DecodeEighth: %.3f wall, %.3f CPU (goal <= 1.3)\n", name,
                            recipe->second.Real / decode->second.Real, recipe->second.Cpu / decode->second.Cpu);
        }
    PrintProfileCost(reporter);
    benchmark::Shutdown();
    return 0;
}
