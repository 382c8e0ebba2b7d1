// lumivane-cli sources and scan against SANE's test backend (a private configuration in the environment the
// program inherits): the listing in both forms, one page through the same state as the window, the feeder batch
// of ten pages with a name already taken, a forced status, and the usage mistakes.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/CLumivaneState.h"
#include "platform/ImageCodec.h"
#include "tests/support/SaneTestBackend.h"

namespace {

using testsupport::TempDir;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
        EXPECT_EQ(resolution.x, 300.0) << "no --dpi: 300 dots per inch";
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

}  // namespace
