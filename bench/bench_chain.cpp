// The whole chain through the shared state, as Save runs it (full size) and as a tracker drag runs it (preview):
//   bench_chain --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// Workload: a fixed synthetic 6000 × 4000 photograph-like picture with every stage on: crop to most of it, resize to
// 5000 × 3500, emboss, sharpen, grey, the three inversions, hue/saturation/brightness away from 50, contrast,
// brightness, blur 29, three lights each over half the picture, one quarter turn.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "app/CLumivaneState.h"
#include "base/Parallel.h"

namespace {

BMP_File Photograph(std::int32_t width, std::int32_t height) {
    BMP_File picture;
    picture.Create(width, height);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> grain(-8, 8);
    for (std::int32_t y = 0; y < height; ++y) {
        Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const double fx = static_cast<double>(x) / width;
            const double fy = static_cast<double>(y) / height;
            const int n = grain(random);
            const auto clamp = [](double v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
            row[x] = Pixel{clamp(120 + 100 * std::sin(fx * 7) * fy + n), clamp(90 + 120 * fx + n),
                           clamp(200 - 150 * fy + 30 * std::cos(fx * 13) + n)};
        }
    }
    return picture;
}

void EverythingOn(CLumivaneState& state) {
    ProcessingSettings& s = state.m_settings;
    s.m_bCrop = 1;
    s.m_rcCrop = Rect{5, 5, 283, 188};
    s.m_bResize = 1;
    s.m_bEmboss = 1;
    s.m_bSharpen = 1;
    s.m_bGrayScale = 1;
    s.m_bInvertR = s.m_bInvertG = s.m_bInvertB = 1;
    s.m_bHSB = 1;
    s.m_nHue = 62;
    s.m_nSaturation = 35;
    s.m_nBrightness = 58;
    s.m_bContrast = 1;
    s.m_nContrastR = 70;
    s.m_nContrastG = 40;
    s.m_nContrastB = 55;
    s.m_bBrightness = 1;
    s.m_nBrightR = 45;
    s.m_nBrightG = 57;
    s.m_nBrightB = 60;
    s.m_bBlur = 1;
    s.m_nBlurSize = 29;
    s.m_bLight1 = s.m_bLight2 = s.m_bLight3 = 1;
    s.m_rcLight1 = Rect{0, 0, 144, 193};    // left half
    s.m_rcLight2 = Rect{144, 0, 288, 193};  // right half
    s.m_rcLight3 = Rect{0, 48, 288, 145};   // middle half
    s.m_nLightColor[0][0] = 255, s.m_nLightColor[0][1] = 240, s.m_nLightColor[0][2] = 200;
    s.m_nLightColor[1][0] = 40, s.m_nLightColor[1][1] = 60, s.m_nLightColor[1][2] = 90;
    state.SetRotation(1);
}

const BMP_File& SharedPhotograph() {
    static const BMP_File picture = Photograph(6000, 4000);
    return picture;
}

void FullChain(benchmark::State& bench) {
    CLumivaneState state;
    state.SetThreads(static_cast<int>(bench.range(0)));
    EverythingOn(state);
    state.m_settings.m_nSizeX = 5000;
    state.m_settings.m_nSizeY = 3500;
    BMP_File picture;
    picture.CopyFrom(SharedPhotograph());
    state.ShowAcquiredImage(std::move(picture));
    state.ProcessImage(false);  // the first full run takes the buffers; Save reuses them
    for (auto _ : bench) {
        state.ProcessImage(false);
        benchmark::DoNotOptimize(state.ProcessedImage().Data());
    }
    bench.counters["width"] = state.ProcessedImage().Width();
}
BENCHMARK(FullChain)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void PreviewChain(benchmark::State& bench) {
    CLumivaneState state;
    state.SetThreads(DefaultThreadCount());
    EverythingOn(state);  // resize stays at its default 400 × 300
    BMP_File picture;
    picture.CopyFrom(SharedPhotograph());
    state.ShowAcquiredImage(std::move(picture));
    for (auto _ : bench) {
        state.ProcessImage(true);
        benchmark::DoNotOptimize(state.ProcessedImage().Data());
    }
}
BENCHMARK(PreviewChain)->Unit(benchmark::kMillisecond)->UseRealTime();

void ReadWritePass(benchmark::State& bench) {
    BMP_File picture;
    picture.CopyFrom(SharedPhotograph());
    auto* bytes = reinterpret_cast<std::uint8_t*>(picture.Data());
    const std::size_t count = picture.PixelCount() * 3;
    for (auto _ : bench) {
        for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(bytes[i] + 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ReadWritePass)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
