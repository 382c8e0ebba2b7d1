// Speed of documents and TIFF files:
//
//   build/bench/bench_documents --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// - PdfTenA4Pages (ten 2480 × 3508 pages as JPEG into one PDF) beside TenA4JpegFiles (the same ten pictures as ten
//   JPEG files): the document should take at most 1.2 × the files.
// - TiffDeflateWrite beside PngWrite of one 6000 × 4000 picture: no slower, file_MB at most 5% larger.
// - TiffRead/lzw and /deflate beside Tiffcp/lzw and /deflate (`tiffcp -c none` of the same file, a process of its
//   own): at most 1.5 ×.
//
// The pictures are photograph-like (gradients, waves, a fine texture and noise), the same on every run. Files live in
// a private folder under /dev/shm when it exists, so that the disk does not set the pace.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "imaging/BMP_File.h"
#include "platform/DocumentWriter.h"
#include "platform/ImageCodec.h"

namespace {

BMP_File PhotoLike(std::int32_t width, std::int32_t height) {
    BMP_File picture;
    picture.Create(width, height);
    std::uint32_t state = 0x9E3779B9u;
    const auto noise = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<int>(state % 13) - 6;
    };
    const auto clamp = [](double v) { return static_cast<std::uint8_t>(std::lround(std::fmin(255, std::fmax(0, v)))); };
    for (std::int32_t y = 0; y < height; ++y) {
        Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const double fx = x / static_cast<double>(width), fy = y / static_cast<double>(height);
            const double sky = 0.5 + 0.5 * std::sin(3.1 * fx + 1.7 * fy);
            const double waves = 14 * std::sin(x * 0.031 + 3 * std::sin(y * 0.011)) * std::sin(y * 0.047) +
                                 7 * std::sin(x * 0.23 + y * 0.17) * std::cos(y * 0.19 - x * 0.05);
            const double texture = fy > 0.45 ? waves * 2 : waves * 0.25;
            row[x] = Pixel{clamp(40 + 150 * sky * (1 - fy) + texture + noise()),
                           clamp(60 + 120 * fx + texture * 0.8 + noise()),
                           clamp(90 + 140 * fy + 80 * sky + texture * 0.5 + noise())};
        }
    }
    return picture;
}

const std::string& Folder() {
    static const std::string folder = [] {
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "lumivane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Folder(), ignored);
        });
        return pattern;
    }();
    return folder;
}

std::string InFolder(const std::string& name) {
    return Folder() + "/" + name;
}

const BMP_File& A4() {
    static const BMP_File picture = PhotoLike(2480, 3508);
    return picture;
}

const BMP_File& Large() {
    static const BMP_File picture = PhotoLike(6000, 4000);
    return picture;
}

double FileMB(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<double>(info.st_size) / 1e6 : 0.0;
}

void Check(benchmark::State& state, const Status& status) {
    if (!status) state.SkipWithError(status.message().c_str());
}

void TenA4JpegFiles(benchmark::State& state) {
    const BMP_File& page = A4();
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i) {
            Check(state, WriteImageFile(InFolder("page" + std::to_string(i) + ".jpg"), page, ImageFormat::Jpeg));
        }
    }
}
BENCHMARK(TenA4JpegFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void PdfTenA4Pages(benchmark::State& state) {
    const BMP_File& page = A4();
    for (auto _ : state) {
        DocumentWriter document(InFolder("ten.pdf"), ImageFormat::Pdf, PdfOptions{}, 0);
        for (int i = 0; i < 10; ++i) Check(state, document.AddPage(page, Resolution{300, 300}));
        Check(state, document.Finish());
    }
    state.counters["file_MB"] = FileMB(InFolder("ten.pdf"));
}
BENCHMARK(PdfTenA4Pages)->Unit(benchmark::kMillisecond)->UseRealTime();

void PngWrite(benchmark::State& state) {
    for (auto _ : state) Check(state, WriteImageFile(InFolder("large.png"), Large(), ImageFormat::Png));
    state.counters["file_MB"] = FileMB(InFolder("large.png"));
}
BENCHMARK(PngWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void TiffDeflateWrite(benchmark::State& state) {
    for (auto _ : state) Check(state, WriteImageFile(InFolder("large.tif"), Large(), ImageFormat::Tiff));
    state.counters["file_MB"] = FileMB(InFolder("large.tif"));
}
BENCHMARK(TiffDeflateWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The large picture as tiffcp writes it with the compression named by the argument (0 LZW, 1 Deflate).
const std::string& Compressed(int which) {
    static const std::array<std::string, 2> files = [] {
        const std::string ours = InFolder("ours.tif");
        if (!WriteImageFile(ours, Large(), ImageFormat::Tiff)) std::abort();
        const std::string lzw = InFolder("lzw.tif"), zip = InFolder("zip.tif");
        if (std::system(("tiffcp -c lzw:2 " + ours + " " + lzw).c_str()) != 0 ||
            std::system(("tiffcp -c zip:2 " + ours + " " + zip).c_str()) != 0) {
            std::fprintf(stderr, "bench_documents: tiffcp is needed\n");
            std::exit(1);
        }
        return std::array<std::string, 2>{lzw, zip};
    }();
    return files[which];
}

void TiffRead(benchmark::State& state) {
    const std::string& file = Compressed(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        BMP_File picture;
        Check(state, ReadImageFile(file, picture));
        benchmark::DoNotOptimize(picture.Data());
    }
}
BENCHMARK(TiffRead)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"deflate_1"})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void Tiffcp(benchmark::State& state) {
    const std::string command =
        "tiffcp -c none " + Compressed(static_cast<int>(state.range(0))) + " " + InFolder("plain.tif");
    const auto childSeconds = [] {
        rusage usage{};
        ::getrusage(RUSAGE_CHILDREN, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double before = childSeconds();
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("tiffcp failed");
    }
    // The processor time of tiffcp itself, per run: a loaded machine stretches the real time of both sides alike.
    state.counters["tiffcp_cpu_ms"] = (childSeconds() - before) * 1000.0 / static_cast<double>(state.iterations());
}
BENCHMARK(Tiffcp)->Arg(0)->Arg(1)->ArgNames({"deflate_1"})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
