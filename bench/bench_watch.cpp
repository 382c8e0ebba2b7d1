// lumivane-cli watch as a service: the time from a 2-megapixel JPEG being closed in the watched folder to its result
// in the output folder, and the pictures per second with 2 jobs beside `apply --out-dir --jobs 2` on the same files.
//
//   build/bench/bench_watch --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The photograph is resources/sample.png scaled to 1732 x 1155 and saved as JPEG; the profile crops the margins,
// raises contrast and saturation, sharpens and lights one area. LUMIVANE_BENCH_PICTURES sets the size of the batch
// (default 500).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const char* kProfile =
    "\r\n[Settings]\r\nm_bCrop=1\r\nm_cBmpWndOriginal.m_bCrop=1\r\nm_cBmpWndOriginal.CroprcT=0.05\r\n"
    "m_cBmpWndOriginal.CroprcL=0.05\r\nm_cBmpWndOriginal.CroprcB=0.95\r\nm_cBmpWndOriginal.CroprcR=0.95\r\n"
    "m_bContrast=1\r\nm_nContrastR=60\r\nm_nContrastG=60\r\nm_nContrastB=60\r\nm_bHSB =1\r\nm_nSaturation=62\r\n"
    "m_bSharpen=1\r\nm_bLight1=1\r\n";

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Run(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return -1;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A folder with the profile and the photograph, removed at the end.
class Workspace {
public:
    Workspace() {
        std::string pattern = (fs::temp_directory_path() / "lumivane-bench-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        std::ofstream(File("p.qmx"), std::ios::binary) << kProfile;
        Run({LUMIVANE_CLI, "apply", "--set", "m_bResize=1", "--set", "m_nSizeX=1732", "--set", "m_nSizeY=1155",
             std::string(LUMIVANE_SOURCE_DIR) + "/resources/sample.png", "-o", File("photo.jpg")});
        m_photo = ReadBytes(File("photo.jpg"));
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }
    std::string File(const std::string& name) const { return m_root + "/" + name; }
    const std::string& Photo() const { return m_photo; }

    // A fresh empty folder.
    std::string Folder(const std::string& name) const {
        fs::remove_all(File(name));
        fs::create_directories(File(name));
        return File(name);
    }

private:
    std::string m_root;
    std::string m_photo;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    ::close(fd);
}

// The results appearing in a folder, told by inotify.
class Arrivals {
public:
    explicit Arrivals(const std::string& folder) : m_fd(::inotify_init1(IN_CLOEXEC)) {
        ::inotify_add_watch(m_fd, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~Arrivals() { ::close(m_fd); }
    // Waits for count more files whose names do not start with a dot; false after 120 s without one.
    bool Wait(std::size_t count) {
        alignas(struct inotify_event) char buffer[65536];
        while (count > 0) {
            struct pollfd wait = {m_fd, POLLIN, 0};
            if (::poll(&wait, 1, 120000) <= 0) return false;
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
                if (event->len > 0 && event->name[0] != '.' && count > 0) --count;
                at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            }
        }
        return true;
    }

private:
    int m_fd;
};

// A running watcher, stopped with SIGTERM at the end.
class Watcher {
public:
    Watcher(const Workspace& space, const std::string& in, const std::string& out) {
        std::vector<std::string> arguments = {LUMIVANE_CLI, "watch", in,       "--profile", space.File("p.qmx"),
                                              "--out-dir",  out,     "--jobs", "2"};
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const std::string log = space.File("watch.log");
        fs::remove(log);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        // Ready once it says it is watching.
        const auto end = Clock::now() + std::chrono::seconds(30);
        while (ReadBytes(log).find(" watching ") == std::string::npos && Clock::now() < end) {
            ::usleep(1000);
        }
    }
    ~Watcher() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

std::size_t BatchSize() {
    const char* text = std::getenv("LUMIVANE_BENCH_PICTURES");
    const long count = text != nullptr ? std::atol(text) : 0;
    return count > 0 ? static_cast<std::size_t>(count) : 500;
}

void BM_WatchLatency(benchmark::State& state) {
    Workspace space;
    const std::string in = space.Folder("in");
    const std::string out = space.Folder("out");
    Watcher watcher(space, in, out);
    Arrivals results(out);
    int i = 0;
    for (auto _ : state) {
        const std::string path = in + "/photo" + std::to_string(i++) + ".jpg";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (::write(fd, space.Photo().data(), space.Photo().size()) != static_cast<ssize_t>(space.Photo().size())) {
            state.SkipWithError("cannot write the photograph");
            break;
        }
        const auto start = Clock::now();
        ::close(fd);
        if (!results.Wait(1)) {
            state.SkipWithError("no result within 120 s");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_WatchLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The batch written beside the folders, then moved in at once (or handed to apply).
std::vector<std::string> StageBatch(const Workspace& space) {
    const std::string stage = space.Folder("stage");
    std::vector<std::string> files;
    for (std::size_t i = 0; i < BatchSize(); ++i) {
        files.push_back(stage + "/photo" + std::to_string(i) + ".jpg");
        WriteFile(files.back(), space.Photo());
    }
    return files;
}

void BM_ApplyOutDirThroughput(benchmark::State& state) {
    Workspace space;
    const std::vector<std::string> files = StageBatch(space);
    for (auto _ : state) {
        state.PauseTiming();
        const std::string out = space.Folder("out");
        std::vector<std::string> arguments = {LUMIVANE_CLI, "apply", "--jobs", "2", "--profile", space.File("p.qmx")};
        arguments.insert(arguments.end(), files.begin(), files.end());
        arguments.insert(arguments.end(), {"--out-dir", out});
        state.ResumeTiming();
        if (Run(arguments) != 0) state.SkipWithError("apply failed");
    }
    state.counters["pictures/s"] =
        benchmark::Counter(static_cast<double>(files.size() * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ApplyOutDirThroughput)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_WatchThroughput(benchmark::State& state) {
    Workspace space;
    std::size_t count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::vector<std::string> files = StageBatch(space);
        count = files.size();
        const std::string in = space.Folder("in");
        const std::string out = space.Folder("out");
        Watcher watcher(space, in, out);
        Arrivals results(out);
        state.ResumeTiming();
        for (const std::string& file : files) fs::rename(file, in + "/" + fs::path(file).filename().string());
        if (!results.Wait(files.size())) state.SkipWithError("not every result within 120 s of the last");
    }
    state.counters["pictures/s"] =
        benchmark::Counter(static_cast<double>(count * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WatchThroughput)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace
