// lumivane-cli grab on the test cameras: one corrected frame, a timed series, the failures' exit statuses, and Ctrl+C
// in the middle of a series.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "platform/ImageCodec.h"
#include "tests/support/CameraTestSupport.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::TempDir;

struct Outcome {
    int status = -1;
    std::string err;
};

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

Outcome Grab(const TempDir& dir, const std::vector<std::string>& arguments) {
    testsupport::UseTestCameras();
    std::string command = Quote(LUMIVANE_CLI);
    command += " grab";
    for (const std::string& argument : arguments) {
        command += ' ';
        command += Quote(argument);
    }
    command += " >/dev/null 2>";
    command += Quote(dir.File("stderr.txt"));
    command += " </dev/null";
    Outcome outcome;
    const int raw = std::system(command.c_str());
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(dir.File("stderr.txt"));
    outcome.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return outcome;
}

TEST(GrabTest, OneFrameIsTakenUprightAndCorrected) {
    TempDir dir;
    const Outcome plain = Grab(dir, {"--camera", "Test Camera", "--size", "640x480", "--skip", "2", "-o",
                                     dir.File("plain.png")});
    ASSERT_EQ(plain.status, 0) << plain.err;
    BMP_File picture;
    ASSERT_TRUE(ReadImageFile(dir.File("plain.png"), picture).ok());
    EXPECT_EQ(picture.Width(), 640);
    EXPECT_EQ(picture.Height(), 480);
    const Pixel yellow = picture.PixelAt(640 * 3 / 14, 10);  // the second bar, at the top
    EXPECT_GT(yellow.r, 150);
    EXPECT_GT(yellow.g, 150);
    EXPECT_LT(yellow.b, 40);

    // The profile line, the same key in another case and the named correction all give grey at full size.
    for (const std::vector<std::string>& correction : std::vector<std::vector<std::string>>{
             {"--set", "m_bGrayScale=1"}, {"--set", "m_bgrayscale=1"}, {"--grey"}}) {
        std::vector<std::string> arguments = {"--camera", "Test Camera", "--size", "320x240", "-o",
                                              dir.File("grey.bmp")};
        arguments.insert(arguments.end(), correction.begin(), correction.end());
        std::filesystem::remove(dir.File("grey.bmp"));
        const Outcome grey = Grab(dir, arguments);
        ASSERT_EQ(grey.status, 0) << grey.err;
        ASSERT_TRUE(ReadImageFile(dir.File("grey.bmp"), picture).ok());
        EXPECT_EQ(picture.Width(), 320);
        int coloured = 0;
        for (int y = 0; y < picture.Height(); ++y) {
            for (int x = 0; x < picture.Width(); ++x) {
                const Pixel p = picture.PixelAt(x, y);
                coloured += p.r != p.g || p.g != p.b;
            }
        }
        EXPECT_EQ(coloured, 0) << correction.back();
    }
}

TEST(GrabTest, ASeriesWritesNumberedFiles) {
    TempDir dir;
    const std::string out = dir.File("series");
    const Outcome series = Grab(dir, {"--camera", "Test Camera", "--size", "320x240", "--skip", "0", "--count", "3",
                                      "--interval", "0.05", "--out-dir", out, "--format", "jpg"});
    ASSERT_EQ(series.status, 0) << series.err;
    for (const char* name : {"grab-0001.jpg", "grab-0002.jpg", "grab-0003.jpg"}) {
        BMP_File picture;
        EXPECT_TRUE(ReadImageFile((std::filesystem::path(out) / name).string(), picture).ok()) << name;
        EXPECT_EQ(picture.Width(), 320) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(out) / "grab-0004.jpg"));
}

TEST(GrabTest, FailuresEndWithTheirStatus) {
    TempDir dir;
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"--camera", "Nowhere", "-o", dir.File("a.png")}, 1, "lumivane-cli: camera \"Nowhere\": not found"},
        {{"--camera", "Test Camera (busy)", "-o", dir.File("a.png")}, 1, "busy"},
        {{"--camera", "Test Camera (unplugs)", "--skip", "40", "-o", dir.File("a.png")}, 1, "(unplugs)"},
        {{"--camera", "Test Camera", "-o", dir.File("a.txt")}, 2, "must end in"},
        {{"--camera", "Test Camera"}, 2, "either -o OUTPUT or --out-dir DIR"},
        {{"--camera", "Test Camera", "--size", "640", "-o", dir.File("a.png")}, 2, "--size needs WxH"},
        {{"--camera", "Test Camera", "--count", "2", "-o", dir.File("a.png")}, 2, "--count goes with --out-dir"},
        {{"--camera", "Test Camera", "--profile", dir.File("none.qmx"), "-o", dir.File("a.png")}, 1, "none.qmx"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Grab(dir, c.arguments);
        EXPECT_EQ(outcome.status, c.status) << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.png")));
}

// A series of a picture every 0.3 s: Ctrl+C after the second ends it at once with the pictures written kept, one line
// saying how many, and status 130.
TEST(GrabTest, CtrlCEndsASeriesAndKeepsThePicturesWritten) {
    TempDir dir;
    testsupport::UseTestCameras();
    const std::string out = dir.File("series");
    const pid_t pid = testsupport::SpawnProgram({LUMIVANE_CLI, "grab", "--camera", "Test Camera", "--size", "320x240",
                                                 "--skip", "0", "--count", "1000", "--interval", "0.3", "--out-dir",
                                                 out},
                                                "", dir.File("stderr.txt"));
    ASSERT_NE(pid, -1);
    const bool second = testsupport::WaitUntil([&] { return std::filesystem::exists(out + "/grab-0002.png"); }, 30);
    const testsupport::SignalledEnd end = testsupport::SignalAndWait(pid, SIGINT);
    const bool ended = end.ended;
    const int raw = end.raw;
    const double took = end.took.count();
    std::ifstream in(dir.File("stderr.txt"));
    const std::string err{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_TRUE(second) << err;
    ASSERT_TRUE(ended);
    EXPECT_LT(took, 5.0);
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(raw), 130) << err;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(err, match, std::regex("lumivane-cli: camera \"Test Camera\": the grab was cancelled; "
                                                        "([0-9]+) pictures written to (.*)\n")))
        << err;
    EXPECT_EQ(match[2].str(), out);
    const int written = std::stoi(match[1].str());
    EXPECT_GE(written, 2);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        BMP_File picture;
        EXPECT_TRUE(ReadImageFile(entry.path().string(), picture).ok()) << entry.path();
        ++files;
    }
    EXPECT_EQ(files, written);
}

}  // namespace
