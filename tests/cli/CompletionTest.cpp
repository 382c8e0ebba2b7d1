// The completion scripts: what bash offers at each place of a command line, and that the scripts parse.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/Completion.h"
#include "tests/support/TestSupport.h"

using testsupport::TempDir;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What the bash function offers for the words (the last one being completed), sorted, one a line.
std::string Offered(const TempDir& dir, const std::string& words) {
    const std::string command = "cd '" + dir.File("files") + "' && bash -c 'source ../script.bash; COMP_WORDS=(" +
                                words + "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _lumivane_cli; " +
                                "printf \"%s\\n\" \"${COMPREPLY[@]}\" | LC_ALL=C sort' > ../offered.txt 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << words;
    return ReadText(dir.File("offered.txt"));
}

}  // namespace

TEST(Completion, BashOffersWhatEachPlaceTakes) {
    TempDir dir;
    std::ofstream(dir.File("script.bash")) << *CompletionScript("bash");
    std::filesystem::create_directories(dir.path() / "files" / "sub");
    for (const char* name : {"a.png", "B.JPG", "c.jpeg", "notes.txt", "warm.qmx"}) {
        std::ofstream(dir.File(std::string("files/") + name)) << "x";
    }
    struct Case {
        const char* words;
        const char* offered;
    };
    for (const Case& c : {
             Case{"lumivane-cli ap", "apply\n"},
             Case{"lumivane-cli apply --bl", "--blur\n"},
             Case{"lumivane-cli apply --no-h", "--no-hsb\n"},
             Case{"lumivane-cli apply --set m_bh", "m_bHSB=\n"},
             Case{"lumivane-cli apply --set m_nsize", "m_nSizeX=\nm_nSizeY=\n"},
             Case{"lumivane-cli apply --format \"\"", "bmp\ngif\njpg\npng\n"},
             Case{"lumivane-cli apply --blur \"\"", "\n"},
             Case{"lumivane-cli apply \"\"", "B.JPG\na.png\nc.jpeg\nsub\n"},
             Case{"lumivane-cli apply --profile \"\"", "sub\nwarm.qmx\n"},
             Case{"lumivane-cli apply a.png --out-dir \"\"", "sub\n"},
             Case{"lumivane-cli profile s", "set\nshow\n"},
             Case{"lumivane-cli profile show \"\"", "sub\nwarm.qmx\n"},
             Case{"lumivane-cli profile set warm.qmx light1", "Light1B=\nLight1G=\nLight1R=\n"},
             Case{"lumivane-cli profile new --cr", "--crop\n"},
             Case{"lumivane-cli profile show --j", "--json\n"},
             Case{"lumivane-cli completion \"\"", "bash\nfish\nzsh\n"},
             Case{"lumivane-cli sources --j", "--json\n"},
             Case{"lumivane-cli scan --gr", "--gray\n--grey\n"},
             Case{"lumivane-cli scan --so", "--source\n"},
             Case{"lumivane-cli grab --ca", "--camera\n"},
             Case{"lumivane-cli watch --ex", "--existing\n"},
             Case{"lumivane-cli watch \"\"", "sub\n"},
         }) {
        EXPECT_EQ(Offered(dir, c.words), c.offered) << c.words;
    }
}

// What the zsh function offers, with compadd and _files standing in for zsh's own (they print their words):
// zsh itself narrows the words down to what was typed.
std::string ZshOffered(const TempDir& dir, const std::string& words) {
    const std::string script =
        "compdef() { :; }\n"
        "compadd() { while [[ $1 == -* && $1 != -- ]]; do case $1 in -M|-S) shift 2;; *) shift;; esac; done\n"
        "  [[ $1 == -- ]] && shift; print -rl -- \"$@\"; }\n"
        "_files() { print -r -- \"files $*\"; }\n"
        "source " + dir.File("script.zsh") + "\n"
        "words=(" + words + "); CURRENT=${#words}; _lumivane_cli\n";
    std::ofstream(dir.File("run.zsh")) << script;
    EXPECT_EQ(std::system(("zsh -f " + dir.File("run.zsh") + " > " + dir.File("offered.txt") + " 2>&1").c_str()), 0);
    return ReadText(dir.File("offered.txt"));
}

TEST(Completion, ZshOffersWhatEachPlaceTakes) {
    if (std::system("command -v zsh >/dev/null") != 0) GTEST_SKIP() << "zsh is not installed";
    TempDir dir;
    std::ofstream(dir.File("script.zsh")) << *CompletionScript("zsh");
    struct Case {
        const char* words;
        const char* offered;  // the start of the output
    };
    for (const Case& c : {
             Case{"lumivane-cli ap", "apply\nprofile\nwatch\nsources\nscan\ngrab\ncompletion\nhelp\n--help\n--version\n"},
             Case{"lumivane-cli apply --format ''", "png\njpg\ngif\nbmp\n"},
             Case{"lumivane-cli apply --set m_bh", "m_bBlur\nm_nBlurSize\nm_bBrightness\n"},
             Case{"lumivane-cli apply ''", "files -g *.(png|PNG|jpg|JPG|jpeg|JPEG|gif|GIF|bmp|BMP)\n"},
             Case{"lumivane-cli apply --profile ''", "files -g *.(qmx|QMX)\n"},
             Case{"lumivane-cli apply --out-dir ''", "files -/\n"},
             Case{"lumivane-cli apply --blur ''", ""},
             Case{"lumivane-cli profile s", "show\ndefaults\nset\nnew\ndiff\n"},
             Case{"lumivane-cli profile set warm.qmx m_n", "m_bBlur\n"},
             Case{"lumivane-cli profile show ''", "files -g *.(qmx|QMX)\n"},
             Case{"lumivane-cli sources --j", "--json\n--help\n"},
             Case{"lumivane-cli scan --so", "--source\n--profile\n"},
             Case{"lumivane-cli grab --ca", "--camera\n--profile\n"},
             Case{"lumivane-cli watch ''", "files -/\n"},
         }) {
        const std::string offered = ZshOffered(dir, c.words);
        EXPECT_EQ(offered.substr(0, std::string(c.offered).size()), c.offered) << c.words << "\n" << offered;
    }
    EXPECT_NE(ZshOffered(dir, "lumivane-cli profile new --cr").find("\n--crop\n"), std::string::npos);
    EXPECT_EQ(ZshOffered(dir, "lumivane-cli profile show --j").find("--crop"), std::string::npos);
    EXPECT_NE(ZshOffered(dir, "lumivane-cli grab --gr").find("\n--grey\n"), std::string::npos);
}

TEST(Completion, EveryScriptParses) {
    TempDir dir;
    for (const char* shell : {"bash", "zsh", "fish"}) {
        const std::optional<std::string> script = CompletionScript(shell);
        ASSERT_TRUE(script.has_value()) << shell;
        EXPECT_NE(script->find("blur"), std::string::npos) << shell;
        EXPECT_NE(script->find("m_nBlurSize"), std::string::npos) << shell;
        const std::string path = dir.File(std::string("script.") + shell);
        std::ofstream(path) << *script;
        // Each shell checks the syntax of its own script where it is installed.
        const std::string check = std::string("command -v ") + shell + " >/dev/null || exit 0; " + shell + " -n '" +
                                  path + "'";
        EXPECT_EQ(std::system(("sh -c \"" + check + "\"").c_str()), 0) << shell;
    }
    EXPECT_FALSE(CompletionScript("tcsh").has_value());
}
