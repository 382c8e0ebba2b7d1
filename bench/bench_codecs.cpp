// Speed of the image codecs on a fixed 6000 × 4000 photograph-like picture (smooth gradients with noise), beside the
// `vips` and ImageMagick `convert` commands doing the same job on the same files in the same run:
//
//   build/bench/bench_codecs --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// LUMIVANE_BENCH_PICTURE=FILE takes the picture from FILE (any format the program reads) instead, for instance a real
// photograph. The PNG entries then show how our files compare (file_MB) with ImageMagick's at its defaults
// (convert_PngEncodeDefaults, from a BMP) and how a PNG-to-PNG copy compares with `vips copy`.
//
// Files live in a private folder under /dev/shm when it exists (else the temporary folder), so that the disk does not
// set the pace. A command that is not installed has no entries. `convert` is looked for as /usr/bin/convert first,
// then on PATH; LUMIVANE_BENCH_CONVERT and LUMIVANE_BENCH_VIPS name other programs. peak_MB is the peak resident size:
// of the command for the external entries, of this whole process so far for ours (run one entry alone with
// --benchmark_filter for its own figure).

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "imaging/BMP_File.h"
#include "platform/GifPalette.h"
#include "platform/ImageCodec.h"

namespace {

constexpr std::int32_t kWidth = 6000;
constexpr std::int32_t kHeight = 4000;

// A landscape-like picture: a smooth sky of soft gradients above, a textured ground below (waves and a fine lattice
// of random values at a 3-pixel scale, like foliage), and a little sensor-like noise everywhere. Its JPEG at quality
// 75 takes about 2.7 MB, as a photograph of this size does. The same bytes on every run.
BMP_File PhotoLikePicture() {
    BMP_File picture;
    picture.Create(kWidth, kHeight);
    std::uint32_t state = 0x9E3779B9u;
    const auto noise = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<int>(state % 13) - 6;  // -6 .. 6
    };
    const auto lattice = [](int i, int j) {
        std::uint32_t h = static_cast<std::uint32_t>(i) * 73856093u ^ static_cast<std::uint32_t>(j) * 19349663u;
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        h ^= h >> 15;
        return static_cast<double>(h & 1023) / 1023.0 - 0.5;
    };
    const auto clamp = [](double v) { return static_cast<std::uint8_t>(std::lround(std::fmin(255, std::fmax(0, v)))); };
    for (std::int32_t y = 0; y < kHeight; ++y) {
        Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < kWidth; ++x) {
            const double fx = x / static_cast<double>(kWidth);
            const double fy = y / static_cast<double>(kHeight);
            const double sky = 0.5 + 0.5 * std::sin(3.1 * fx + 1.7 * fy);
            const double hill = 0.5 + 0.5 * std::cos(7.3 * fx * fy + 2.0 * fy);
            const double blob = std::exp(-((fx - 0.6) * (fx - 0.6) + (fy - 0.4) * (fy - 0.4)) * 18.0);
            const double waves =
                14 * std::sin(x * 0.031 + 3 * std::sin(y * 0.011)) * std::sin(y * 0.047 + 2 * std::sin(x * 0.007)) +
                7 * std::sin(x * 0.23 + y * 0.17) * std::cos(y * 0.19 - x * 0.05);
            const double gx = x / 3.0, gy = y / 3.0;
            const int ix = static_cast<int>(gx), iy = static_cast<int>(gy);
            const double ax = gx - ix, ay = gy - iy;
            const double foliage = (lattice(ix, iy) * (1 - ax) + lattice(ix + 1, iy) * ax) * (1 - ay) +
                                   (lattice(ix, iy + 1) * (1 - ax) + lattice(ix + 1, iy + 1) * ax) * ay;
            const double texture = fy > 0.45 ? waves + 70 * foliage : waves * 0.25;
            row[x] = Pixel{clamp(40 + 150 * sky * (1 - fy) + 60 * blob + texture + noise()),
                           clamp(60 + 120 * hill + 30 * blob + texture * 0.8 + noise()),
                           clamp(90 + 140 * (1 - hill) * fy + 80 * sky * (1 - blob) + texture * 0.5 + noise())};
        }
    }
    return picture;
}

// The private folder, removed with its files when the program ends.
class BenchFolder {
public:
    BenchFolder() {
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "lumivane-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        m_path = pattern;
        m_owner = ::getpid();
    }
    ~BenchFolder() {
        if (::getpid() != m_owner) return;  // a forked helper leaves it to the benchmark
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    pid_t m_owner = 0;
};

const std::string& Folder() {
    static const BenchFolder folder;
    return folder.Path();
}

std::string InFolder(const std::string& name) {
    return Folder() + "/" + name;
}

BMP_File ChosenPicture() {
    const char* path = std::getenv("LUMIVANE_BENCH_PICTURE");
    if (path == nullptr || *path == '\0') return PhotoLikePicture();
    BMP_File picture;
    if (const Status status = ReadImageFile(path, picture); !status) {
        std::fprintf(stderr, "bench_codecs: %s\n", status.message().c_str());
        std::exit(1);
    }
    return picture;
}

const BMP_File& Photo() {
    static const BMP_File photo = ChosenPicture();
    return photo;
}

bool Executable(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), X_OK) == 0;
}

std::string FindProgram(const char* override, const std::vector<std::string>& preferred, const std::string& name) {
    if (const char* given = std::getenv(override); given != nullptr && *given != '\0') return given;
    for (const std::string& path : preferred) {
        if (Executable(path)) return path;
    }
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (Executable(candidate)) return candidate;
        start = end + 1;
    }
    return "";
}

const std::string& Vips() {
    static const std::string path = FindProgram("LUMIVANE_BENCH_VIPS", {}, "vips");
    return path;
}

const std::string& Convert() {
    static const std::string path = FindProgram("LUMIVANE_BENCH_CONVERT", {"/usr/bin/convert"}, "convert");
    return path;
}

bool Run(const std::vector<std::string>& argv, double* peak);

// The input files, written once: ours as JPEG, PNG and GIF (what the decoders read), a PPM and a BMP for the commands,
// and for vips its own format, which it reads by mapping, so that its encodes start from pixels already in memory.
void EnsureFiles() {
    static const bool done = [] {
        const BMP_File& photo = Photo();
        for (const auto& [name, format] :
             {std::pair{"photo.jpg", ImageFormat::Jpeg}, std::pair{"photo.png", ImageFormat::Png},
              std::pair{"photo.gif", ImageFormat::Gif}, std::pair{"photo.bmp", ImageFormat::Bmp}}) {
            if (const Status written = WriteImageFile(InFolder(name), photo, format); !written) {
                std::fprintf(stderr, "%s\n", written.message().c_str());
                std::exit(1);
            }
        }
        std::ofstream ppm(InFolder("photo.ppm"), std::ios::binary);
        ppm << "P6\n" << photo.Width() << " " << photo.Height() << "\n255\n";
        ppm.write(reinterpret_cast<const char*>(photo.Data()), static_cast<std::streamsize>(photo.PixelCount() * 3));
        ppm.close();
        double peak = 0;
        if (!Vips().empty()) Run({Vips(), "copy", InFolder("photo.ppm"), InFolder("photo.v")}, &peak);
        return true;
    }();
    (void)done;
}

double PeakMegabytes(const rusage& usage) {
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Report(benchmark::State& state, const std::string& output) {
    struct stat info {};
    if (!output.empty() && ::stat(output.c_str(), &info) == 0) {
        state.counters["file_MB"] = static_cast<double>(info.st_size) / 1e6;
    }
}

// --- ours -------------------------------------------------------------------------------------------------------

void Encode(benchmark::State& state, ImageFormat format) {
    EnsureFiles();
    const std::string output = InFolder(std::string("ours") + ExtensionOf(format));
    for (auto _ : state) {
        const Status status = WriteImageFile(output, Photo(), format);
        if (!status) state.SkipWithError(status.message().c_str());
    }
    Report(state, output);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = PeakMegabytes(usage);
}

void Decode(benchmark::State& state, const char* name) {
    EnsureFiles();
    BMP_File picture;
    for (auto _ : state) {
        const Status status = ReadImageFile(InFolder(name), picture);
        if (!status) state.SkipWithError(status.message().c_str());
        benchmark::DoNotOptimize(picture.Data());
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = PeakMegabytes(usage);
}

void BM_JpegEncode(benchmark::State& state) {
    Encode(state, ImageFormat::Jpeg);
}
void BM_JpegDecode(benchmark::State& state) {
    Decode(state, "photo.jpg");
}
void BM_PngEncode(benchmark::State& state) {
    Encode(state, ImageFormat::Png);
}
void BM_PngDecode(benchmark::State& state) {
    Decode(state, "photo.png");
}
// A PNG file read and written again, as `vips copy` does.
void BM_PngCopy(benchmark::State& state) {
    EnsureFiles();
    const std::string output = InFolder("ours-copy.png");
    BMP_File picture;
    for (auto _ : state) {
        Status status = ReadImageFile(InFolder("photo.png"), picture);
        if (status) status = WriteImageFile(output, picture, ImageFormat::Png);
        if (!status) state.SkipWithError(status.message().c_str());
    }
    Report(state, output);
}
void BM_GifEncode(benchmark::State& state) {
    Encode(state, ImageFormat::Gif);
}
void BM_GifDecode(benchmark::State& state) {
    Decode(state, "photo.gif");
}

// The colour table alone, to see where the time of a GIF goes.
void BM_GifPalette(benchmark::State& state) {
    for (auto _ : state) {
        IndexedPicture indexed;
        BuildIndexedPicture(Photo(), indexed, 2);
        benchmark::DoNotOptimize(indexed.indexes.get());
    }
}

BENCHMARK(BM_JpegEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PngCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifEncode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GifPalette)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- the commands -----------------------------------------------------------------------------------------------

// Starts argv with its output thrown away and waits for it; false when it fails. *peak gets its peak resident size.
bool RunHere(const std::vector<std::string>& argv, double* peak) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child) return false;
    *peak = PeakMegabytes(usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ReadFully(int fd, void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::read(fd, bytes, size);
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteFully(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(fd, bytes, size);
        if (put <= 0) return false;
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// A small process, forked at start-up while this one is still small, that starts the commands. A command forked
// from this process once it holds the picture would count the picture in its own peak resident size. Requests are
// the arguments joined by NUL bytes after their length; replies are whether the command succeeded and its peak.
class Launcher {
public:
    Launcher() {
        int requests[2], replies[2];
        if (::pipe(requests) != 0 || ::pipe(replies) != 0) return;
        const pid_t child = ::fork();
        if (child < 0) return;
        if (child == 0) {
            ::close(requests[1]);
            ::close(replies[0]);
            Serve(requests[0], replies[1]);
            ::_exit(0);
        }
        ::close(requests[0]);
        ::close(replies[1]);
        m_requests = requests[1];
        m_replies = replies[0];
    }

    bool Run(const std::vector<std::string>& argv, double* peak) {
        if (m_requests < 0) return RunHere(argv, peak);
        std::string joined;
        for (const std::string& arg : argv) joined += arg + '\0';
        const std::uint32_t length = static_cast<std::uint32_t>(joined.size());
        struct {
            std::int32_t ok;
            double peak;
        } reply{};
        if (!WriteFully(m_requests, &length, sizeof length) || !WriteFully(m_requests, joined.data(), joined.size()) ||
            !ReadFully(m_replies, &reply, sizeof reply)) {
            return false;
        }
        *peak = std::max(*peak, reply.peak);
        return reply.ok != 0;
    }

private:
    static void Serve(int requests, int replies) {
        for (;;) {
            std::uint32_t length = 0;
            if (!ReadFully(requests, &length, sizeof length)) return;  // the benchmark has ended
            std::string joined(length, '\0');
            if (!ReadFully(requests, joined.data(), length)) return;
            std::vector<std::string> argv;
            for (std::size_t start = 0; start < joined.size();) {
                const std::size_t end = joined.find('\0', start);
                argv.push_back(joined.substr(start, end - start));
                start = end + 1;
            }
            struct {
                std::int32_t ok;
                double peak;
            } reply{};
            reply.ok = RunHere(argv, &reply.peak) ? 1 : 0;
            if (!WriteFully(replies, &reply, sizeof reply)) return;
        }
    }

    int m_requests = -1;
    int m_replies = -1;
};

Launcher& CommandLauncher() {
    static Launcher launcher;
    return launcher;
}

bool Run(const std::vector<std::string>& argv, double* peak) {
    return CommandLauncher().Run(argv, peak);
}

void RegisterCommand(const std::string& name, std::vector<std::string> argv, std::string output) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [argv, output](benchmark::State& state) {
                                     EnsureFiles();
                                     double peak = 0;
                                     for (auto _ : state) {
                                         if (!Run(argv, &peak))
                                             state.SkipWithError(("the command failed: " + argv[0]).c_str());
                                     }
                                     Report(state, output);
                                     state.counters["peak_MB"] = peak;
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

const bool kCommandsRegistered = [] {
    CommandLauncher();  // now, while this process is small
    const std::string folder = Folder();
    const std::string& vips = Vips();
    const std::string& convert = Convert();
    const std::string photo = folder + "/photo";
    if (!vips.empty()) {
        const std::string native = photo + ".v";
        // Starting the program and doing nothing: the part of each command's time that is not the codec's.
        RegisterCommand("vips_Startup", {vips, "--version"}, "");
        RegisterCommand("vips_JpegEncode", {vips, "jpegsave", native, folder + "/vips.jpg", "--Q", "75"},
                        folder + "/vips.jpg");
        RegisterCommand("vips_JpegDecode", {vips, "avg", photo + ".jpg"}, "");
        RegisterCommand("vips_PngEncode", {vips, "pngsave", native, folder + "/vips.png", "--compression", "6"},
                        folder + "/vips.png");
        RegisterCommand("vips_PngDecode", {vips, "avg", photo + ".png"}, "");
        RegisterCommand("vips_PngCopy", {vips, "copy", photo + ".png", folder + "/vips-copy.png"},
                        folder + "/vips-copy.png");
        RegisterCommand("vips_GifEncode", {vips, "gifsave", native, folder + "/vips.gif"}, folder + "/vips.gif");
    }
    if (!convert.empty()) {
        RegisterCommand("convert_Startup", {convert, "-version"}, "");
        RegisterCommand("convert_JpegEncode", {convert, photo + ".ppm", "-quality", "75", folder + "/convert.jpg"},
                        folder + "/convert.jpg");
        RegisterCommand("convert_JpegDecode", {convert, photo + ".jpg", "null:"}, "");
        RegisterCommand("convert_PngEncode",
                        {convert, photo + ".ppm", "-define", "png:compression-level=6", folder + "/convert.png"},
                        folder + "/convert.png");
        RegisterCommand("convert_PngEncodeDefaults", {convert, photo + ".bmp", folder + "/convert-defaults.png"},
                        folder + "/convert-defaults.png");
        RegisterCommand("convert_PngDecode", {convert, photo + ".png", "null:"}, "");
        RegisterCommand("convert_GifEncode", {convert, photo + ".ppm", folder + "/convert.gif"},
                        folder + "/convert.gif");
    }
    return true;
}();

}  // namespace
