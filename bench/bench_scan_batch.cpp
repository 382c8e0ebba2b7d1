// Speed of a feeder batch: ten A4 pages at 300 dpi from SANE's test backend, slowed down to a scanner's pace with its
// read delay, once only read (the backend's own reading time) and once corrected with the sample profile at full size
// and written as PNG, the way `lumivane-cli scan --batch` does (correcting and writing overlap the next page's
// reading). The target: the second within the first plus 20%.
//   build/bench/bench_scan_batch --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "acquire/CTwainUtils.h"
#include "app/CLumivaneState.h"
#include "base/Parallel.h"
#include "bench/ScanBenchSupport.h"
#include "cli/ScanBatch.h"
#include "platform/ImageCodec.h"
#include "platform/SaneScanner.h"

#ifndef LUMIVANE_SOURCE_DIR
#define LUMIVANE_SOURCE_DIR "."
#endif

namespace {

constexpr int kReadDelay = 15000;  // microseconds per buffer of 30 rows: about 1.8 s per A4 page, a scanner's pace

// One batch of the feeder's ten pages; a fresh SANE session each time (the feeder refills at start-up).
void RunBatch(benchmark::State& state, const PageCorrector& correct, const PageSink& sink) {
    benchsupport::UseSaneTestBackend(300, kReadDelay);
    for (auto _ : state) {
        CTwainUtils twain(std::make_shared<SaneScannerSystem>(), {});
        twain.SetScanArea(0, 0, 210, 297);  // A4, in millimetres
        auto device = twain.Select("test:0");
        bool feeder = false;
        if (!device->SelectFeeder(feeder).ok() || !feeder) std::abort();
        const ScanBatchResult result = RunScanBatch(twain, device, feeder, correct, sink, {});
        if (result.scanned != 10 || result.failed != 0) state.SkipWithError("the batch did not give ten pages");
        device.reset();
    }
}

void BM_BatchReadOnly(benchmark::State& state) {
    RunBatch(
        state,
        [](BMP_File&& scanned, BMP_File& corrected) {
            corrected = std::move(scanned);
            return Status::Ok();
        },
        [](int, const BMP_File&, Resolution) { return Status::Ok(); });
}

void BM_BatchCorrectedPng(benchmark::State& state) {
    CStrList profile;
    if (!profile.ReadFile(LUMIVANE_SOURCE_DIR "/resources/sample.qmx")) std::abort();
    const std::string folder = benchsupport::MakeFolder("lumivane-bench-batch");
    RunBatch(
        state,
        [&profile](BMP_File&& scanned, BMP_File& corrected) {
            CLumivaneState view;
            view.SetThreads(DefaultThreadCount());
            view.LoadConfigurationLines(profile);
            if (!view.ShowAcquiredImage(std::move(scanned))) return Status::Error("no memory");
            if (Status processed = view.Process(false); !processed) return processed;
            return corrected.CopyFrom(view.ProcessedImage()) ? Status::Ok() : Status::Error("no memory");
        },
        [&folder](int number, const BMP_File& corrected, Resolution) {
            return WriteImageFile(folder + "/page-" + std::to_string(number) + ".png", corrected, ImageFormat::Png);
        });
    std::filesystem::remove_all(folder);
}

BENCHMARK(BM_BatchReadOnly)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_BatchCorrectedPng)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
