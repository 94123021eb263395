// Cost of one thumbnail against what the JPEG library alone needs to decode
// the same photo at an eighth; the recipe should stay within 1.3 times that.

#include "JpegFixtures.h"
#include "Resample.h"
#include "ThumbnailRecipe.h"
#include "BitmapTools.h"

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

struct TPhoto {
    TTempDir Dir;
    std::string Path = Dir.File("photo.jpg");
    std::vector<uint8_t> Bytes;
    TPhoto()
    {
        Bytes = MakeTestJpeg(4000, 3000, TJpegKind::Baseline, 92);
        WriteBytes(Path, Bytes);
        std::printf("photo: 4000 x 3000, %zu bytes at quality 92\n", Bytes.size());
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
BENCHMARK(BM_Resample)->Args({500, 375, 200, 150})->Args({3000, 2000, 600, 400})->Unit(benchmark::kMillisecond);

// Remembers each benchmark's time per iteration so the ratio can be printed.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                Times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    struct TTimes {
        double Real, Cpu;
    };
    std::map<std::string, TTimes> Times;
};

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
    benchmark::Shutdown();
    return 0;
}
