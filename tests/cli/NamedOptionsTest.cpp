// Named options: each one is exactly its profile lines; rectangles land on the pane pixels the fractions name; wrong
// values are refused with the option and its range.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "app/CLumivaneState.h"
#include "cli/NamedOptions.h"
#include "tests/cli/NamedOptionRows.h"

namespace {

std::string Shown(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) text += argument + " ";
    return text;
}

std::vector<NamedOption> Take(const std::vector<std::string>& arguments, std::string* error) {
    std::vector<NamedOption> options;
    std::size_t next = 0;
    while (next < arguments.size()) {
        if (!TakeNamedOption(arguments, next, options, error)) {
            ADD_FAILURE() << arguments[next] << " is not a named option";
            break;
        }
    }
    return options;
}

}  // namespace

TEST(NamedOptions, EachOptionIsItsProfileLines) {
    for (const NamedOptionRow& row : NamedOptionRows()) {
        std::string error;
        const std::vector<NamedOption> options = Take(row.arguments, &error);
        ASSERT_EQ(options.size(), 1u) << Shown(row.arguments) << error;
        EXPECT_EQ(ProfileLines(options, PaneGeometry{}), row.lines) << Shown(row.arguments);
    }
    // Every option of the table has its row.
    for (const NamedOptionInfo& info : NamedOptionTable()) {
        bool found = false;
        for (const NamedOptionRow& row : NamedOptionRows()) {
            found = found || row.arguments.front().substr(0, row.arguments.front().find('=')) == info.name;
        }
        EXPECT_TRUE(found) << info.name << " has no row";
    }
}

TEST(NamedOptions, RectanglesLandOnThePanePixelsTheFractionsName) {
    std::mt19937 random(17);
    std::uniform_int_distribution<std::int32_t> side(8, 3000);
    std::uniform_real_distribution<double> part(0.0, 1.0);
    for (int round = 0; round < 300; ++round) {
        const Size pane{side(random), side(random)};
        double f[4] = {part(random), part(random), part(random), part(random)};
        if (f[0] > f[2]) std::swap(f[0], f[2]);
        if (f[1] > f[3]) std::swap(f[1], f[3]);
        if (f[0] == f[2] || f[1] == f[3]) continue;
        const std::string rect = std::to_string(f[0]) + "," + std::to_string(f[1]) + "," + std::to_string(f[2]) + "," +
                                 std::to_string(f[3]);
        // The fractions as the option reads them (std::to_string writes six decimals).
        double g[4];
        for (int i = 0; i < 4; ++i) g[i] = std::stod(std::to_string(f[i]));
        const Rect expected{static_cast<std::int32_t>(std::llround(g[0] * pane.width)),
                            static_cast<std::int32_t>(std::llround(g[1] * pane.height)),
                            static_cast<std::int32_t>(std::llround(g[2] * pane.width)),
                            static_cast<std::int32_t>(std::llround(g[3] * pane.height))};
        const bool shown = round % 2 == 1;
        const int light = round % 3;

        CLumivaneState state(pane);
        if (shown) state.ApplyProfileLines("m_cBmpWndDestination.m_bLight" + std::to_string(light + 1) + "=1\n");
        std::string error;
        const std::vector<NamedOption> options =
            Take({"--crop", rect, "--light", std::to_string(light + 1) + ":" + rect}, &error);
        ASSERT_EQ(options.size(), 2u) << error;
        state.ApplyProfileLines(ProfileLines(options, PaneGeometryOf(state)));
        const Rect& crop = state.m_settings.m_rcCrop;
        const Rect& lit = state.m_settings.*kLights[light].rect;
        const std::string where = std::to_string(pane.width) + "x" + std::to_string(pane.height) + " " + rect;
        EXPECT_EQ(crop.left, expected.left) << where;
        EXPECT_EQ(crop.top, expected.top) << where;
        EXPECT_EQ(crop.right, expected.right) << where;
        EXPECT_EQ(crop.bottom, expected.bottom) << where;
        EXPECT_EQ(lit.left, expected.left) << where << (shown ? " shown" : " hidden");
        EXPECT_EQ(lit.top, expected.top) << where << (shown ? " shown" : " hidden");
        EXPECT_EQ(lit.right, expected.right) << where << (shown ? " shown" : " hidden");
        EXPECT_EQ(lit.bottom, expected.bottom) << where << (shown ? " shown" : " hidden");
    }
}

TEST(NamedOptions, WrongValuesNameTheOptionAndItsRange) {
    struct Case {
        std::vector<std::string> arguments;
        const char* error;
    };
    const std::vector<Case> cases = {
        {{"--blur", "4"}, "--blur takes an odd SIZE 3..29, not 4"},
        {{"--blur", "31"}, "--blur takes an odd SIZE 3..29, not 31"},
        {{"--blur"}, "--blur needs a value: SIZE"},
        {{"--brightness", "101"}, "--brightness takes R[,G,B], whole numbers 0..100 (50 leaves a channel as it is), "
                                  "not 101"},
        {{"--contrast", "50,50"}, "--contrast takes R[,G,B], whole numbers 0..100 (50 leaves a channel as it is), "
                                  "not 50,50"},
        {{"--hsb", "50"}, "--hsb takes H,S,B, whole numbers 0..100 (50 leaves it as it is), not 50"},
        {{"--hsb", "-1,50,50"}, "--hsb takes H,S,B, whole numbers 0..100 (50 leaves it as it is), not -1,50,50"},
        {{"--invert", "rr"}, "--invert takes the channels to invert: r, g, b or several of them (rg, gb, rgb), not rr"},
        {{"--invert", "x"}, "--invert takes the channels to invert: r, g, b or several of them (rg, gb, rgb), not x"},
        {{"--grey=1"}, "--grey takes no value, not 1"},
        {{"--resize", "0x10"}, "--resize takes WIDTHxHEIGHT, each 1..65535 and at most 268435456 pixels in all, "
                               "not 0x10"},
        {{"--resize", "65536x1"}, "--resize takes WIDTHxHEIGHT, each 1..65535 and at most 268435456 pixels in all, "
                                  "not 65536x1"},
        {{"--resize", "16385x16384"}, "--resize takes WIDTHxHEIGHT, each 1..65535 and at most 268435456 pixels in "
                                      "all, not 16385x16384"},
        {{"--crop", "0.5,0,0.5,1"}, "--crop takes L,T,R,B as fractions 0..1 of the picture or percentages 0%..100%, "
                                    "left < right and top < bottom, not 0.5,0,0.5,1"},
        {{"--crop", "0,0,101%,1"}, "--crop takes L,T,R,B as fractions 0..1 of the picture or percentages 0%..100%, "
                                   "left < right and top < bottom, not 0,0,101%,1"},
        {{"--crop", "0,0,1,1,"}, "--crop takes L,T,R,B as fractions 0..1 of the picture or percentages 0%..100%, "
                                 "left < right and top < bottom, not 0,0,1,1,"},
        {{"--light", "0:0,0,1,1"}, "--light takes N:L,T,R,B[:#RRGGBB], N 1..3 and the rectangle as for --crop, not "
                                   "0:0,0,1,1"},
        {{"--light", "1:0,0,1,1:#12345"}, "--light takes N:L,T,R,B[:#RRGGBB], N 1..3 and the rectangle as for --crop, "
                                          "not 1:0,0,1,1:#12345"},
        {{"--no-light", "4"}, "--no-light takes a light 1..3, not 4"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_TRUE(Take(c.arguments, &error).empty()) << Shown(c.arguments);
        EXPECT_EQ(error, c.error);
    }
    std::vector<NamedOption> options;
    std::size_t next = 0;
    std::string error;
    EXPECT_FALSE(TakeNamedOption({"--set", "m_bBlur=1"}, next, options, &error));
    EXPECT_EQ(next, 0u);
}
