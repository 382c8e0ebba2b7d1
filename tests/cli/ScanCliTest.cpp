// lumivane-cli sources and scan against SANE's test backend (a private configuration in the environment the
// program inherits): the listing in both forms, one page through the same state as the window, the feeder batch
// of ten pages with a name already taken, a forced status, the usage mistakes, Ctrl+C (and SIGTERM) in the middle
// of a slowed-down scan, and the backend's resolution as the documents' page size.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/CLumivaneState.h"
#include "platform/ImageCodec.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/SaneTestBackend.h"

namespace {

using testsupport::TempDir;
using testsupport::WaitUntil;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The number of threads of a running process.
int ThreadsOf(pid_t pid) {
    const std::string status = ReadText("/proc/" + std::to_string(pid) + "/status");
    const std::size_t at = status.find("Threads:");
    return at == std::string::npos ? 0 : std::atoi(status.c_str() + at + 8);
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class ScanCliTest : public ::testing::Test {
protected:
    void SetUp() override { Configure(); }
    void Configure(const std::string& extra = {}) {
        if (!testsupport::UseSaneTestBackend(m_sane, extra)) GTEST_SKIP() << "SANE's test backend is not installed";
        // No stored scanner: the user's own store is not read. The camera listing keeps GStreamer's registry here.
        ::setenv("XDG_CONFIG_HOME", m_dir.File("config").c_str(), 1);
        ::setenv("GST_REGISTRY", LUMIVANE_GST_REGISTRY, 1);
        // Under the sanitizer: SANE's test backend loses its picture buffer when a page is ended while its reader
        // thread finishes, and the program unloads the backend at exit, so that leak cannot be told apart by name;
        // leak checking is off for the program run here (this test program still checks its own).
        const char* asan = std::getenv("ASAN_OPTIONS");
        ::setenv("ASAN_OPTIONS", (std::string(asan != nullptr ? asan : "") + ":detect_leaks=0").c_str(), 1);
    }

    Outcome Run(const std::vector<std::string>& arguments) {
        std::string command = Quote(LUMIVANE_CLI);
        for (const std::string& argument : arguments) command += ' ' + Quote(argument);
        command += " >" + Quote(m_dir.File("stdout.txt")) + " 2>" + Quote(m_dir.File("stderr.txt")) + " </dev/null";
        Outcome outcome;
        const int raw = std::system(command.c_str());
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        outcome.out = ReadText(m_dir.File("stdout.txt"));
        outcome.err = ReadText(m_dir.File("stderr.txt"));
        return outcome;
    }

    // Starts the program without waiting for it, its output going to the same files as Run's.
    pid_t Start(const std::vector<std::string>& arguments) {
        std::vector<std::string> all{LUMIVANE_CLI};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const pid_t pid = testsupport::SpawnProgram(all, m_dir.File("stdout.txt"), m_dir.File("stderr.txt"));
        EXPECT_NE(pid, -1);
        return pid;
    }

    // Sends the signal and waits up to 10 s for the program to end: its outcome (status -1 when it did not exit by
    // itself, as when the signal killed it) and how long it took.
    Outcome StopWith(pid_t pid, int signal, std::chrono::duration<double>* took = nullptr) {
        const testsupport::SignalledEnd end = testsupport::SignalAndWait(pid, signal);
        if (took != nullptr) *took = end.took;
        Outcome outcome;
        outcome.status = end.ended && WIFEXITED(end.raw) ? WEXITSTATUS(end.raw) : -1;
        outcome.out = ReadText(m_dir.File("stdout.txt"));
        outcome.err = ReadText(m_dir.File("stderr.txt"));
        return outcome;
    }

    // What the window's state makes of the whole bed's page with this --set line.
    static BMP_File Expected(const std::string& set) {
        const std::int32_t side = testsupport::SanePixels(50, 300);
        CLumivaneState state;
        state.ApplyProfileLines(set + "\n");
        EXPECT_TRUE(state.ShowAcquiredImage(testsupport::SaneColorPattern(side, side)));
        EXPECT_TRUE(state.Process(false));
        return testsupport::Copy(state.ProcessedImage());
    }

    TempDir m_dir;
    TempDir m_sane;
};

TEST_F(ScanCliTest, SourcesListsScannersPlainAndAsJson) {
    const Outcome plain = Run({"sources"});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out.substr(0, 30), "scanner\ttest:0\nscanner\ttest:1\n");
    const Outcome json = Run({"sources", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\"scanners\":[\"test:0\",\"test:1\"],\"cameras\":[", 0), 0u) << json.out;
    EXPECT_EQ(Run({"sources", "--xml"}).status, 2);
}

TEST_F(ScanCliTest, OnePageGoesThroughTheWindowsStateAndIsNeverOverwritten) {
    const std::string out = m_dir.File("page.png");
    const Outcome first = Run({"scan", "--source", "test:0", "--set", "m_bGrayScale=1", "-o", out});
    ASSERT_EQ(first.status, 0) << first.err;
    BMP_File written;
    ASSERT_TRUE(ReadImageFile(out, written));
    EXPECT_TRUE(testsupport::SamePixels(Expected("m_bGrayScale=1"), written));

    const auto before = std::filesystem::last_write_time(out);
    const Outcome again = Run({"scan", "--source", "test:0", "-o", out});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "lumivane-cli: " + out + ": already exists; it is not overwritten\n");
    EXPECT_EQ(std::filesystem::last_write_time(out), before);

    // A named correction and a key in another case stand for the same profile line.
    for (const std::vector<std::string>& correction :
         std::vector<std::vector<std::string>>{{"--grey"}, {"--set", "m_bgrayscale =1"}}) {
        const std::string named = m_dir.File("named" + std::to_string(correction.size()) + ".png");
        std::vector<std::string> arguments = {"scan", "--source", "test:0", "-o", named};
        arguments.insert(arguments.end(), correction.begin(), correction.end());
        const Outcome outcome = Run(arguments);
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        ASSERT_TRUE(ReadImageFile(named, written));
        EXPECT_TRUE(testsupport::SamePixels(Expected("m_bGrayScale=1"), written)) << correction.front();
    }

    const Outcome unknown = Run({"scan", "--source", "test:9", "-o", m_dir.File("x.png")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "lumivane-cli: test:9: Could not open TWAIN Data Source\n");
}

TEST_F(ScanCliTest, TheFeederBatchWritesTenCorrectedPagesAroundATakenName) {
    const std::string dir = m_dir.File("pages");
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/page-0003.bmp") << "not mine";
    const Outcome batch =
        Run({"scan", "--source", "test:0", "--set", "m_bInvertR=1", "--batch", "--out-dir", dir, "--format", "bmp"});
    ASSERT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(batch.out, "10 pages written to " + dir + "\n");
    EXPECT_EQ(ReadText(dir + "/page-0003.bmp"), "not mine");
    const BMP_File expected = Expected("m_bInvertR=1");
    int pages = 0;
    for (int n : {1, 2, 4, 5, 6, 7, 8, 9, 10, 11}) {
        char name[32];
        std::snprintf(name, sizeof name, "/page-%04d.bmp", n);
        BMP_File page;
        ASSERT_TRUE(ReadImageFile(dir + name, page)) << name;
        EXPECT_TRUE(testsupport::SamePixels(expected, page)) << name;
        ++pages;
    }
    EXPECT_EQ(pages, 10);
    EXPECT_FALSE(std::filesystem::exists(dir + "/page-0012.bmp"));
}

TEST_F(ScanCliTest, TheFeederBatchBecomesOneDocumentOfItsTenPages) {
    const std::string document = m_dir.File("stack.tif");
    const Outcome batch = Run({"scan", "--source", "test:0", "--set", "m_bInvertR=1", "--batch", "-o", document});
    ASSERT_EQ(batch.status, 0) << batch.err;
    EXPECT_EQ(batch.out, "10 pages written to " + document + "\n");
    const BMP_File expected = Expected("m_bInvertR=1");
    std::size_t pages = 0;
    ASSERT_TRUE(ReadImagePages(document, [&](BMP_File& page, Resolution resolution, std::size_t, std::size_t count) {
        EXPECT_EQ(count, 10u);
        EXPECT_TRUE(testsupport::SamePixels(expected, page)) << "page " << pages + 1;
        EXPECT_EQ(resolution.x, 50.0) << "no --dpi: the backend's own 50 dots per inch";
        ++pages;
        return Status::Ok();
    }));
    EXPECT_EQ(pages, 10u);
    const Outcome again = Run({"scan", "--source", "test:0", "--batch", "-o", document});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "lumivane-cli: " + document + ": already exists; it is not overwritten\n");
}

TEST_F(ScanCliTest, AFailingPageIsReportedAndGivesExitStatusOne) {
    Configure("read-status-code \"SANE_STATUS_JAMMED\"\n");
    const Outcome batch = Run({"scan", "--source", "test:0", "--batch", "--out-dir", m_dir.File("jam")});
    EXPECT_EQ(batch.status, 1);
    EXPECT_EQ(batch.err, "lumivane-cli: page 1: Paper could not be unloaded\n");
    EXPECT_EQ(batch.out, "0 pages written to " + m_dir.File("jam") + ", 1 failed\n");
}

TEST_F(ScanCliTest, UsageMistakesExitWithTwo) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"scan", "-o", m_dir.File("a.png")},  // no source given and none stored
             {"scan", "--source", "test:0"},
             {"scan", "--source", "test:0", "--batch"},
             {"scan", "--source", "test:0", "--batch", "-o", m_dir.File("a.png")},
             {"scan", "--source", "test:0", "--batch", "-o", m_dir.File("a.pdf"), "--dpi", "0"},
             {"scan", "--source", "test:0", "-o", m_dir.File("a.xyz")},
             {"scan", "--source", "test:0", "--batch", "--out-dir", m_dir.path().string(), "--format", "xyz"},
             {"scan", "--source", "test:0", "--frobnicate", "-o", m_dir.File("a.png")}}) {
        const Outcome outcome = Run(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments.back();
        EXPECT_EQ(outcome.err.rfind("lumivane-cli: ", 0), 0u) << outcome.err;
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("a.png")));
}

// ---- Ctrl+C and SIGTERM -------------------------------------------------------------------------------------------

// A page of the whole bed that takes minutes to come: a signal cancels it at once, through the scanner's cancel,
// with one line, status 128 + the signal's number and no file.
TEST_F(ScanCliTest, ASignalCancelsTheScanOfOnePageAndLeavesNoFile) {
    Configure("read-delay true\nread-delay-duration 200000\nread-limit true\nread-limit-size 2048\n");
    for (const int signal : {SIGINT, SIGTERM}) {
        const std::string out = m_dir.File("page.png");
        const pid_t pid = Start({"scan", "--source", "test:0", "-o", out});
        // The page is being read once the reading threads are there (main, signal watcher, page reader).
        ASSERT_TRUE(WaitUntil([&] { return ThreadsOf(pid) >= 3; })) << ReadText(m_dir.File("stderr.txt"));
        std::chrono::duration<double> took{};
        const Outcome cancelled = StopWith(pid, signal, &took);
        EXPECT_EQ(cancelled.status, 128 + signal) << cancelled.err;
        EXPECT_EQ(cancelled.err, "lumivane-cli: test:0: the scan was cancelled; nothing was written\n");
        EXPECT_LT(took.count(), 5.0);
        EXPECT_FALSE(std::filesystem::exists(out));
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.path())) {
            const std::string name = entry.path().filename();
            EXPECT_TRUE(name == "stdout.txt" || name == "stderr.txt" || name == "config") << "left behind: " << name;
        }
    }
}

// The feeder's pages come 0.5 s apart: Ctrl+C after the second page keeps the pages written, writes no further one
// and says how many there are.
TEST_F(ScanCliTest, CtrlCInAFeederBatchKeepsThePagesWritten) {
    Configure("geometry_max 10.0\nread-delay true\nread-delay-duration 500000\n");
    const std::string dir = m_dir.File("pages");
    const pid_t pid = Start({"scan", "--source", "test:0", "--batch", "--out-dir", dir});
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(dir + "/page-0002.png"); }))
        << ReadText(m_dir.File("stderr.txt"));
    std::chrono::duration<double> took{};
    const Outcome cancelled = StopWith(pid, SIGINT, &took);
    EXPECT_EQ(cancelled.status, 130) << cancelled.err;
    EXPECT_LT(took.count(), 5.0);
    std::smatch match;
    const std::regex summary("([0-9]+) pages written to (.*), cancelled\n");
    ASSERT_TRUE(std::regex_match(cancelled.out, match, summary)) << cancelled.out;
    EXPECT_EQ(match[2].str(), dir);
    const int written = std::stoi(match[1].str());
    EXPECT_GE(written, 2);
    EXPECT_LT(written, 10);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), static_cast<std::size_t>(written)) << "no partial page and no temporary file";
    for (int n = 1; n <= written; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "page-%04d.png", n);
        EXPECT_EQ(names[static_cast<std::size_t>(n - 1)], name);
        BMP_File page;
        EXPECT_TRUE(ReadImageFile(dir + "/" + name, page)) << name;
    }
}

// A batch into one document: the document holds the pages read before Ctrl+C, or is not there when none was.
TEST_F(ScanCliTest, CtrlCInADocumentBatchKeepsTheDocumentOfThePagesRead) {
    Configure("geometry_max 10.0\nread-delay true\nread-delay-duration 500000\n");
    const std::string document = m_dir.File("stack.tif");
    const pid_t pid = Start({"scan", "--source", "test:0", "--batch", "-o", document});
    ASSERT_TRUE(WaitUntil([&] { return ThreadsOf(pid) >= 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // about two pages
    const Outcome cancelled = StopWith(pid, SIGINT);
    EXPECT_EQ(cancelled.status, 130) << cancelled.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(cancelled.out, match, std::regex("([0-9]+) pages? written to .*, cancelled\n")))
        << cancelled.out;
    const std::size_t written = std::stoul(match[1].str());
    EXPECT_LT(written, 10u);
    if (written == 0) {
        EXPECT_FALSE(std::filesystem::exists(document));
        return;
    }
    std::size_t pages = 0;
    ASSERT_TRUE(ReadImagePages(document, [&](BMP_File&, Resolution, std::size_t, std::size_t count) {
        EXPECT_EQ(count, written);
        ++pages;
        return Status::Ok();
    }));
    EXPECT_EQ(pages, written);
}

// ---- The scanner's resolution ---------------------------------------------------------------------------------------

// The backend at 150 dpi: a document's pages are the bed's size at 150 dpi (TIFF resolution tags, PDF page size)
// unless --dpi imposes another.
TEST_F(ScanCliTest, DocumentPagesTakeTheScannersResolution) {
    Configure("geometry_max 50.0\nresolution 150.0\n");
    const std::int32_t side = testsupport::SanePixels(150, 50);
    for (const auto& run : std::vector<std::pair<std::string, std::optional<int>>>{{"at150.tif", std::nullopt},
                                                                                  {"at200.tif", 200}}) {
        const std::string& name = run.first;
        const std::optional<int>& dpi = run.second;
        std::vector<std::string> arguments{"scan", "--source", "test:0", "--batch", "-o", m_dir.File(name)};
        if (dpi) arguments.insert(arguments.end(), {"--dpi", std::to_string(*dpi)});
        const Outcome made = Run(arguments);
        ASSERT_EQ(made.status, 0) << made.err;
        std::size_t pages = 0;
        ASSERT_TRUE(ReadImagePages(m_dir.File(name), [&](BMP_File& page, Resolution resolution, std::size_t,
                                                          std::size_t) {
            EXPECT_EQ(page.Width(), side);
            EXPECT_EQ(resolution.x, dpi.value_or(150)) << name;
            EXPECT_EQ(resolution.y, dpi.value_or(150)) << name;
            ++pages;
            return Status::Ok();
        }));
        EXPECT_EQ(pages, 10u) << name;
    }
    // One page to a TIFF file carries the resolution too.
    const Outcome one = Run({"scan", "--source", "test:0", "-o", m_dir.File("one.tif")});
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_TRUE(ReadImagePages(m_dir.File("one.tif"), [&](BMP_File&, Resolution resolution, std::size_t, std::size_t) {
        EXPECT_EQ(resolution.x, 150.0);
        return Status::Ok();
    }));

    if (std::system("command -v pdfinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdfinfo (poppler-utils) is needed";
    const std::string pdf = m_dir.File("at150.pdf");
    const Outcome made = Run({"scan", "--source", "test:0", "--batch", "-o", pdf});
    ASSERT_EQ(made.status, 0) << made.err;
    ASSERT_EQ(std::system(("pdfinfo -f 1 -l 1 " + Quote(pdf) + " >" + Quote(m_dir.File("info.txt"))).c_str()), 0);
    std::smatch match;
    const std::string text = ReadText(m_dir.File("info.txt"));
    ASSERT_TRUE(std::regex_search(text, match, std::regex(R"(Page +1 size: +([0-9.]+) x ([0-9.]+) pts)"))) << text;
    EXPECT_NEAR(std::stod(match[1].str()), side * 72.0 / 150.0, 0.01);
    EXPECT_NEAR(std::stod(match[2].str()), side * 72.0 / 150.0, 0.01);
}

}  // namespace
