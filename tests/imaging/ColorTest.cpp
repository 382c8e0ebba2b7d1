// The colour conversion and the colour stages against their straightforward versions (ReferenceColor), byte for
// byte: the conversions over every input that matters, the stages and the fused sweep on random pictures of random
// sizes at every processor level this processor runs, with one and two threads; and the edge cases the
// stages are known by.

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/Parallel.h"
#include "imaging/ColorChannelTable.h"
#include "imaging/ColorHLS.h"
#include "imaging/ColorHsbTables.h"
#include "imaging/ColorStages.h"
#include "imaging/ColorSweep.h"
#include "imaging/CpuLevel.h"
#include "tests/imaging/ReferenceColor.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::Copy;
using testsupport::RandomImage;
using testsupport::RandomSide;
using testsupport::SamePixels;

std::uint32_t Packed(const Pixel& p) {
    return MakeRGB(p.r, p.g, p.b);
}

// A picture holding every colour once: 4096 × 4096, red in the low bits of the pixel index.
BMP_File EveryColour() {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(4096, 4096));
    for (std::uint32_t i = 0; i < (1u << 24); ++i) {
        picture.Data()[i] =
            Pixel{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i >> 16)};
    }
    return picture;
}

BMP_File OnePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(1, 1));
    picture.PixelAt(0, 0) = Pixel{r, g, b};
    return picture;
}

// Effect values: mostly the slider range, sometimes what a hand-edited profile may hold.
std::int32_t RandomValue(std::mt19937& random) {
    constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();
    static const std::int32_t kOdd[] = {-50,     -1,      -3000,    101,       150,       1000,    100000,
                                        -100000, 2000000, 16777217, -16777219, 987654321, kLowest, kHighest};
    if (std::uniform_int_distribution<int>(0, 5)(random) == 0) {
        return kOdd[std::uniform_int_distribution<std::size_t>(0, std::size(kOdd) - 1)(random)];
    }
    return std::uniform_int_distribution<std::int32_t>(0, 100)(random);
}

// Random pictures from 1 × 1 upward, and now and then one large enough to be split between two threads.
BMP_File RandomPicture(std::mt19937& random, int round) {
    if (round % 8 == 7) return RandomImage(random, 731, 400);  // beyond kParallelMinPixels
    return RandomImage(random, RandomSide(random, 90), RandomSide(random, 90));
}

std::string Describe(CpuLevel level, int threads, std::int32_t width, std::int32_t height) {
    return std::string(CpuLevelName(level)) + ", " + std::to_string(threads) + " thread(s), " + std::to_string(width) +
           "x" + std::to_string(height);
}

// ---------------------------------------------------------------------------------------------------------------
// The conversion

TEST(ColorHLS, KnownColoursConvertAsPublished) {
    struct Case {
        const char* name;
        std::uint8_t r, g, b;
        std::uint16_t h, l, s;
    };
    const Case cases[] = {
        {"red", 255, 0, 0, 0, 120, 240},          {"green", 0, 255, 0, 80, 120, 240},
        {"blue", 0, 0, 255, 160, 120, 240},       {"yellow", 255, 255, 0, 40, 120, 240},
        {"white", 255, 255, 255, 160, 240, 0},    {"black", 0, 0, 0, 160, 0, 0},
        {"mid grey", 128, 128, 128, 160, 120, 0}, {"green-cyan", 10, 200, 90, 97, 99, 217},
        {"magenta", 200, 10, 190, 202, 99, 217},
    };
    for (const Case& c : cases) {
        const HLS hls = ColorRGBToHLS(MakeRGB(c.r, c.g, c.b));
        EXPECT_EQ(hls.hue, c.h) << c.name;
        EXPECT_EQ(hls.luminance, c.l) << c.name;
        EXPECT_EQ(hls.saturation, c.s) << c.name;
    }
}

TEST(ColorHLS, KnownValuesConvertBackAsPublished) {
    struct Case {
        const char* name;
        std::uint16_t h, l, s;
        std::uint8_t r, g, b;
    };
    const Case cases[] = {
        {"red", 0, 120, 240, 255, 0, 0},
        {"hue 120 is cyan", 120, 120, 240, 0, 255, 255},
        {"hue 360 closes the wheel at 120", 360, 120, 240, 0, 255, 255},
        {"muted", 200, 60, 100, 90, 37, 90},
        {"grey beyond 240 keeps its low byte", 0, 1000, 0, 38, 38, 38},
        {"luminance and saturation 300", 0, 300, 300, 239, 142, 142},
        {"largest values do not overflow", 0, 65535, 65535, 33, 222, 222},
        {"largest luminance, hue beyond the wheel", 359, 65535, 1, 32, 222, 238},
        {"saturation beyond 240", 77, 241, 500, 2, 254, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ColorHLSToRGB(c.h, c.l, c.s), MakeRGB(c.r, c.g, c.b)) << c.name;
    }
}

TEST(ColorHLS, ForwardMatchesReferenceForEveryColour) {
    for (std::uint32_t rgb = 0; rgb < (1u << 24); ++rgb) {
        const HLS fast = ColorRGBToHLS(rgb);
        const HLS slow = reference::RgbToHls(rgb);
        if (fast.hue != slow.hue || fast.luminance != slow.luminance || fast.saturation != slow.saturation) {
            FAIL() << "colour 0x" << std::hex << rgb;
        }
    }
}

TEST(ColorHLS, BackMatchesReferenceForEveryHueAndLevel) {
    std::vector<std::uint16_t> levels;
    for (int v = 0; v <= 240; ++v) levels.push_back(static_cast<std::uint16_t>(v));
    for (int v : {241, 250, 255, 256, 300, 479, 480, 481, 1000, 4095, 32767, 32768, 65534, 65535}) {
        levels.push_back(static_cast<std::uint16_t>(v));
    }
    std::vector<std::uint16_t> hues;
    for (int h = 0; h <= 360; ++h) hues.push_back(static_cast<std::uint16_t>(h));
    for (int h : {479, 480, 481, 1000, 65535}) hues.push_back(static_cast<std::uint16_t>(h));
    for (std::uint16_t h : hues) {
        for (std::uint16_t l : levels) {
            for (std::uint16_t s : levels) {
                if (ColorHLSToRGB(h, l, s) != reference::HlsToRgb(h, l, s)) {
                    FAIL() << "h " << h << " l " << l << " s " << s;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The stages' own edge cases

TEST(ColorStages, EdgeCasesOfSinglePixels) {
    struct Case {
        const char* name;
        Pixel in;
        void (*stage)(BMP_File&);
        Pixel out;
    };
    const Case cases[] = {
        {"grey drops the remainder", {255, 255, 254}, [](BMP_File& p) { GreyScaleStage(p, 1); }, {254, 254, 254}},
        {"invert red", {0, 100, 255}, [](BMP_File& p) { InvertStage(p, 0, 1); }, {255, 100, 255}},
        {"invert blue", {0, 100, 255}, [](BMP_File& p) { InvertStage(p, 2, 1); }, {0, 100, 0}},
        {"contrast 0 gives 128", {0, 77, 255}, [](BMP_File& p) { ContrastStage(p, 0, 0, 0, 1); }, {128, 128, 128}},
        {"contrast 100", {0, 127, 200}, [](BMP_File& p) { ContrastStage(p, 100, 100, 100, 1); }, {0, 126, 255}},
        {"contrast 70 in single precision",
         {138, 118, 128},
         [](BMP_File& p) { ContrastStage(p, 70, 70, 70, 1); },
         {141, 115, 128}},
        {"brightness 0 subtracts 150",
         {200, 100, 150},
         [](BMP_File& p) { BrightnessStage(p, 0, 0, 0, 1); },
         {50, 0, 0}},
        {"brightness 100 adds 150",
         {100, 105, 106},
         [](BMP_File& p) { BrightnessStage(p, 100, 100, 100, 1); },
         {250, 255, 255}},
        {"brightness 41, 57, 69 are one lower",
         {128, 128, 128},
         [](BMP_File& p) { BrightnessStage(p, 41, 57, 69, 1); },
         {100, 148, 184}},
        {"brightness 82 is one lower",
         {128, 0, 0},
         [](BMP_File& p) { BrightnessStage(p, 82, 50, 50, 1); },
         {223, 0, 0}},
        {"HSB 50/50/50 still converts", {10, 200, 90}, [](BMP_File& p) { HsbStage(p, 50, 50, 50, 1); }, {10, 201, 91}},
        {"HSB 50/50/50 still converts (2)",
         {17, 99, 201},
         [](BMP_File& p) { HsbStage(p, 50, 50, 50, 1); },
         {17, 100, 202}},
        {"contrast far beyond the range saturates",
         {129, 127, 128},
         [](BMP_File& p) {
             ContrastStage(p, std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
                           std::numeric_limits<std::int32_t>::min(), 1);
         },
         {255, 0, 128}},
        {"brightness far beyond the range saturates",
         {0, 255, 128},
         [](BMP_File& p) {
             BrightnessStage(p, std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::min(), 1);
         },
         {255, 0, 0}},
    };
    for (const Case& c : cases) {
        BMP_File picture = OnePixel(c.in.r, c.in.g, c.in.b);
        c.stage(picture);
        const Pixel& p = picture.PixelAt(0, 0);
        EXPECT_EQ(p, c.out) << c.name << ": got " << int{p.r} << "," << int{p.g} << "," << int{p.b};
    }
}

TEST(ColorStages, NeutralContrastAndBrightnessChangeNothing) {
    std::mt19937 random(11);
    const BMP_File original = RandomImage(random, 67, 41);
    BMP_File picture = Copy(original);
    ContrastStage(picture, 50, 50, 50, 1);
    BrightnessStage(picture, 50, 50, 50, 1);
    EXPECT_TRUE(SamePixels(original, picture));
}

TEST(ColorStages, HueAt100MovesEveryHueTo360) {
    std::mt19937 random(12);
    const BMP_File original = RandomImage(random, 53, 37);
    BMP_File picture = Copy(original);
    HsbStage(picture, 100, 50, 50, 1);
    for (std::int32_t y = 0; y < original.Height(); ++y) {
        for (std::int32_t x = 0; x < original.Width(); ++x) {
            const HLS hls = reference::RgbToHls(Packed(original.Row(y)[x]));
            ASSERT_EQ(Packed(picture.Row(y)[x]), reference::HlsToRgb(360, hls.luminance, hls.saturation))
                << "pixel " << x << ", " << y;
        }
    }
}

TEST(ColorStages, EmptyPictureIsLeftAlone) {
    BMP_File picture;
    ColorOps ops;
    ops.greyScale = ops.invertRed = ops.hsb = ops.contrast = ops.brightness = true;
    ColorPass(picture, ops, 2);
    EXPECT_TRUE(picture.IsEmpty());
}

// ---------------------------------------------------------------------------------------------------------------
// Fast against straightforward

// HSB over every colour: the table and vector kernels against the plain conversions, for values in the slider range
// (tables) and beyond it (the exact road).
TEST(ColorStages, HsbMatchesReferenceForEveryColour) {
    struct Case {
        std::int32_t hue, saturation, brightness;
        bool tables;
    };
    const Case cases[] = {
        {63, 41, 57, true},    {50, 50, 50, true},
        {0, 100, 0, true},     {30, 80, 60, true},  // greys gain saturation: their hue (160) shows
        {150, 70, 50, true},  // hue beyond the range stays on the tables: only its value modulo 240 matters
        {50, -50, 120, false}, {40, 100000, 60, false},
    };
    const BMP_File every = EveryColour();
    for (const Case& c : cases) {
        BMP_File expected = Copy(every);
        reference::Hsb(expected, c.hue, c.saturation, c.brightness);
        for (CpuLevel level : AvailableCpuLevels()) {
            const ColorHsbTables tables(c.hue, c.saturation, c.brightness, level);
            EXPECT_EQ(tables.UsesTables(), c.tables);
            BMP_File picture = Copy(every);
            for (std::int32_t y = 0; y < picture.Height(); ++y) tables.ApplyRow(picture.Row(y), picture.Width());
            EXPECT_TRUE(SamePixels(expected, picture))
                << CpuLevelName(level) << ", HSB " << c.hue << "/" << c.saturation << "/" << c.brightness;
        }
    }
}

// The per-channel tables at every level, including rows whose length is not a multiple of the vector width.
TEST(ColorStages, ChannelTablesMatchPlainLookupAtEveryLevel) {
    std::mt19937 random(21);
    const ColorChannelTable table = ColorChannelTable::Invert(true, false, true)
                                        .Then(ColorChannelTable::Contrast(70, 13, 91))
                                        .Then(ColorChannelTable::Brightness(41, 82, 30));
    for (int round = 0; round < 60; ++round) {
        const BMP_File original = RandomImage(random, RandomSide(random, 300), 1);
        BMP_File expected = Copy(original);
        for (std::int32_t x = 0; x < expected.Width(); ++x) {
            Pixel& p = expected.PixelAt(x, 0);
            p = Pixel{table.Map(0, p.r), table.Map(1, p.g), table.Map(2, p.b)};
        }
        for (CpuLevel level : AvailableCpuLevels()) {
            BMP_File picture = Copy(original);
            table.ApplyRow(picture.Row(0), picture.Width(), level);
            EXPECT_TRUE(SamePixels(expected, picture)) << CpuLevelName(level);
        }
    }
}

TEST(ColorStages, EachStageMatchesReferenceOnRandomPictures) {
    std::mt19937 random(31);
    for (int round = 0; round < 48; ++round) {
        const BMP_File original = RandomPicture(random, round);
        const std::int32_t a = RandomValue(random), b = RandomValue(random), c = RandomValue(random);
        const int channel = std::uniform_int_distribution<int>(0, 2)(random);
        const int which = round % 5;

        BMP_File expected = Copy(original);
        ColorOps ops;
        switch (which) {
            case 0:
                reference::GreyScale(expected);
                ops.greyScale = true;
                break;
            case 1:
                reference::Invert(expected, channel);
                (channel == 0 ? ops.invertRed : channel == 1 ? ops.invertGreen : ops.invertBlue) = true;
                break;
            case 2:
                reference::Hsb(expected, a, b, c);
                ops.hsb = true;
                ops.hue = a;
                ops.saturation = b;
                ops.hsbBrightness = c;
                break;
            case 3:
                reference::Contrast(expected, a, b, c);
                ops.contrast = true;
                ops.contrastRed = a;
                ops.contrastGreen = b;
                ops.contrastBlue = c;
                break;
            default:
                reference::Brightness(expected, a, b, c);
                ops.brightness = true;
                ops.brightRed = a;
                ops.brightGreen = b;
                ops.brightBlue = c;
                break;
        }
        for (CpuLevel level : AvailableCpuLevels()) {
            for (int threads : {1, 2}) {
                BMP_File picture = Copy(original);
                ColorSweep(picture, ops, threads, level);
                EXPECT_TRUE(SamePixels(expected, picture))
                    << "stage " << which << " values " << a << ", " << b << ", " << c << ", channel " << channel << "; "
                    << Describe(level, threads, original.Width(), original.Height());
            }
        }
    }
}

// The public stage functions are the same sweep at the best level.
TEST(ColorStages, StageFunctionsMatchReference) {
    std::mt19937 random(41);
    const BMP_File original = RandomImage(random, 600, 450);
    struct Case {
        const char* name;
        void (*fast)(BMP_File&);
        void (*slow)(BMP_File&);
    };
    const Case cases[] = {
        {"grey", [](BMP_File& p) { GreyScaleStage(p, 2); }, [](BMP_File& p) { reference::GreyScale(p); }},
        {"invert green", [](BMP_File& p) { InvertStage(p, 1, 2); }, [](BMP_File& p) { reference::Invert(p, 1); }},
        {"HSB", [](BMP_File& p) { HsbStage(p, 27, 66, 71, 2); }, [](BMP_File& p) { reference::Hsb(p, 27, 66, 71); }},
        // Beyond 2^24 the fraction n ÷ 100 must come from double, not from n held in single precision.
        {"HSB, hue beyond 2^24", [](BMP_File& p) { HsbStage(p, 16777217, 50, 50, 2); },
         [](BMP_File& p) { reference::Hsb(p, 16777217, 50, 50); }},
        {"contrast", [](BMP_File& p) { ContrastStage(p, 70, 30, 99, 2); },
         [](BMP_File& p) { reference::Contrast(p, 70, 30, 99); }},
        {"brightness", [](BMP_File& p) { BrightnessStage(p, 41, 57, 82, 2); },
         [](BMP_File& p) { reference::Brightness(p, 41, 57, 82); }},
    };
    for (const Case& c : cases) {
        BMP_File expected = Copy(original);
        BMP_File picture = Copy(original);
        c.slow(expected);
        c.fast(picture);
        EXPECT_TRUE(SamePixels(expected, picture)) << c.name;
    }
}

// ColorPass with any subset of the stages is the separate stages run in chain order.
TEST(ColorStages, SweepMatchesChainedReferenceStages) {
    std::mt19937 random(51);
    std::bernoulli_distribution coin(0.5);
    for (int round = 0; round < 64; ++round) {
        const BMP_File original = RandomPicture(random, round);
        ColorOps ops;
        ops.greyScale = coin(random);
        ops.invertRed = coin(random);
        ops.invertGreen = coin(random);
        ops.invertBlue = coin(random);
        ops.hsb = coin(random);
        ops.hue = RandomValue(random);
        ops.saturation = RandomValue(random);
        ops.hsbBrightness = RandomValue(random);
        ops.contrast = coin(random);
        ops.contrastRed = RandomValue(random);
        ops.contrastGreen = RandomValue(random);
        ops.contrastBlue = RandomValue(random);
        ops.brightness = coin(random);
        ops.brightRed = RandomValue(random);
        ops.brightGreen = RandomValue(random);
        ops.brightBlue = RandomValue(random);

        BMP_File expected = Copy(original);
        if (ops.greyScale) reference::GreyScale(expected);
        if (ops.invertRed) reference::Invert(expected, 0);
        if (ops.invertGreen) reference::Invert(expected, 1);
        if (ops.invertBlue) reference::Invert(expected, 2);
        if (ops.hsb) reference::Hsb(expected, ops.hue, ops.saturation, ops.hsbBrightness);
        if (ops.contrast) reference::Contrast(expected, ops.contrastRed, ops.contrastGreen, ops.contrastBlue);
        if (ops.brightness) reference::Brightness(expected, ops.brightRed, ops.brightGreen, ops.brightBlue);

        const std::string what =
            std::string("grey ") + (ops.greyScale ? "on" : "off") + ", invert " + std::to_string(ops.invertRed) +
            std::to_string(ops.invertGreen) + std::to_string(ops.invertBlue) + ", HSB " + (ops.hsb ? "on " : "off ") +
            std::to_string(ops.hue) + "/" + std::to_string(ops.saturation) + "/" + std::to_string(ops.hsbBrightness) +
            ", contrast " + (ops.contrast ? "on" : "off") + ", brightness " + (ops.brightness ? "on" : "off");
        for (CpuLevel level : AvailableCpuLevels()) {
            for (int threads : {1, 2}) {
                BMP_File picture = Copy(original);
                ColorSweep(picture, ops, threads, level);
                EXPECT_TRUE(SamePixels(expected, picture))
                    << what << "; " << Describe(level, threads, original.Width(), original.Height());
            }
        }
        BMP_File picture = Copy(original);
        ColorPass(picture, ops, 2);
        EXPECT_TRUE(SamePixels(expected, picture)) << what << "; ColorPass";
    }
}

}  // namespace
