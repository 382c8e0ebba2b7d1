// lumivane-cli as a user runs it: the exit status, the messages, and the files it writes.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/CLumivaneState.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace {

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

Outcome RunCli(const TempDir& dir, const std::vector<std::string>& arguments) {
    std::string command = Quote(LUMIVANE_CLI);
    for (const std::string& argument : arguments) {
        command += ' ';
        command += Quote(argument);
    }
    command += " >";
    command += Quote(dir.File("stdout.txt"));
    command += " 2>";
    command += Quote(dir.File("stderr.txt"));
    command += " </dev/null";
    Outcome outcome;
    const int raw = std::system(command.c_str());
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = ReadText(dir.File("stdout.txt"));
    outcome.err = ReadText(dir.File("stderr.txt"));
    return outcome;
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

BMP_File SavedPicture(const TempDir& dir, const std::string& name, std::uint32_t seed, std::int32_t width,
                      std::int32_t height) {
    std::mt19937 random(seed);
    BMP_File picture = RandomImage(random, width, height);
    EXPECT_TRUE(picture.SaveBmp(dir.File(name)));
    return picture;
}

}  // namespace

TEST(CliUsage, MistakesExitWithTwoAndSayWhat) {
    TempDir dir;
    struct Case {
        std::vector<std::string> arguments;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{}, "no command"},
        {{"frobnicate"}, "unknown command"},
        {{"apply", "in.bmp"}, "-o OUTPUT"},
        {{"apply", "a.bmp", "b.bmp", "-o", "x.bmp"}, "--out-dir"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--out-dir", "d"}, "not both"},
        {{"apply", "in.bmp", "-o", "x.pcx"}, "unknown image format"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--rotate", "4"}, "--rotate"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--pane", "2x2"}, "--pane"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--pane", "288"}, "--pane"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--set", "m_bBlur"}, "KEY=VALUE"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--set", "m_bBlurr=1"}, "m_bBlurr"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--format", "png"}, "--format"},
        {{"apply", "in.bmp", "--out-dir", "d", "--format", "pcx"}, "--format"},
        {{"apply", "in.bmp", "--out-dir", "d", "--jobs", "0"}, "--jobs"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--bogus"}, "--bogus"},
        {{"profile"}, "show"},
        {{"profile", "show"}, "FILE"},
        {{"profile", "defaults", "-o"}, "-o"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunCli(dir, c.arguments);
        std::string shown;
        for (const auto& a : c.arguments) shown += a + " ";
        EXPECT_EQ(outcome.status, 2) << shown;
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << shown << "\n" << outcome.err;
        EXPECT_NE(outcome.err.find("usage:"), std::string::npos) << shown;
    }
    EXPECT_EQ(RunCli(dir, {"--help"}).status, 0);
}

TEST(CliProfile, DefaultsAreTheProfileOfAFreshStart) {
    TempDir dir;
    const Outcome printed = RunCli(dir, {"profile", "defaults"});
    ASSERT_EQ(printed.status, 0) << printed.err;
    ASSERT_EQ(RunCli(dir, {"profile", "defaults", "-o", dir.File("d.qmx")}).status, 0);
    EXPECT_EQ(printed.out, ReadText(dir.File("d.qmx")));
    CLumivaneState fresh;
    EXPECT_EQ(printed.out, fresh.m_cFileStorage.SaveToText());
    EXPECT_NE(printed.out.find("\r\n[Settings]\r\nm_bBlur=0\r\nm_nBlurSize=5\r\n"), std::string::npos);
    // Another pane size changes the relative rectangles' insets.
    const Outcome other = RunCli(dir, {"profile", "defaults", "--pane", "200x150"});
    EXPECT_NE(other.out.find("m_cBmpWndOriginal.CroprcT=0.034965\r\n"), std::string::npos) << "5 / (148 - 5)";
}

TEST(CliProfile, ShowPrintsTheEightySevenLinesOntoTheStartUpValues) {
    TempDir dir;
    WriteText(dir.File("p.qmx"), "any banner\r\n\r\n[Settings]\r\nm_bBlur=1\r\nm_nHue=12abc\r\nM_NSIZEX=640\r\n"
                                 "m_cBmpWndOriginal.CroprcT=0.5\r\n");
    const Outcome shown = RunCli(dir, {"profile", "show", dir.File("p.qmx")});
    ASSERT_EQ(shown.status, 0) << shown.err;
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = shown.out.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(shown.out.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 87u);
    EXPECT_EQ(lines[0], "m_bBlur=1");
    EXPECT_EQ(lines[1], "m_nBlurSize=5");
    EXPECT_EQ(lines[11], "m_nHue=12");
    EXPECT_EQ(lines[28], "m_nSizeX=640");
    EXPECT_EQ(lines[71], "m_cBmpWndOriginal.CroprcT=0.500000") << "the stored value, not re-mapped";
    EXPECT_EQ(lines[30], "Light1R=255");

    const Outcome missing = RunCli(dir, {"profile", "show", dir.File("nope.qmx")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nope.qmx"), std::string::npos) << missing.err;
}

TEST(CliApply, GivesWhatTheSharedStateGivesForTheSameProfile) {
    TempDir dir;
    const BMP_File input = SavedPicture(dir, "in.bmp", 1, 123, 77);
    WriteText(dir.File("p.qmx"), "\r\n[Settings]\r\nm_bSharpen=1\r\nm_bContrast=1\r\nm_nContrastR=70\r\n"
                                 "m_bLight1=1\r\nm_bResize=1\r\nm_nSizeX=90\r\nm_nSizeY=60\r\n");
    const Outcome outcome = RunCli(dir, {"apply", "--profile", dir.File("p.qmx"), "--set", "m_bGrayScale=1", "--set",
                                      "m_nSizeY=50", "--rotate", "1", "--pane", "200x150", dir.File("in.bmp"), "-o",
                                      dir.File("out.bmp")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;

    CLumivaneState state(Size{200, 150});
    ASSERT_TRUE(state.LoadConfiguration(dir.File("p.qmx")));
    state.ApplyProfileLines("m_bGrayScale=1\nm_nSizeY=50\n");
    state.SetRotation(1);
    ASSERT_TRUE(state.ShowAcquiredImage(testsupport::Copy(input)));
    ASSERT_TRUE(state.Process(false));
    BMP_File written;
    ASSERT_TRUE(written.LoadBmp(dir.File("out.bmp")));
    EXPECT_EQ(written.Width(), 50);
    EXPECT_EQ(written.Height(), 90);
    EXPECT_TRUE(SamePixels(state.ProcessedImage(), written));
}

TEST(CliApply, PreviewIsPaneSized) {
    TempDir dir;
    SavedPicture(dir, "in.bmp", 2, 64, 64);
    const Outcome outcome =
        RunCli(dir, {"apply", "--preview", "--pane", "100x80", dir.File("in.bmp"), "-o", dir.File("small.bmp")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    BMP_File written(dir.File("small.bmp"));
    EXPECT_EQ(written.Width(), 100);
    EXPECT_EQ(written.Height(), 80);
}

TEST(CliFailures, EveryCommandReportsOneLineWithTheProgramNameAndTheFile) {
    TempDir dir;
    SavedPicture(dir, "in.bmp", 6, 8, 8);
    WriteText(dir.File("plain.txt"), "text");
    struct Case {
        std::vector<std::string> arguments;
        std::string names;
    };
    const std::vector<Case> cases = {
        {{"apply", dir.File("missing.bmp"), "-o", dir.File("o.png")}, dir.File("missing.bmp")},
        {{"apply", "--profile", dir.File("nope.qmx"), dir.File("in.bmp"), "-o", dir.File("o.png")},
         dir.File("nope.qmx")},
        {{"apply", dir.File("in.bmp"), "--out-dir", dir.File("plain.txt")}, dir.File("plain.txt")},
        {{"profile", "show", dir.File("nope.qmx")}, dir.File("nope.qmx")},
        {{"profile", "defaults", "-o", dir.File("plain.txt/p.qmx")}, dir.File("plain.txt/p.qmx")},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunCli(dir, c.arguments);
        EXPECT_EQ(outcome.status, 1) << c.names;
        EXPECT_EQ(outcome.err.rfind("lumivane-cli: " + c.names + ": ", 0), 0u) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << "one line: " << outcome.err;
    }
}

TEST(CliApply, FailuresNameTheFileAndWriteNothing) {
    TempDir dir;
    WriteText(dir.File("broken.bmp"), "BM this is not a picture");
    SavedPicture(dir, "in.bmp", 3, 8, 8);
    struct Case {
        std::vector<std::string> arguments;
        std::string names;
    };
    const std::vector<Case> cases = {
        {{"apply", dir.File("missing.bmp"), "-o", dir.File("o1.bmp")}, "missing.bmp"},
        {{"apply", dir.File("broken.bmp"), "-o", dir.File("o2.bmp")}, "broken.bmp"},
        {{"apply", "--profile", dir.File("nope.qmx"), dir.File("in.bmp"), "-o", dir.File("o3.bmp")}, "nope.qmx"},
        {{"apply", dir.File("in.bmp"), "-o", dir.File("no/such/folder/o4.bmp")}, "o4.bmp"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunCli(dir, c.arguments);
        EXPECT_EQ(outcome.status, 1) << c.names;
        EXPECT_NE(outcome.err.find(c.names), std::string::npos) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << "one line: " << outcome.err;
    }
    for (const char* name : {"o1.bmp", "o2.bmp", "o3.bmp"}) EXPECT_FALSE(std::filesystem::exists(dir.File(name)));
}

TEST(CliBatch, EveryInputIsTriedAndFailuresAreReported) {
    TempDir dir;
    const BMP_File a = SavedPicture(dir, "a.bmp", 4, 30, 20);
    const BMP_File c = SavedPicture(dir, "c.bmp", 5, 25, 35);
    WriteText(dir.File("b.bmp"), "not a picture");
    const Outcome outcome = RunCli(dir, {"apply", "--jobs", "2", dir.File("a.bmp"), dir.File("b.bmp"), dir.File("c.bmp"),
                                      "--out-dir", dir.File("out")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("b.bmp"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find("a.bmp"), std::string::npos) << outcome.err;
    BMP_File outA(dir.File("out/a.bmp"));
    BMP_File outC(dir.File("out/c.bmp"));
    EXPECT_TRUE(SamePixels(a, outA));
    EXPECT_TRUE(SamePixels(c, outC));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/b.bmp")));

    const Outcome allGood = RunCli(dir, {"apply", dir.File("a.bmp"), dir.File("c.bmp"), "--out-dir", dir.File("out2")});
    EXPECT_EQ(allGood.status, 0) << allGood.err;
}

TEST(CliBatch, AnInputIsNeverOverwrittenAndTwoInputsNeverShareAnOutput) {
    TempDir dir;
    const BMP_File original = SavedPicture(dir, "photo.bmp", 6, 16, 16);
    std::filesystem::create_directory(dir.path() / "other");
    SavedPicture(dir, "other/photo.bmp", 7, 16, 16);
    const Outcome outcome = RunCli(dir, {"apply", "--set", "m_bInvertR=1", dir.File("photo.bmp"),
                                      dir.File("other/photo.bmp"), "--out-dir", dir.path().string()});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("would overwrite an input"), std::string::npos) << outcome.err;
    BMP_File after(dir.File("photo.bmp"));
    EXPECT_TRUE(SamePixels(original, after));

    const Outcome clash = RunCli(dir, {"apply", dir.File("photo.bmp"), dir.File("other/photo.bmp"), "--out-dir",
                                    dir.File("out")});
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find("already the result of"), std::string::npos) << clash.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("out/photo.bmp")));
}

TEST(CliApply, NamingTheInputAsOutputReplacesIt) {
    TempDir dir;
    SavedPicture(dir, "self.bmp", 8, 10, 10);
    const Outcome outcome = RunCli(dir, {"apply", "--set", "m_bInvertR=1", dir.File("self.bmp"), "-o",
                                      dir.File("self.bmp")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
}
