// Speed of the geometric stages on the full-size workload: a 6000 × 4000 picture cropped to 5800 × 3800, resized to
// 5000 × 3500, one light over half of that, one quarter turn, and the preview scaling of 6000 × 4000 to the pane's
// 288 × 193. The argument is the number of threads. As in the chain, the scratch picture already holds a block of the
// right size, so no stage pays for fresh pages.
//   bench_geometry --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "imaging/BMP_File.h"
#include "imaging/ScaleNearest.h"
#include "imaging/StageCrop.h"
#include "imaging/StageLight.h"
#include "imaging/StageResize.h"
#include "imaging/StageRotate.h"

namespace {

// A fixed picture with smooth gradients and some texture; every byte is written, so every page is real.
BMP_File Synthetic(std::int32_t width, std::int32_t height) {
    BMP_File picture;
    picture.Create(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            row[x] = Pixel{static_cast<std::uint8_t>(x * 255 / width), static_cast<std::uint8_t>(y * 255 / height),
                           static_cast<std::uint8_t>((x ^ y) & 0xFF)};
        }
    }
    return picture;
}

// A scratch picture whose block holds `pixels` pixels, already touched.
BMP_File Scratch(std::int32_t width, std::int32_t height) {
    BMP_File scratch;
    scratch.Create(width, height);
    std::memset(static_cast<void*>(scratch.Data()), 1, scratch.PixelCount() * sizeof(Pixel));
    return scratch;
}

void SetPixels(benchmark::State& state, std::int64_t pixels) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * pixels);
}

void BM_Crop(benchmark::State& state) {
    const BMP_File original = Synthetic(6000, 4000);
    BMP_File image;
    image.CopyFrom(original);
    BMP_File scratch = Scratch(6000, 4000);
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        image.CopyFrom(original);
        state.ResumeTiming();
        CropStage(image, scratch, Rect{100, 100, 5900, 3900}, Size{6000, 4000}, threads);
        benchmark::DoNotOptimize(image.Data());
    }
    SetPixels(state, 5800 * 3800);
}

void BM_Resize(benchmark::State& state) {
    const BMP_File original = Synthetic(5800, 3800);
    BMP_File image;
    image.CopyFrom(original);
    BMP_File scratch = Scratch(5800, 3800);
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        image.CopyFrom(original);
        state.ResumeTiming();
        ResizeStage(image, scratch, 5000, 3500, threads);
        benchmark::DoNotOptimize(image.Data());
    }
    SetPixels(state, 5000 * 3500);
}

void BM_Light(benchmark::State& state) {
    BMP_File image = Synthetic(5000, 3500);
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        // The left half of the picture: the ellipse inscribed in a 2500 × 3500 rectangle.
        LightStage(image, Rect{0, 0, 2500, 3500}, Size{5000, 3500}, 255, 240, 200, threads);
        benchmark::DoNotOptimize(image.Data());
    }
    SetPixels(state, 2500 * 3500);
}

void BM_Rotate(benchmark::State& state) {
    BMP_File image = Synthetic(5000, 3500);
    BMP_File scratch = Scratch(5000, 3500);
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        RotateStage(image, scratch, 1, threads);
        benchmark::DoNotOptimize(image.Data());
    }
    SetPixels(state, 5000 * 3500);
}

void BM_PreviewScale(benchmark::State& state) {
    const BMP_File original = Synthetic(6000, 4000);
    BMP_File preview;
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ScaleNearest(original, preview, 288, 193, threads);
        benchmark::DoNotOptimize(preview.Data());
    }
    SetPixels(state, 288 * 193);
}

}  // namespace

BENCHMARK(BM_Crop)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Resize)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Light)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rotate)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PreviewScale)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();
