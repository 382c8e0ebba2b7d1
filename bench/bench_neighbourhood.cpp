// Speed of the in-place neighbourhood stages (emboss, sharpen, blur) on fixed synthetic pictures of 6000 × 4000 and
// 5000 × 3500 pixels: smooth gradients with pseudo-random noise, so that neither the clamps nor the maxima always go
// one way. The arguments are width, height and, for blur, the box size. Every iteration starts from the same picture;
// restoring it is not timed. The process's peak resident memory is reported as a counter.
//   bench_neighbourhood --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <utility>

#include "imaging/BMP_File.h"
#include "imaging/StageBlur.h"
#include "imaging/StageEmboss.h"
#include "imaging/StageSharpen.h"

namespace {

BMP_File MakeSource(std::int32_t width, std::int32_t height) {
    BMP_File picture;
    if (!picture.Create(width, height)) return picture;
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    for (std::int32_t y = 0; y < height; ++y) {
        Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            const auto noise = static_cast<int>(state >> 58);  // 0 .. 63
            row[x].r = static_cast<std::uint8_t>((x * 255 / width + noise) & 255);
            row[x].g = static_cast<std::uint8_t>((y * 255 / height + noise) & 255);
            row[x].b = static_cast<std::uint8_t>(((x + y) / 16 + 3 * noise) & 255);
        }
    }
    return picture;
}

const BMP_File& Source(std::int32_t width, std::int32_t height) {
    static std::map<std::pair<std::int32_t, std::int32_t>, BMP_File> sources;  // built once per size, never changed
    auto found = sources.find({width, height});
    if (found == sources.end()) found = sources.emplace(std::pair{width, height}, MakeSource(width, height)).first;
    return found->second;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

template <typename Stage>
void Run(benchmark::State& state, Stage&& stage) {
    const auto width = static_cast<std::int32_t>(state.range(0));
    const auto height = static_cast<std::int32_t>(state.range(1));
    const BMP_File& source = Source(width, height);
    BMP_File picture;
    if (source.IsEmpty() || !picture.CopyFrom(source)) {
        state.SkipWithError("no memory for the picture");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(picture.Data(), source.Data(), picture.PixelCount() * sizeof(Pixel));
        state.ResumeTiming();
        stage(picture);
        benchmark::DoNotOptimize(picture.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(picture.PixelCount()));
    state.counters["peak_MB"] = PeakMegabytes();
}

void BM_Emboss(benchmark::State& state) {
    Run(state, [](BMP_File& picture) { EmbossStage(picture); });
}

void BM_Sharpen(benchmark::State& state) {
    Run(state, [](BMP_File& picture) { SharpenStage(picture); });
}

void BM_Blur(benchmark::State& state) {
    const auto size = static_cast<std::int32_t>(state.range(2));
    Run(state, [size](BMP_File& picture) { BlurStage(picture, size); });
}

void Pictures(benchmark::internal::Benchmark* bench) {
    bench->Args({6000, 4000})->Args({5000, 3500});
}

void BlurSizes(benchmark::internal::Benchmark* bench) {
    for (const std::int64_t size : {3, 5, 15, 29}) {
        bench->Args({6000, 4000, size})->Args({5000, 3500, size});
    }
    // A window of half the picture: the window's row count changes on every row, the worst case for the
    // reciprocal tables. And the largest size a profile can hold.
    bench->Args({6000, 4000, 4001})->Args({6000, 4000, 2147483647});
}

BENCHMARK(BM_Emboss)->Apply(Pictures)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Sharpen)->Apply(Pictures)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Blur)->Apply(BlurSizes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
