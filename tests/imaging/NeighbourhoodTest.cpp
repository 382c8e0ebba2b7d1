// Emboss, sharpen and blur: the fast stages at every processor level this machine runs against the plain
// pixel-by-pixel versions on random pictures, the properties the in-place order must keep, and the exactness of the
// division used by the blur.

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/Limits.h"
#include "imaging/CpuLevel.h"
#include "imaging/ExactReciprocal.h"
#include "imaging/StageBlur.h"
#include "imaging/StageEmboss.h"
#include "imaging/StageSharpen.h"
#include "tests/imaging/ReferenceNeighbourhood.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::Copy;
using testsupport::RandomImage;
using testsupport::SamePixels;

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// Families of picture sizes; the thin ones are where windows and neighbourhoods are cut by both edges at once.
struct Shape {
    const char* name;
    std::int32_t minWidth, maxWidth, minHeight, maxHeight;
};

constexpr Shape kShapes[] = {
    {"tiny", 1, 4, 1, 4},         {"one column", 1, 1, 1, 70}, {"one row", 1, 70, 1, 1},
    {"two columns", 2, 2, 1, 50}, {"two rows", 1, 50, 2, 2},   {"three columns", 3, 3, 1, 50},
    {"three rows", 1, 50, 3, 3},  {"any", 1, 40, 1, 40},       {"wide", 60, 220, 3, 9},
    {"tall", 3, 9, 60, 220},
};

BMP_File RandomPicture(std::mt19937& random, const Shape& shape) {
    const std::int32_t width = std::uniform_int_distribution<std::int32_t>(shape.minWidth, shape.maxWidth)(random);
    const std::int32_t height = std::uniform_int_distribution<std::int32_t>(shape.minHeight, shape.maxHeight)(random);
    return RandomImage(random, width, height);
}

BMP_File FlatPicture(std::int32_t width, std::int32_t height, Pixel colour) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    for (std::size_t i = 0; i < picture.PixelCount(); ++i) picture.Data()[i] = colour;
    return picture;
}

std::string Describe(const Shape& shape, const BMP_File& picture) {
    return std::string(shape.name) + " " + std::to_string(picture.Width()) + "x" + std::to_string(picture.Height());
}

// ---- fast against plain, byte for byte ----

struct Stage {
    const char* name;
    void (*fast)(BMP_File&, CpuLevel);
    void (*plain)(BMP_File&);
};

constexpr Stage kThreeByThreeStages[] = {{"emboss", EmbossStage, reference::Emboss},
                                         {"sharpen", SharpenStage, reference::Sharpen}};

// Rows wider than a thousand pixels are cut into many stretches that several rows work on side by side.
constexpr Shape kWideShapes[] = {{"very wide", 1000, 2600, 3, 12}, {"wide and tall", 1030, 1400, 30, 45}};

// Every other picture holds only 0 and 255, which drives |E − W| and the clamps to their limits.
TEST(Neighbourhood, EmbossAndSharpenMatchThePlainVersions) {
    std::mt19937 random(20240611);
    std::bernoulli_distribution high(0.5);
    std::vector<Shape> shapes(std::begin(kShapes), std::end(kShapes));
    shapes.insert(shapes.end(), std::begin(kWideShapes), std::end(kWideShapes));
    for (const Stage& stage : kThreeByThreeStages) {
        for (const Shape& shape : shapes) {
            for (int trial = 0; trial < 12; ++trial) {
                BMP_File expected = RandomPicture(random, shape);
                if (trial % 2 == 1) {
                    auto* bytes = reinterpret_cast<std::uint8_t*>(expected.Data());
                    for (std::size_t i = 0; i < expected.PixelCount() * 3; ++i) bytes[i] = high(random) ? 255 : 0;
                }
                const BMP_File original = Copy(expected);
                stage.plain(expected);
                for (const CpuLevel level : AvailableCpuLevels()) {
                    BMP_File actual = Copy(original);
                    stage.fast(actual, level);
                    ASSERT_TRUE(SamePixels(expected, actual))
                        << stage.name << " at " << CpuLevelName(level) << " on " << Describe(shape, expected);
                }
            }
        }
    }
}

TEST(Neighbourhood, BlurMatchesThePlainVersionForEverySize) {
    // Negative sizes, the sizes of radius 0, odd and even sizes, sizes past the picture and the extremes of a
    // profile's 32-bit value; 0 stands for a random size up to twice the picture's longer side.
    const std::int32_t sizes[] = {kInt32Min, -7, -1, 1, 2, 3, 4, 5, 6, 7, 8, 15, 29, 30, 0, 0, kInt32Max};
    std::mt19937 random(99);
    for (const std::int32_t listed : sizes) {
        for (const Shape& shape : kShapes) {
            for (int trial = 0; trial < 3; ++trial) {
                BMP_File expected = RandomPicture(random, shape);
                const std::int32_t longer = std::max(expected.Width(), expected.Height());
                const std::int32_t size =
                    listed != 0 ? listed : std::uniform_int_distribution<std::int32_t>(0, 2 * longer + 3)(random);
                const BMP_File original = Copy(expected);
                reference::Blur(expected, size);
                for (const CpuLevel level : AvailableCpuLevels()) {
                    BMP_File actual = Copy(original);
                    BlurStage(actual, size, level);
                    ASSERT_TRUE(SamePixels(expected, actual))
                        << "blur " << size << " at " << CpuLevelName(level) << " on " << Describe(shape, expected);
                }
            }
        }
    }
}

// Pictures wider than a few hundred pixels keep the running sums going over many steps in both directions.
TEST(Neighbourhood, BlurMatchesThePlainVersionOnLargerPictures) {
    std::mt19937 random(5);
    for (const std::int32_t size : {3, 5, 29, 101}) {
        BMP_File expected = RandomImage(random, 301, 83);
        const BMP_File original = Copy(expected);
        reference::Blur(expected, size);
        for (const CpuLevel level : AvailableCpuLevels()) {
            BMP_File actual = Copy(original);
            BlurStage(actual, size, level);
            ASSERT_TRUE(SamePixels(expected, actual)) << "blur " << size << " at " << CpuLevelName(level);
        }
    }
}

// ---- what the in-place order and the window rules give on known pictures ----

TEST(Neighbourhood, EmbossOfOneGreyGivesTheInPlacePattern) {
    for (const std::uint8_t c : {std::uint8_t{1}, std::uint8_t{128}, std::uint8_t{255}}) {
        BMP_File picture = FlatPicture(8, 6, Pixel{c, c, c});
        EmbossStage(picture);
        const std::vector<int> alternating = {c, 0, c, 0, c, 0, c, c};
        const std::vector<int> plain(8, c);
        const std::vector<int> expectedRows[6] = {plain, alternating, plain, alternating, plain, plain};
        for (std::int32_t y = 0; y < 6; ++y) {
            for (std::int32_t x = 0; x < 8; ++x) {
                const Pixel p = picture.PixelAt(x, y);
                const auto v = static_cast<std::uint8_t>(expectedRows[y][static_cast<std::size_t>(x)]);
                EXPECT_EQ(p, (Pixel{v, v, v})) << "grey " << int{c} << " at (" << x << ", " << y << ")";
            }
        }
    }
}

// A flat picture is a fixed point of sharpen (6c − 4c halved is c) and of blur of any size (every mean is c, which
// also holds only if every window's pixel count is right).
TEST(Neighbourhood, FlatPicturesStayUnchanged) {
    const Pixel colours[] = {{0, 0, 0}, {255, 255, 255}, {1, 128, 254}, {200, 3, 77}};
    const std::pair<std::int32_t, std::int32_t> extents[] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 3}, {17, 11}, {64, 5}};
    for (const Pixel colour : colours) {
        for (const auto& [width, height] : extents) {
            const BMP_File flat = FlatPicture(width, height, colour);
            BMP_File sharpened = Copy(flat);
            SharpenStage(sharpened);
            EXPECT_TRUE(SamePixels(flat, sharpened)) << "sharpen";
            for (const std::int32_t size : {3, 4, 5, 9, 29, 1001, kInt32Max}) {
                BMP_File blurred = Copy(flat);
                BlurStage(blurred, size);
                EXPECT_TRUE(SamePixels(flat, blurred)) << "blur " << size;
            }
        }
    }
}

TEST(Neighbourhood, BlurLeavesPicturesAloneWhenThereIsNothingToAverage) {
    std::mt19937 random(3);
    struct Case {
        const char* name;
        std::int32_t width, height, size;
    };
    const Case cases[] = {
        {"size 3 on one pixel", 1, 1, 3},
        {"largest size on one pixel", 1, 1, kInt32Max},
        {"size 0", 20, 10, 0},
        {"size 1", 20, 10, 1},
        {"size 2", 20, 10, 2},
        {"size -1", 20, 10, -1},
        {"smallest size", 20, 10, kInt32Min},
    };
    for (const Case& c : cases) {
        const BMP_File before = RandomImage(random, c.width, c.height);
        BMP_File after = Copy(before);
        BlurStage(after, c.size);
        EXPECT_TRUE(SamePixels(before, after)) << c.name;
    }
}

// The top-left pixel is the first one blurred, so its window still holds only old values: a block of (r + 1)² bright
// pixels in that corner on a black picture gives exactly the bright value if the window counts (r + 1)² pixels.
TEST(Neighbourhood, BlurCornerWindowHoldsRPlusOneSquaredPixels) {
    for (const std::int32_t r : {1, 2, 7, 14}) {
        BMP_File picture = FlatPicture(40, 30, Pixel{0, 0, 0});
        for (std::int32_t y = 0; y <= r; ++y) {
            for (std::int32_t x = 0; x <= r; ++x) picture.PixelAt(x, y) = Pixel{200, 100, 7};
        }
        BlurStage(picture, 2 * r + 1);
        EXPECT_EQ(picture.PixelAt(0, 0), (Pixel{200, 100, 7})) << "radius " << r;
    }
}

// A column sum of more than 16843009 rows of 255 does not fit in 32 bits: a bright picture of 17 million rows blurred
// with a window of all its rows.
TEST(Neighbourhood, BlurSumsDoNotOverflowOnVeryTallPictures) {
    // 260 × 65535 pixels of 255: the whole-picture window sums past 2^32.
    const BMP_File bright = FlatPicture(260, 65535, Pixel{255, 255, 255});
    BMP_File blurred = Copy(bright);
    BlurStage(blurred, kInt32Max);
    EXPECT_TRUE(SamePixels(bright, blurred));
}

// ---- the exact division ----

__extension__ using Wide = unsigned __int128;

// Every count a window of up to 32 × 32 pixels can have (all blur sizes the dialog offers), every possible sum.
TEST(ExactReciprocal, DividesEverySumOfSmallWindowsExactly) {
    for (std::uint64_t n = 2; n <= 1024; ++n) {
        const std::uint64_t m = ReciprocalOf(n);
        for (std::uint64_t s = 0; s <= 255 * n; ++s) {
            if (DivideByReciprocal(s, m) != s / n) FAIL() << s << " / " << n;
        }
    }
}

// For every count up to the largest picture the division is exact for all sums 0 .. 255 n exactly when
// (255 n − 1) · e < 2^64, where e = m · n − 2^64 (the argument is in ExactReciprocal.h); checked count by count.
TEST(ExactReciprocal, ExactnessConditionHoldsForEveryCount) {
    const Wide twoTo64 = Wide{1} << 64;
    for (std::uint64_t n = 2; n <= static_cast<std::uint64_t>(kMaxPixels); ++n) {
        const Wide product = Wide{ReciprocalOf(n)} * n;
        if (product < twoTo64 || product - twoTo64 >= n) FAIL() << "reciprocal of " << n << " is not the ceiling";
        if (Wide{255 * n - 1} * (product - twoTo64) >= twoTo64) FAIL() << "count " << n;
    }
}

// And by direct division where a slip would show first: the largest counts, counts next to powers of two, and the
// sums at the top of the range and next to every multiple.
TEST(ExactReciprocal, DividesTheHardestSumsOfLargeCounts) {
    std::vector<std::uint64_t> counts = {static_cast<std::uint64_t>(kMaxPixels), kMaxPixels - 1, 268435399, 16777259};
    for (int bits = 11; bits <= 28; ++bits) {
        counts.push_back((std::uint64_t{1} << bits) - 1);
        counts.push_back((std::uint64_t{1} << bits) + 1);
    }
    for (const std::uint64_t n : counts) {
        const std::uint64_t m = ReciprocalOf(n);
        for (std::uint64_t s = 255 * n - 100000; s <= 255 * n; ++s) {
            if (DivideByReciprocal(s, m) != s / n) FAIL() << s << " / " << n;
        }
        for (std::uint64_t q = 1; q <= 255; ++q) {
            for (const std::uint64_t s : {q * n - 1, q * n}) {
                if (DivideByReciprocal(s, m) != s / n) FAIL() << s << " / " << n;
            }
        }
    }
}

}  // namespace
