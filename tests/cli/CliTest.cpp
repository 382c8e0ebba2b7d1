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
#include "platform/ImageCodec.h"
#include "tests/cli/NamedOptionRows.h"
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

TEST(CliUsage, HelpAndVersionAnswerOnStdout) {
    TempDir dir;
    struct Case {
        std::vector<std::string> arguments;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"--help"}, "commands:"},
        {{"-h"}, "commands:"},
        {{"help"}, "commands:"},
        {{"apply", "--help"}, "--out-dir DIR"},
        {{"apply", "-h"}, "--out-dir DIR"},
        {{"apply", "in.bmp", "--bogus", "-h"}, "--out-dir DIR"},
        {{"help", "apply"}, "--out-dir DIR"},
        {{"profile", "--help"}, "defaults"},
        {{"profile", "show", "-h"}, "defaults"},
        {{"sources", "--help"}, "--json"},
        {{"scan", "--source", "x", "-h"}, "--blur SIZE"},
        {{"grab", "--help"}, "--blur SIZE"},
        {{"watch", "--help"}, "--blur SIZE"},
        {{"--version"}, "lumivane-cli "},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunCli(dir, c.arguments);
        EXPECT_EQ(outcome.status, 0) << c.arguments.front();
        EXPECT_NE(outcome.out.find(c.says), std::string::npos) << c.arguments.front() << "\n" << outcome.out;
        EXPECT_EQ(outcome.err, "");
    }
    // After "--" a -h is an input's name.
    EXPECT_EQ(RunCli(dir, {"apply", "-o", "x.bmp", "--", "-h"}).status, 1);
}

TEST(CliUsage, AUsageErrorIsOneLineAndAPointerToHelp) {
    TempDir dir;
    struct Case {
        std::vector<std::string> arguments;
        const char* line;
        const char* pointer;
    };
    const std::vector<Case> cases = {
        {{"aply"}, "lumivane-cli: unknown command aply (did you mean apply?)\n", "(more: lumivane-cli --help)\n"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--profle", "p.qmx"},
         "lumivane-cli: unknown option --profle (did you mean --profile?)\n", "(more: lumivane-cli apply --help)\n"},
        {{"apply", "in.bmp", "-o", "x.bmp", "--set", "m_bBlurr=1"},
         "lumivane-cli: --set: no setting is called \"m_bBlurr\" (did you mean m_bBlur?)\n",
         "(more: lumivane-cli apply --help)\n"},
        {{"profile", "shwo"}, "lumivane-cli: profile takes show, defaults, set, new or diff, not shwo (did you mean show?)\n",
         "(more: lumivane-cli profile --help)\n"},
        {{"sources", "--jsno"}, "lumivane-cli: sources: unknown option --jsno (only --json)\n",
         "(more: lumivane-cli sources --help)\n"},
        {{"scan", "--source", "test:0", "--blur", "4", "-o", "x.png"}, "lumivane-cli: --blur takes an odd SIZE 3..29",
         "(more: lumivane-cli scan --help)\n"},
        {{"scan", "--source", "test:0", "--set", "m_bBlurr=1", "-o", "x.png"},
         "lumivane-cli: --set: no setting is called \"m_bBlurr\" (did you mean m_bBlur?)\n",
         "(more: lumivane-cli scan --help)\n"},
        {{"grab", "--frobnicate", "-o", "x.png"}, "lumivane-cli: grab: unknown option --frobnicate\n",
         "(more: lumivane-cli grab --help)\n"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunCli(dir, c.arguments);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_EQ(outcome.err.rfind(c.line, 0), 0u) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 2) << outcome.err;
        EXPECT_TRUE(outcome.err.ends_with(c.pointer)) << outcome.err;
        EXPECT_EQ(outcome.out, "");
    }
}

TEST(CliApply, SetKeysAreForgivingAboutCaseAndBlanks) {
    TempDir dir;
    SavedPicture(dir, "in.bmp", 9, 40, 30);
    const Outcome exact = RunCli(dir, {"apply", "--set", "m_bHSB =1", "--set", "m_nHue=70", dir.File("in.bmp"), "-o",
                                       dir.File("exact.bmp")});
    ASSERT_EQ(exact.status, 0) << exact.err;
    const Outcome typed = RunCli(dir, {"apply", "--set", "m_bhsb=1", "--set", " M_NHUE=70", dir.File("in.bmp"), "-o",
                                       dir.File("typed.bmp")});
    ASSERT_EQ(typed.status, 0) << typed.err;
    const std::string written = ReadText(dir.File("exact.bmp"));
    EXPECT_EQ(written, ReadText(dir.File("typed.bmp")));
    EXPECT_NE(written, ReadText(dir.File("in.bmp"))) << "the hue turned";
}

// Every stage on, away from its neutral values: a named option that switches one off must show.
const char* const kEverythingOn =
    "\r\n[Settings]\r\nm_bBlur=1\r\nm_bBrightness =1\r\nm_nBrightR=70\r\nm_nBrightG=40\r\nm_bContrast=1\r\n"
    "m_nContrastB=30\r\nm_bHSB =1\r\nm_nHue=30\r\nm_nSaturation=80\r\nm_bInvertR=1\r\nm_bGrayScale=1\r\n"
    "m_bSharpen=1\r\nm_bEmboss=1\r\nm_bCrop=1\r\nm_cBmpWndOriginal.m_bCrop=1\r\nm_cBmpWndOriginal.CroprcL=0.2\r\n"
    "m_bLight1=1\r\nLight1R=0\r\nm_bResize=1\r\nm_nSizeX=70\r\nm_nSizeY=50\r\n";

TEST(CliApply, NamedOptionsWriteTheBytesOfTheirSetLines) {
    TempDir dir;
    WriteText(dir.File("on.qmx"), kEverythingOn);
    std::vector<NamedOptionRow> rows = NamedOptionRows();
    // Named options come after the --set lines whatever their place, in their own order.
    rows.push_back({{"--blur", "9", "--set", "m_nBlurSize=3", "--sharpen", "--no-blur"},
                    "m_nBlurSize=3\nm_bBlur=1\nm_nBlurSize=9\nm_bSharpen=1\nm_bBlur=0\n"});
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const NamedOptionRow& row = rows[i];
        SavedPicture(dir, "in.bmp", static_cast<std::uint32_t>(100 + i), static_cast<std::int32_t>(50 + 3 * i),
                     static_cast<std::int32_t>(40 + 2 * i));
        std::vector<std::string> base = {"apply"};
        if (row.switchesOff) base = {"apply", "--profile", dir.File("on.qmx")};
        std::vector<std::string> named = base;
        named.insert(named.end(), row.arguments.begin(), row.arguments.end());
        std::vector<std::string> set = base;
        for (std::size_t start = 0, end; (end = row.lines.find('\n', start)) != std::string::npos; start = end + 1) {
            set.push_back("--set");
            set.push_back(row.lines.substr(start, end - start));
        }
        for (auto* arguments : {&base, &named, &set}) {
            arguments->push_back(dir.File("in.bmp"));
            arguments->push_back("-o");
        }
        base.push_back(dir.File("base.bmp"));
        named.push_back(dir.File("named.bmp"));
        set.push_back(dir.File("set.bmp"));
        const std::string shown = row.arguments.front();
        for (const auto& arguments : {base, named, set}) {
            const Outcome outcome = RunCli(dir, arguments);
            ASSERT_EQ(outcome.status, 0) << shown << ": " << outcome.err;
        }
        const std::string written = ReadText(dir.File("named.bmp"));
        EXPECT_EQ(written, ReadText(dir.File("set.bmp"))) << shown;
        EXPECT_NE(written, ReadText(dir.File("base.bmp"))) << shown << " changed nothing";
    }
}

TEST(CliApply, CropOfTheWholePictureLeavesItAsItIs) {
    TempDir dir;
    const BMP_File input = SavedPicture(dir, "in.bmp", 21, 576, 386);  // twice the default pane
    ASSERT_EQ(RunCli(dir, {"apply", "--crop", "0,0,1,1", dir.File("in.bmp"), "-o", dir.File("all.bmp")}).status, 0);
    EXPECT_TRUE(SamePixels(input, BMP_File(dir.File("all.bmp"))));
    // A quarter from each side: pane pixels 72..216 across (picture 144..432) and 48..145 down (96..290).
    ASSERT_EQ(RunCli(dir, {"apply", "--crop", "25%,25%,75%,75%", dir.File("in.bmp"), "-o", dir.File("q.bmp")}).status,
              0);
    const BMP_File quarter(dir.File("q.bmp"));
    ASSERT_EQ(quarter.Width(), 288);
    ASSERT_EQ(quarter.Height(), 194);
    EXPECT_EQ(quarter.Row(0)[0], input.Row(96)[144]);
    EXPECT_EQ(quarter.Row(193)[287], input.Row(289)[431]);
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

TEST(CliProfile, SetEditsInPlaceAndGivesWhatTheOptionsGive) {
    TempDir dir;
    const std::string sample = ReadText(LUMIVANE_SOURCE "/resources/sample.qmx");
    WriteText(dir.File("p.qmx"), sample);
    SavedPicture(dir, "in.bmp", 30, 70, 50);
    const std::vector<std::string> edits = {"m_bhsb=0", "--blur", "9", "--light", "3:10%,0,1,0.5:#102030"};
    std::vector<std::string> set = {"profile", "set", dir.File("p.qmx")};
    set.insert(set.end(), edits.begin(), edits.end());
    const Outcome edited = RunCli(dir, set);
    ASSERT_EQ(edited.status, 0) << edited.err;
    EXPECT_EQ(edited.out + edited.err, "");

    // Line for line the same file, but for the lines of the keys set.
    const std::string after = ReadText(dir.File("p.qmx"));
    std::vector<std::string> changed;
    for (std::size_t a = 0, b = 0; a < sample.size() && b < after.size();) {
        const std::size_t endA = sample.find('\n', a);
        const std::size_t endB = after.find('\n', b);
        ASSERT_NE(endA, std::string::npos);
        ASSERT_NE(endB, std::string::npos);
        const std::string lineA = sample.substr(a, endA + 1 - a);
        const std::string lineB = after.substr(b, endB + 1 - b);
        if (lineA != lineB) changed.push_back(lineB);
        a = endA + 1;
        b = endB + 1;
    }
    EXPECT_EQ(std::count(sample.begin(), sample.end(), '\n'), std::count(after.begin(), after.end(), '\n'));
    EXPECT_EQ(changed.size(), 11u) << "blur 2, hsb 1, light 3: switch, rectangle 4, colour 3";
    EXPECT_EQ(changed.front(), "m_bBlur=1\r\n");

    // Applying the edited profile is applying the original one with the same options.
    ASSERT_EQ(RunCli(dir, {"apply", "--profile", dir.File("p.qmx"), dir.File("in.bmp"), "-o", dir.File("a.bmp")}).status,
              0);
    WriteText(dir.File("original.qmx"), sample);
    std::vector<std::string> apply = {"apply", "--profile", dir.File("original.qmx")};
    apply.push_back("--set");
    apply.insert(apply.end(), edits.begin(), edits.end());
    apply.insert(apply.end(), {dir.File("in.bmp"), "-o", dir.File("b.bmp")});
    ASSERT_EQ(RunCli(dir, apply).status, 0);
    EXPECT_EQ(ReadText(dir.File("a.bmp")), ReadText(dir.File("b.bmp")));

    // A mistake leaves the file as it was.
    const Outcome wrong = RunCli(dir, {"profile", "set", dir.File("p.qmx"), "m_nHue=1", "--blur", "4"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(ReadText(dir.File("p.qmx")), after);
    const Outcome missing = RunCli(dir, {"profile", "set", dir.File("none.qmx"), "m_nHue=1"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind("lumivane-cli: " + dir.File("none.qmx") + ": ", 0), 0u) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.qmx")));
    EXPECT_EQ(RunCli(dir, {"profile", "set", dir.File("p.qmx")}).status, 2) << "nothing to set";
    EXPECT_EQ(RunCli(dir, {"profile", "set", dir.File("p.qmx"), "--rotate", "1"}).status, 2);
}

TEST(CliProfile, NewIsTheDefaultsWithTheEditsAndKeepsLfFilesLf) {
    TempDir dir;
    ASSERT_EQ(RunCli(dir, {"profile", "new", "-o", dir.File("n.qmx"), "--grey", "--hsb", "10,20,30", "m_nSizeX=64"})
                  .status,
              0);
    ASSERT_EQ(RunCli(dir, {"profile", "defaults", "-o", dir.File("d.qmx")}).status, 0);
    ASSERT_EQ(RunCli(dir, {"profile", "set", dir.File("d.qmx"), "--grey", "--hsb", "10,20,30", "m_nSizeX=64"}).status,
              0);
    EXPECT_EQ(ReadText(dir.File("n.qmx")), ReadText(dir.File("d.qmx")));
    const Outcome printed = RunCli(dir, {"profile", "new", "--grey"});
    EXPECT_NE(printed.out.find("\r\nm_bGrayScale=1\r\n"), std::string::npos) << "without -o on stdout";

    WriteText(dir.File("lf.qmx"), "[Settings]\nm_bBlur=0\n");
    ASSERT_EQ(RunCli(dir, {"profile", "set", dir.File("lf.qmx"), "--blur", "3"}).status, 0);
    EXPECT_EQ(ReadText(dir.File("lf.qmx")), "[Settings]\nm_bBlur=1\nm_nBlurSize=3\n");
}

TEST(CliProfile, ShowJsonAndDiffForScripts) {
    TempDir dir;
    WriteText(dir.File("a.qmx"), "[Settings]\r\nm_bHSB =1\r\nm_nHue=12abc\r\nm_cBmpWndOriginal.CroprcT=0.25\r\n");
    WriteText(dir.File("b.qmx"), "[Settings]\r\nm_nHue=12\r\nm_bBlur=1\r\n");
    const Outcome json = RunCli(dir, {"profile", "show", "--json", dir.File("a.qmx")});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.front(), '{');
    EXPECT_NE(json.out.find("\n  \"m_bHSB\": 1,\n  \"m_nHue\": 12,\n"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\n  \"m_cBmpWndOriginal.CroprcT\": 0.250000,\n"), std::string::npos);

    const Outcome diff = RunCli(dir, {"profile", "diff", dir.File("a.qmx"), dir.File("b.qmx")});
    ASSERT_EQ(diff.status, 0) << diff.err;
    EXPECT_EQ(diff.out, "m_bBlur: 0 -> 1\nm_bHSB: 1 -> 0\nm_cBmpWndOriginal.CroprcT: 0.250000 -> 0.026882\n");
    EXPECT_EQ(RunCli(dir, {"profile", "diff", dir.File("a.qmx"), dir.File("a.qmx")}).out, "");
    const Outcome missing = RunCli(dir, {"profile", "diff", dir.File("a.qmx"), dir.File("none.qmx")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(dir.File("none.qmx")), std::string::npos);
    EXPECT_EQ(RunCli(dir, {"profile", "diff", dir.File("a.qmx")}).status, 2);
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

TEST(CliBatch, ASummaryLineEndsTheBatchUnlessQuiet) {
    TempDir dir;
    SavedPicture(dir, "a.bmp", 10, 12, 9);
    SavedPicture(dir, "c.bmp", 11, 9, 12);
    WriteText(dir.File("b.bmp"), "not a picture");
    const std::vector<std::string> batch = {"apply", dir.File("a.bmp"), dir.File("b.bmp"), dir.File("c.bmp"),
                                            "--out-dir", dir.File("out")};
    const Outcome told = RunCli(dir, batch);
    EXPECT_EQ(told.status, 1);
    const std::size_t last = told.err.rfind('\n', told.err.size() - 2) + 1;
    const std::string summary = told.err.substr(last);
    EXPECT_EQ(summary.rfind("2 written, 1 failed, ", 0), 0u) << told.err;
    EXPECT_TRUE(summary.ends_with(" s\n")) << summary;
    EXPECT_EQ(told.err.substr(0, last), "lumivane-cli: " + dir.File("b.bmp") + ": not a PNG, JPEG, GIF, BMP or TIFF file\n");

    std::vector<std::string> quiet = batch;
    quiet.push_back("--quiet");
    EXPECT_EQ(RunCli(dir, quiet).err, told.err.substr(0, last)) << "errors only";
    // Without the broken input: nothing at all.
    const Outcome silent = RunCli(dir, {"apply", "-q", dir.File("a.bmp"), dir.File("c.bmp"), "--out-dir", dir.File("o")});
    EXPECT_EQ(silent.status, 0);
    EXPECT_EQ(silent.err, "");
    // One picture with -o: no summary.
    EXPECT_EQ(RunCli(dir, {"apply", dir.File("a.bmp"), "-o", dir.File("one.bmp")}).err, "");
}

TEST(CliApply, QualityIsTheJpegQuality) {
    TempDir dir;
    const BMP_File input = SavedPicture(dir, "in.bmp", 12, 64, 48);
    ASSERT_EQ(RunCli(dir, {"apply", dir.File("in.bmp"), "-o", dir.File("usual.jpg")}).status, 0);
    ASSERT_EQ(RunCli(dir, {"apply", "--quality", "30", dir.File("in.bmp"), "-o", dir.File("low.jpg")}).status, 0);
    ASSERT_TRUE(WriteImageFile(dir.File("at75.jpg"), input, ImageFormat::Jpeg, 1));
    ASSERT_TRUE(WriteImageFile(dir.File("at30.jpg"), input, ImageFormat::Jpeg, 1, 30));
    EXPECT_EQ(ReadText(dir.File("usual.jpg")), ReadText(dir.File("at75.jpg"))) << "75 as the window saves";
    EXPECT_EQ(ReadText(dir.File("low.jpg")), ReadText(dir.File("at30.jpg")));
    EXPECT_NE(ReadText(dir.File("low.jpg")), ReadText(dir.File("usual.jpg")));
    for (const char* wrong : {"0", "101", "high"}) {
        const Outcome outcome = RunCli(dir, {"apply", "--quality", wrong, dir.File("in.bmp"), "-o", dir.File("x.jpg")});
        EXPECT_EQ(outcome.status, 2);
        EXPECT_NE(outcome.err.find("--quality takes a JPEG quality 1..100, not "), std::string::npos) << outcome.err;
    }
}

TEST(CliApply, SettingsThatWillNotDoWhatTheySayAreWarnedAbout) {
    TempDir dir;
    SavedPicture(dir, "in.bmp", 13, 30, 20);
    const Outcome typo = RunCli(dir, {"apply", "--set", "m_nHue=12abc", "--set", "m_bHSB=1", dir.File("in.bmp"), "-o",
                                      dir.File("typo.bmp")});
    EXPECT_EQ(typo.status, 0);
    EXPECT_EQ(typo.err, "lumivane-cli: warning: --set m_nHue=12abc: \"12abc\" is not a whole number; the setting "
                        "takes 12\n");
    ASSERT_EQ(RunCli(dir, {"apply", "--set", "m_nHue=12", "--set", "m_bHSB=1", dir.File("in.bmp"), "-o",
                           dir.File("twelve.bmp")})
                  .status,
              0);
    EXPECT_EQ(ReadText(dir.File("typo.bmp")), ReadText(dir.File("twelve.bmp"))) << "taken as a profile would";

    WriteText(dir.File("huge.qmx"), "\r\n[Settings]\r\nm_bResize=1\r\nm_nSizeX=20000\r\nm_nSizeY=20000\r\n");
    const Outcome huge = RunCli(dir, {"apply", "--preview", "--profile", dir.File("huge.qmx"), dir.File("in.bmp"), "-o",
                                      dir.File("huge.bmp")});
    EXPECT_EQ(huge.status, 0);
    EXPECT_EQ(huge.err, "lumivane-cli: warning: resize to 20000 x 20000 is beyond the limit of 268435456 pixels and "
                        "is skipped\n");
    EXPECT_EQ(BMP_File(dir.File("huge.bmp")).Width(), 288) << "the pane-sized preview, not resized";
    const Outcome full = RunCli(dir, {"apply", "--profile", dir.File("huge.qmx"), dir.File("in.bmp"), "-o",
                                      dir.File("huge.bmp")});
    EXPECT_EQ(full.status, 0);
    EXPECT_EQ(full.err, huge.err) << "the full-size run skips it too";
    EXPECT_EQ(BMP_File(dir.File("huge.bmp")).Width(), 30);
    const Outcome none = RunCli(dir, {"apply", "--set", "m_bResize=1", "--set", "m_nSizeX=0", dir.File("in.bmp"), "-o",
                                      dir.File("none.bmp")});
    EXPECT_EQ(none.err, "lumivane-cli: warning: resize to 0 x 300 has no pixels and is skipped\n");
    // A named option that resizes within the limit: no warning.
    EXPECT_EQ(RunCli(dir, {"apply", "--profile", dir.File("huge.qmx"), "--resize", "20x10", dir.File("in.bmp"), "-o",
                           dir.File("fine.bmp")})
                  .err,
              "");
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

TEST(CliApply, MaxPixelsRefusesLargerPicturesOnly) {
    TempDir dir;
    SavedPicture(dir, "in.bmp", 3, 40, 30);
    const Outcome refused = RunCli(dir, {"apply", "--max-pixels", "1199", dir.File("in.bmp"), "-o", dir.File("o.png")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("in.bmp: a picture of 40 × 30 pixels is larger than the limit of 1199 pixels"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.png")));
    EXPECT_EQ(RunCli(dir, {"apply", "--max-pixels=1200", dir.File("in.bmp"), "-o", dir.File("o.png")}).status, 0);
    EXPECT_EQ(RunCli(dir, {"apply", "--max-pixels", "0", dir.File("in.bmp"), "-o", dir.File("o.png")}).status, 2);
}
