// lumivane-cli watch as a service runs it: real files arriving in a temporary folder, the results it writes and the
// lines it logs. Files are made to arrive together by stopping the watcher (SIGSTOP) while they are written; the
// kernel keeps their events until it goes on.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/ImageCodec.h"
#include "tests/support/TestSupport.h"

extern char** environ;

using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// Waits until done() holds, looking again every few milliseconds, for at most `seconds`.
bool WaitUntil(const std::function<bool()>& done, double seconds = 30) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The folders of one watch, a profile, and the watcher process with its stderr in a file.
class WatchRun {
public:
    WatchRun() {
        fs::create_directories(In());
        std::ofstream(m_dir.File("p.qmx"), std::ios::binary) << "[Settings]\r\nm_bBlur=1\r\n";
    }
    ~WatchRun() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    std::string In() const { return m_dir.File("in"); }
    std::string Out() const { return m_dir.File("out"); }
    std::string Path(const std::string& name) const { return m_dir.File(name); }
    std::string Log() const { return ReadText(m_dir.File("log.txt")); }

    // Starts the watcher and waits until it watches.
    void Start(std::vector<std::string> extra = {}) {
        // Folder names with a slash at the end, as a shell's completion gives them.
        std::vector<std::string> arguments = {LUMIVANE_CLI, "watch",     In() + "/", "--profile", m_dir.File("p.qmx"),
                                              "--out-dir",  Out() + "/", "--jobs",   "2"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, m_dir.File("log.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        ASSERT_EQ(::posix_spawn(&m_pid, LUMIVANE_CLI, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        const std::size_t before = m_starts++;
        ASSERT_TRUE(WaitUntil([&] {
            return Count(Log(), " watching ") + Count(Log(), "\"event\":\"watching\"") > before;
        })) << Log();
    }

    void Signal(int signal) { ::kill(m_pid, signal); }

    // The most memory the watcher has held so far, in kilobytes (VmHWM).
    long PeakKilobytes() const {
        const std::string status = ReadText("/proc/" + std::to_string(m_pid) + "/status");
        const std::size_t at = status.find("VmHWM:");
        return at == std::string::npos ? -1 : std::stol(status.substr(at + 6));
    }

    // Stops the watcher with SIGTERM (or SIGINT, as Ctrl+C sends); returns its exit status (-1 when it did not exit
    // normally).
    int Stop(int signal = SIGTERM) {
        ::kill(m_pid, signal);
        int raw = 0;
        const bool exited = WaitUntil([&] { return ::waitpid(m_pid, &raw, WNOHANG) == m_pid; });
        m_pid = -1;
        return exited && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // Waits until the log has `count` lines of results.
    bool WaitForResults(std::size_t count, double seconds = 30) {
        return WaitUntil([&] { return Count(Log(), " -> ") >= count; }, seconds);
    }

    // The result `apply` gives for the same input and profile, as bytes.
    std::string ApplyResult(const std::string& input, const std::string& output) {
        const std::string command = std::string(LUMIVANE_CLI) + " apply --profile '" + m_dir.File("p.qmx") + "' '" +
                                    input + "' -o '" + output + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return ReadText(output);
    }

private:
    TempDir m_dir;
    pid_t m_pid = -1;
    std::size_t m_starts = 0;
};

// Sees the watcher read: every file or folder listing in a folder that is closed without having been written.
class ReadsSeen {
public:
    explicit ReadsSeen(const std::string& folder) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        EXPECT_GE(::inotify_add_watch(m_fd, folder.c_str(), IN_CLOSE_NOWRITE), 0);
    }
    ~ReadsSeen() { ::close(m_fd); }
    ReadsSeen(const ReadsSeen&) = delete;
    ReadsSeen& operator=(const ReadsSeen&) = delete;

    // Waits until name (empty: the folder itself, listed) has been read and closed once more.
    bool WaitForRead(const std::string& name) {
        return WaitUntil([&] {
            alignas(struct inotify_event) char buffer[4096];
            bool seen = false;
            for (ssize_t length; (length = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
                for (ssize_t at = 0; at < length;) {
                    const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
                    if (event->len > 0) m_read.insert(event->name);
                    seen = seen || (event->len == 0 ? name.empty() : name == event->name);
                    at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
                }
            }
            return seen;
        });
    }

    // True when name was read at some point before the last wait.
    bool WasRead(const std::string& name) const { return m_read.count(name) != 0; }

private:
    int m_fd;
    std::set<std::string> m_read;
};

BMP_File Picture(std::uint32_t seed, std::int32_t width = 40, std::int32_t height = 30) {
    std::mt19937 random(seed);
    return RandomImage(random, width, height);
}

// Writes the picture in the format its name says, as a plain file (no sync: the tests write hundreds).
void SavePicture(const BMP_File& picture, const std::string& path) {
    // Encoded beside the watched folder, so that only the finished file appears in it.
    const std::string encoded =
        (fs::path(path).parent_path().parent_path() / ("encoded" + fs::path(path).extension().string())).string();
    ASSERT_TRUE(WriteImageFile(encoded, picture, *FormatFromName(path, true), 1));
    const std::string bytes = ReadText(encoded);
    fs::remove(encoded);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Writes the same bytes under every name.
void SaveCopies(const BMP_File& picture, const std::vector<std::string>& paths, const std::string& scratch) {
    SavePicture(picture, scratch);
    const std::string bytes = ReadText(scratch);
    for (const std::string& path : paths) {
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
}

}  // namespace

TEST(Watch, TakesAFileOnceWhenItIsWholeAndLeavesTemporaryNamesAlone) {
    WatchRun run;
    run.Start();
    // Written slowly in pieces through one descriptor: nothing is taken until the writer closes it.
    const std::string bytes = [&] {
        SavePicture(Picture(1), run.Path("slow.bmp"));
        return ReadText(run.Path("slow.bmp"));
    }();
    std::ofstream slow(run.In() + "/slow.bmp", std::ios::binary);
    slow.write(bytes.data(), 100).flush();
    // Moved in whole from elsewhere on the same file system.
    SavePicture(Picture(2), run.Path("moved.png"));
    fs::rename(run.Path("moved.png"), run.In() + "/moved.png");
    // Names of files still being written, and a hidden file.
    for (const char* name : {"t.jpg.part", "t.png.tmp", "t.bmp~", ".hidden.png", "notes.txt"}) {
        SavePicture(Picture(3), run.Path("t.bmp"));
        fs::copy_file(run.Path("t.bmp"), run.In() + "/" + name);
    }
    ASSERT_TRUE(run.WaitForResults(1)) << run.Log();
    slow.write(bytes.data() + 100, 500).flush();
    slow.write(bytes.data() + 600, static_cast<std::streamsize>(bytes.size() - 600)).flush();
    slow.close();
    ASSERT_TRUE(run.WaitForResults(2)) << run.Log();
    // The part file is renamed when whole; an upper-case extension is a picture too.
    fs::rename(run.In() + "/t.jpg.part", run.In() + "/T.JPG");
    ASSERT_TRUE(run.WaitForResults(3)) << run.Log();
    EXPECT_EQ(run.Stop(), 0);

    EXPECT_EQ(NamesIn(run.Out()), (std::vector<std::string>{"T.jpg", "moved.png", "slow.bmp"}));
    EXPECT_EQ(Count(run.Log(), " -> "), 3u) << run.Log();
    EXPECT_EQ(Count(run.Log(), "lumivane-cli:"), 0u) << run.Log();
    // The same bytes as apply gives.
    EXPECT_EQ(ReadText(run.Out() + "/slow.bmp"), run.ApplyResult(run.In() + "/slow.bmp", run.Path("ref.bmp")));
    EXPECT_EQ(ReadText(run.Out() + "/T.jpg"), run.ApplyResult(run.In() + "/T.JPG", run.Path("ref.jpg")));
}

TEST(Watch, AFailureARemovedFileAndAClashLeaveTheOthersDone) {
    WatchRun run;
    fs::create_directories(run.Out());
    std::ofstream(run.Out() + "/a.bmp", std::ios::binary) << "someone else's file";
    run.Start({"--max-pixels", "2000"});
    run.Signal(SIGSTOP);  // everything below arrives while the watcher cannot look
    SavePicture(Picture(1), run.In() + "/gone.bmp");
    fs::remove(run.In() + "/gone.bmp");
    std::ofstream(run.In() + "/bad.png", std::ios::binary) << "not a picture at all";
    fs::create_directory(run.Path("folder.png"));
    fs::rename(run.Path("folder.png"), run.In() + "/folder.png");
    SavePicture(Picture(2), run.In() + "/a.bmp");
    SavePicture(Picture(3), run.In() + "/b.gif");
    SavePicture(Picture(4, 50, 41), run.In() + "/large.jpg");
    run.Signal(SIGCONT);
    ASSERT_TRUE(run.WaitForResults(2)) << run.Log();
    ASSERT_TRUE(WaitUntil([&] { return Count(run.Log(), "lumivane-cli:") == 2; })) << run.Log();
    EXPECT_EQ(run.Stop(), 0);

    const std::string log = run.Log();
    EXPECT_NE(log.find("lumivane-cli: " + run.In() + "/bad.png: not a PNG, JPEG, GIF, BMP or TIFF file\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("large.jpg: a picture of 50 × 41 pixels is larger than the limit of 2000 pixels"),
              std::string::npos)
        << log;
    EXPECT_EQ(Count(log, "lumivane-cli:"), 2u) << "only the bad and the large picture fail\n" << log;
    EXPECT_EQ(ReadText(run.Out() + "/a.bmp"), "someone else's file");
    EXPECT_EQ(NamesIn(run.Out()), (std::vector<std::string>{"a-1.bmp", "a.bmp", "b.gif"}));
}

TEST(Watch, FiveHundredAtOnceAreEachDoneOnceInBoundedMemory) {
    WatchRun run;
    run.Start();
    run.Signal(SIGSTOP);
    constexpr int kCount = 500;
    std::vector<std::string> names;
    for (int i = 0; i < kCount; ++i) names.push_back(run.In() + "/p" + std::to_string(i) + ".bmp");
    SaveCopies(Picture(7, 24, 16), names, run.Path("p.bmp"));
    run.Signal(SIGCONT);
    ASSERT_TRUE(run.WaitForResults(kCount, 120)) << Count(run.Log(), " -> ");
    const long peak = run.PeakKilobytes();
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 200 * 1024) << "kilobytes";
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_EQ(NamesIn(run.Out()).size(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(Count(run.Log(), " -> "), static_cast<std::size_t>(kCount));
    EXPECT_EQ(Count(run.Log(), "-1.bmp"), 0u) << "no picture done twice";
}

TEST(Watch, StopFinishesWorkInProgressAndARestartDoesOnlyTheRest) {
    WatchRun run;
    run.Start();
    run.Signal(SIGSTOP);
    constexpr int kCount = 40;
    for (int i = 0; i < kCount; ++i) {
        SavePicture(Picture(static_cast<std::uint32_t>(i), 400, 300), run.In() + "/s" + std::to_string(i) + ".png");
    }
    run.Signal(SIGCONT);
    ASSERT_TRUE(run.WaitForResults(1)) << run.Log();
    EXPECT_EQ(run.Stop(), 0);
    // Every result named in the log is whole, and there is nothing else: no temporary file, no half result.
    const std::size_t doneFirst = Count(run.Log(), " -> ");
    EXPECT_EQ(NamesIn(run.Out()).size(), doneFirst);
    for (const std::string& name : NamesIn(run.Out())) {
        BMP_File result;
        EXPECT_TRUE(ReadImageFile(run.Out() + "/" + name, result)) << name;
    }

    // A restart with --existing does the others, and none again.
    run.Start({"--existing"});
    ASSERT_TRUE(run.WaitForResults(kCount, 120)) << run.Log();
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_EQ(Count(run.Log(), " -> "), static_cast<std::size_t>(kCount)) << run.Log();
    EXPECT_EQ(NamesIn(run.Out()).size(), static_cast<std::size_t>(kCount));
    // A picture that arrives between two runs is done by the next one with --existing.
    SavePicture(Picture(99), run.In() + "/late.bmp");
    run.Start({"--existing"});
    ASSERT_TRUE(run.WaitForResults(kCount + 1)) << run.Log();
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_EQ(NamesIn(run.Out()).size(), static_cast<std::size_t>(kCount + 1));
}

TEST(Watch, UsageMistakesAndFoldersThatCannotWork) {
    TempDir dir;
    fs::create_directories(dir.File("in"));
    std::ofstream(dir.File("p.qmx")) << "[Settings]\r\n";
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"--profile", dir.File("p.qmx"), "--out-dir", dir.File("o")}, 2, "IN_DIR"},
        {{dir.File("in"), "--out-dir", dir.File("o")}, 2, "--profile"},
        {{dir.File("in"), "--profile", dir.File("p.qmx")}, 2, "--out-dir"},
        {{dir.File("in"), "--profile", dir.File("p.qmx"), "--out-dir", "o", "--jobs", "0"}, 2, "--jobs"},
        {{dir.File("in"), "--profile", dir.File("p.qmx"), "--out-dir", "o", "--set", "m_bNope=1"}, 2, "m_bNope"},
        {{dir.File("in"), "--profile", dir.File("p.qmx"), "--out-dir", "o", "--format", "xyz"}, 2, "--format"},
        {{dir.File("in"), "--profile", dir.File("p.qmx"), "--out-dir", "o", "--existng"}, 2, "--existing?"},
        {{dir.File("in"), "--profile", dir.File("p.qmx"), "--out-dir", "o", "--blur", "0"}, 2, "--blur"},
        {{"--help"}, 0, ""},
        {{dir.File("missing"), "--profile", dir.File("p.qmx"), "--out-dir", dir.File("o")}, 1, "not a folder"},
        {{dir.File("in"), "--profile", dir.File("none.qmx"), "--out-dir", dir.File("o")}, 1, "none.qmx"},
        {{dir.File("in"), "--profile", dir.File("p.qmx"), "--out-dir", dir.File("in") + "/."}, 1, "must not be"},
    };
    for (const Case& c : cases) {
        std::string command = std::string(LUMIVANE_CLI) + " watch";
        for (const std::string& argument : c.arguments) command += " '" + argument + "'";
        command += " 2>'" + dir.File("err.txt") + "' </dev/null";
        const int raw = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, c.status) << command;
        EXPECT_NE(ReadText(dir.File("err.txt")).find(c.says), std::string::npos) << ReadText(dir.File("err.txt"));
    }
}

TEST(Watch, OriginalsMoveToTheDoneFolderOnceTheirResultsAreWritten) {
    // The done folder on another file system when there is one (/dev/shm), so that the move is a copy.
    const bool otherFileSystem = fs::is_directory("/dev/shm");
    const std::string doneDir = otherFileSystem ? "/dev/shm/lumivane-watch-done-" + std::to_string(::getpid()) : "";
    for (const std::string& done : {std::string(), doneDir}) {
        WatchRun run;
        const std::string folder = done.empty() ? run.Path("done") : done;
        fs::create_directories(folder);
        std::ofstream(folder + "/a.bmp", std::ios::binary) << "an older original";
        run.Start({"--done-dir", folder});
        SavePicture(Picture(1), run.Path("a.bmp"));
        const std::string original = ReadText(run.Path("a.bmp"));
        fs::rename(run.Path("a.bmp"), run.In() + "/a.bmp");
        SavePicture(Picture(2), run.In() + "/b.png");
        ASSERT_TRUE(run.WaitForResults(2)) << run.Log();
        ASSERT_TRUE(WaitUntil([&] { return NamesIn(run.In()).empty(); })) << run.Log();
        EXPECT_EQ(run.Stop(SIGINT), 0);
        EXPECT_EQ(NamesIn(folder), (std::vector<std::string>{"a-1.bmp", "a.bmp", "b.png"}));
        EXPECT_EQ(ReadText(folder + "/a-1.bmp"), original);
        EXPECT_EQ(ReadText(folder + "/a.bmp"), "an older original");
        EXPECT_EQ(NamesIn(run.Out()), (std::vector<std::string>{"a.bmp", "b.png"}));
        EXPECT_EQ(Count(run.Log(), "lumivane-cli:"), 0u) << run.Log();
        if (!done.empty()) fs::remove_all(done);
    }
}

TEST(Watch, AChangedProfileIsUsedForTheNextPicturesAndAnUnreadableOneIsNot) {
    WatchRun run;
    run.Start();
    const BMP_File picture = Picture(5, 60, 40);
    SavePicture(picture, run.In() + "/first.bmp");
    ASSERT_TRUE(run.WaitForResults(1)) << run.Log();

    // Saved as the window saves: a new file renamed over the old one.
    std::ofstream(run.Path("p.new"), std::ios::binary) << "[Settings]\r\nm_bBlur=0\r\nm_bGrayScale=1\r\n";
    fs::rename(run.Path("p.new"), run.Path("p.qmx"));
    ASSERT_TRUE(WaitUntil([&] { return run.Log().find("changed; the next pictures use it") != std::string::npos; }))
        << run.Log();
    SavePicture(picture, run.In() + "/second.bmp");
    ASSERT_TRUE(run.WaitForResults(2)) << run.Log();

    // Written in place with something that is no profile: the last good one stays.
    std::ofstream(run.Path("p.qmx"), std::ios::binary) << "garbage without a line end";
    ASSERT_TRUE(WaitUntil([&] { return run.Log().find("the profile as it was") != std::string::npos; })) << run.Log();
    SavePicture(picture, run.In() + "/third.bmp");
    ASSERT_TRUE(run.WaitForResults(3)) << run.Log();
    EXPECT_EQ(run.Stop(), 0);

    EXPECT_NE(run.Log().find("p.qmx: no line end in the file; the pictures go on"), std::string::npos) << run.Log();
    const std::string first = ReadText(run.Out() + "/first.bmp");
    const std::string second = ReadText(run.Out() + "/second.bmp");
    EXPECT_NE(first, second);
    EXPECT_EQ(ReadText(run.Out() + "/third.bmp"), second);
    std::ofstream(run.Path("p.qmx"), std::ios::binary) << "[Settings]\r\nm_bBlur=0\r\nm_bGrayScale=1\r\n";
    EXPECT_EQ(second, run.ApplyResult(run.In() + "/second.bmp", run.Path("ref.bmp")));
}

TEST(Watch, AFileThatCannotBeReadWholeYetIsTriedAgainWhenItIs) {
    WatchRun run;
    run.Start({"--json"});
    SavePicture(Picture(8, 80, 60), run.Path("whole.png"));
    const std::string bytes = ReadText(run.Path("whole.png"));
    ReadsSeen reads(run.In());
    // A writer that closes the file between pieces: the first piece alone is no picture.
    std::ofstream(run.In() + "/late.png", std::ios::binary).write(bytes.data(), 200);
    ASSERT_TRUE(reads.WaitForRead("late.png"));
    std::ofstream(run.In() + "/late.png", std::ios::binary | std::ios::app)
        .write(bytes.data() + 200, static_cast<std::streamsize>(bytes.size() - 200));
    ASSERT_TRUE(WaitUntil([&] { return Count(run.Log(), "\"event\":\"done\"") == 1; })) << run.Log();
    EXPECT_EQ(run.Stop(), 0);

    const std::string log = run.Log();
    EXPECT_EQ(Count(log, "\"event\":\"failed\""), 0u) << log;
    EXPECT_NE(log.find("\"input\":\"" + run.In() + "/late.png\",\"output\":\"" + run.Out() + "/late.png\",\"ms\":"),
              std::string::npos)
        << log;
    EXPECT_EQ(Count(log, "{\"time\":\""), Count(log, "\n")) << "every line is one JSON object\n" << log;
    EXPECT_EQ(ReadText(run.Out() + "/late.png"), run.ApplyResult(run.Path("whole.png"), run.Path("ref.png")));
}

TEST(Watch, PollingTakesAFileOnceItsSizeAndTimeHoldForOneInterval) {
    WatchRun run;
    SavePicture(Picture(9), run.In() + "/before.bmp");
    ReadsSeen reads(run.In());
    run.Start({"--poll", "0.3"});
    SavePicture(Picture(10, 90, 70), run.Path("slow.bmp"));
    const std::string bytes = ReadText(run.Path("slow.bmp"));
    // A slow writer that adds a piece after every look at the folder: never the same twice in a row.
    std::ofstream slow(run.In() + "/slow.bmp", std::ios::binary);
    const std::size_t pieces = 4;
    for (std::size_t i = 0; i < pieces; ++i) {
        ASSERT_TRUE(reads.WaitForRead(""));
        const std::size_t from = bytes.size() * i / pieces;
        slow.write(bytes.data() + from, static_cast<std::streamsize>(bytes.size() * (i + 1) / pieces - from)).flush();
    }
    ASSERT_TRUE(reads.WaitForRead(""));
    EXPECT_FALSE(reads.WasRead("slow.bmp")) << "taken while it was still growing";
    slow.close();
    ASSERT_TRUE(run.WaitForResults(1)) << run.Log();
    // A profile saved meanwhile is seen by polling too.
    std::ofstream(run.Path("p.new"), std::ios::binary) << "[Settings]\r\nm_bBlur=0\r\n";
    fs::rename(run.Path("p.new"), run.Path("p.qmx"));
    ASSERT_TRUE(WaitUntil([&] { return run.Log().find("changed; the next pictures use it") != std::string::npos; }))
        << run.Log();
    EXPECT_EQ(run.Stop(), 0);

    EXPECT_EQ(NamesIn(run.Out()), (std::vector<std::string>{"slow.bmp"})) << "the file there at start is left";
    EXPECT_EQ(Count(run.Log(), "lumivane-cli:"), 0u) << run.Log();
    std::ofstream(run.Path("p.qmx"), std::ios::binary) << "[Settings]\r\nm_bBlur=1\r\n";
    EXPECT_EQ(ReadText(run.Out() + "/slow.bmp"), run.ApplyResult(run.In() + "/slow.bmp", run.Path("ref.bmp")));
}
