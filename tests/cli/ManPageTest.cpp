// The manual page of lumivane-cli keeps up with the program: every correction option is described, and groff
// formats the page without a warning.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/NamedOptions.h"

namespace {

const std::string kPage = LUMIVANE_SOURCE "/resources/lumivane-cli.1";

// An option name as the page sets it: bold, with each "-" escaped.
std::string Bold(std::string_view name) {
    std::string text = "\\fB";
    for (const char c : name) text += c == '-' ? std::string("\\-") : std::string(1, c);
    return text + "\\fR";
}

}  // namespace

TEST(ManPage, DescribesEveryOptionAndFormatsCleanly) {
    std::ifstream in(kPage, std::ios::binary);
    ASSERT_TRUE(in) << kPage;
    const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (const NamedOptionInfo& info : NamedOptionTable()) {
        EXPECT_NE(page.find(".TP\n" + Bold(info.name)), std::string::npos) << info.name << " is not described";
    }
    // The other options of apply each head a paragraph of their own (.TP, then .B or .BI and the name).
    for (const char* option : {"--profile", "--set", "--rotate", "--pane", "--out-dir", "--format", "--jobs",
                               "--quality", "--preview"}) {
        const std::string escaped = Bold(option).substr(3, Bold(option).size() - 6);
        EXPECT_TRUE(page.find(".TP\n.B " + escaped) != std::string::npos ||
                    page.find(".TP\n.BI " + escaped) != std::string::npos)
            << option;
    }
    const std::string check = "command -v groff >/dev/null || exit 0; test -z \"$(groff -man -ww -z '" + kPage +
                              "' 2>&1)\"";
    EXPECT_EQ(std::system(check.c_str()), 0) << "groff warns about the page";
}
