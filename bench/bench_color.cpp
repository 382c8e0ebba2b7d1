// Speed of the colour stages on a fixed synthetic 6000 × 4000 picture (24 Mpx) of pseudo-random bytes, which denies
// the HSB tables any help from repeated colours. The yardstick is one in-place read-and-write pass over the same
// bytes. The argument is the number of threads. Every iteration starts from the same picture; restoring it is not
// timed.
//   bench_color --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "base/Parallel.h"
#include "imaging/BMP_File.h"
#include "imaging/ColorStages.h"
#include "imaging/ColorSweep.h"
#include "imaging/CpuLevel.h"

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;

const BMP_File& Source() {
    static const BMP_File source = [] {
        BMP_File picture;
        if (!picture.Create(kWidth, kHeight)) return picture;
        auto* bytes = reinterpret_cast<std::uint8_t*>(picture.Data());
        std::uint64_t state = 0x9E3779B97F4A7C15u;
        for (std::size_t i = 0; i < picture.PixelCount() * 3; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            bytes[i] = static_cast<std::uint8_t>(state >> 24);
        }
        return picture;
    }();
    return source;
}

template <typename Stage>
void Run(benchmark::State& state, Stage&& stage) {
    const int threads = static_cast<int>(state.range(0));
    BMP_File picture;
    if (!picture.CopyFrom(Source())) {
        state.SkipWithError("no memory for the picture");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(picture.Data(), Source().Data(), picture.PixelCount() * sizeof(Pixel));
        state.ResumeTiming();
        stage(picture, threads);
        benchmark::DoNotOptimize(picture.Data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(picture.PixelCount()));
}

// The stages go through ColorPass, at the best processor level of this machine; the *Portable variants show
// what a processor without AVX2 or AVX-512 gets.

// The yardstick: every byte read, changed and written back once, on the same bands of rows as the stages.
void BM_ReadWritePass(benchmark::State& state) {
    Run(state, [](BMP_File& picture, int threads) {
        ParallelRows(picture.Height(), static_cast<std::int64_t>(picture.PixelCount()), threads,
                     [&](std::int32_t begin, std::int32_t end) {
                         auto* bytes = reinterpret_cast<std::uint8_t*>(picture.Row(begin));
                         const std::size_t count = static_cast<std::size_t>(end - begin) * picture.Width() * 3;
                         for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(bytes[i] ^ 0x5A);
                     });
    });
}

void BM_GreyScale(benchmark::State& state) {
    Run(state, [](BMP_File& picture, int threads) { GreyScaleStage(picture, threads); });
}

void BM_InvertGreen(benchmark::State& state) {
    Run(state, [](BMP_File& picture, int threads) { InvertStage(picture, 1, threads); });
}

void BM_Hsb(benchmark::State& state) {
    Run(state, [](BMP_File& picture, int threads) { HsbStage(picture, 63, 41, 57, threads); });
}

void BM_HsbNeutral(benchmark::State& state) {
    Run(state, [](BMP_File& picture, int threads) { HsbStage(picture, 50, 50, 50, threads); });
}

void BM_Contrast(benchmark::State& state) {
    Run(state, [](BMP_File& picture, int threads) { ContrastStage(picture, 70, 30, 55, threads); });
}

void BM_Brightness(benchmark::State& state) {
    Run(state, [](BMP_File& picture, int threads) { BrightnessStage(picture, 41, 69, 82, threads); });
}

// Every colour stage on, in one sweep, as the chain runs them.
void BM_ColorPassAll(benchmark::State& state) {
    ColorOps ops;
    ops.greyScale = false;
    ops.invertRed = ops.invertGreen = ops.invertBlue = true;
    ops.hsb = true;
    ops.hue = 63;
    ops.saturation = 41;
    ops.hsbBrightness = 57;
    ops.contrast = true;
    ops.contrastRed = 70;
    ops.contrastGreen = 30;
    ops.contrastBlue = 55;
    ops.brightness = true;
    ops.brightRed = 41;
    ops.brightGreen = 69;
    ops.brightBlue = 82;
    Run(state, [&](BMP_File& picture, int threads) { ColorPass(picture, ops, threads); });
}

// The same with grey scale on as well (HSB then sees greys only).
void BM_ColorPassAllWithGrey(benchmark::State& state) {
    ColorOps ops;
    ops.greyScale = true;
    ops.invertRed = ops.invertGreen = ops.invertBlue = true;
    ops.hsb = true;
    ops.hue = 63;
    ops.saturation = 41;
    ops.hsbBrightness = 57;
    ops.contrast = true;
    ops.contrastRed = 70;
    ops.contrastGreen = 30;
    ops.contrastBlue = 55;
    ops.brightness = true;
    ops.brightRed = 41;
    ops.brightGreen = 69;
    ops.brightBlue = 82;
    Run(state, [&](BMP_File& picture, int threads) { ColorPass(picture, ops, threads); });
}

void BM_GreyScalePortable(benchmark::State& state) {
    ColorOps ops;
    ops.greyScale = true;
    Run(state, [&](BMP_File& picture, int threads) { ColorSweep(picture, ops, threads, CpuLevel::Portable); });
}

void BM_ContrastPortable(benchmark::State& state) {
    ColorOps ops;
    ops.contrast = true;
    ops.contrastRed = 70;
    ops.contrastGreen = 30;
    ops.contrastBlue = 55;
    Run(state, [&](BMP_File& picture, int threads) { ColorSweep(picture, ops, threads, CpuLevel::Portable); });
}

void BM_HsbPortable(benchmark::State& state) {
    ColorOps ops;
    ops.hsb = true;
    ops.hue = 63;
    ops.saturation = 41;
    ops.hsbBrightness = 57;
    Run(state, [&](BMP_File& picture, int threads) { ColorSweep(picture, ops, threads, CpuLevel::Portable); });
}

void BM_HsbAvx2(benchmark::State& state) {
    if (BestCpuLevel() < CpuLevel::Avx2) {
        state.SkipWithError("no AVX2 here");
        return;
    }
    ColorOps ops;
    ops.hsb = true;
    ops.hue = 63;
    ops.saturation = 41;
    ops.hsbBrightness = 57;
    Run(state, [&](BMP_File& picture, int threads) { ColorSweep(picture, ops, threads, CpuLevel::Avx2); });
}

void Threads(benchmark::internal::Benchmark* bench) {
    bench->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

BENCHMARK(BM_ReadWritePass)->Apply(Threads);
BENCHMARK(BM_GreyScale)->Apply(Threads);
BENCHMARK(BM_InvertGreen)->Apply(Threads);
BENCHMARK(BM_Contrast)->Apply(Threads);
BENCHMARK(BM_Brightness)->Apply(Threads);
BENCHMARK(BM_Hsb)->Apply(Threads);
BENCHMARK(BM_HsbNeutral)->Apply(Threads);
BENCHMARK(BM_ColorPassAll)->Apply(Threads);
BENCHMARK(BM_ColorPassAllWithGrey)->Apply(Threads);
BENCHMARK(BM_GreyScalePortable)->Apply(Threads);
BENCHMARK(BM_ContrastPortable)->Apply(Threads);
BENCHMARK(BM_HsbPortable)->Apply(Threads);
BENCHMARK(BM_HsbAvx2)->Apply(Threads);
