// The index table, nearest-neighbour scaling, crop, resize, light areas and rotation: the worked examples and edge
// cases, and the fast stages against the straightforward versions in ReferenceGeometry on random pictures.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ReferenceGeometry.h"
#include "imaging/BuildIndexTable.h"
#include "imaging/Limits.h"
#include "imaging/QuarterTurn.h"
#include "imaging/ScaleNearest.h"
#include "imaging/StageCrop.h"
#include "imaging/StageLight.h"
#include "imaging/StageResize.h"
#include "imaging/StageRotate.h"
#include "tests/support/TestSupport.h"

using testsupport::Copy;
using testsupport::RandomImage;
using testsupport::RandomSide;
using testsupport::SamePixels;

namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

// A picture whose pixel (x, y) is (x, y, 7), for following where each pixel went.
BMP_File Coordinates(std::int32_t width, std::int32_t height) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            picture.PixelAt(x, y) = Pixel{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7};
        }
    }
    return picture;
}

BMP_File Filled(std::int32_t width, std::int32_t height, Pixel colour) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    for (std::size_t i = 0; i < picture.PixelCount(); ++i) picture.Data()[i] = colour;
    return picture;
}

std::int32_t Uniform(std::mt19937& random, std::int32_t lo, std::int32_t hi) {
    return std::uniform_int_distribution<std::int32_t>(lo, hi)(random);
}

// Rectangles of every kind the trackers and profiles can produce, relative to a pane.
Rect RandomRect(std::mt19937& random, Size pane) {
    const std::int32_t w = pane.width;
    const std::int32_t h = pane.height;
    Rect rect;
    switch (Uniform(random, 0, 5)) {
        case 0:  // inside
            rect.left = Uniform(random, 0, w - 1);
            rect.right = Uniform(random, rect.left + 1, w);
            rect.top = Uniform(random, 0, h - 1);
            rect.bottom = Uniform(random, rect.top + 1, h);
            break;
        case 1:  // partly outside
            rect.left = Uniform(random, -w, w);
            rect.right = Uniform(random, rect.left, 2 * w);
            rect.top = Uniform(random, -h, h);
            rect.bottom = Uniform(random, rect.top, 2 * h);
            break;
        case 2:  // inverted
            rect.right = Uniform(random, -w, w);
            rect.left = Uniform(random, rect.right, 2 * w);
            rect.bottom = Uniform(random, -h, 2 * h);
            rect.top = Uniform(random, -h, 2 * h);
            break;
        case 3:  // thin
            rect.left = Uniform(random, -2, w);
            rect.right = rect.left + Uniform(random, 0, 3);
            rect.top = Uniform(random, -2, h);
            rect.bottom = rect.top + Uniform(random, 0, 3);
            if (Uniform(random, 0, 1) == 0) std::swap(rect.left, rect.top), std::swap(rect.right, rect.bottom);
            break;
        case 4: {  // huge values, as a profile may hold
            const std::int32_t picks[] = {kMin32, kMin32 + 1, -1000000000, -70000, 0,
                                          70000,  1000000000, kMax32 - 1,  kMax32};
            rect.left = picks[Uniform(random, 0, 8)];
            rect.top = picks[Uniform(random, 0, 8)];
            rect.right = Uniform(random, 0, 1) == 0 ? picks[Uniform(random, 0, 8)] : Uniform(random, -w, 2 * w);
            rect.bottom = Uniform(random, 0, 1) == 0 ? picks[Uniform(random, 0, 8)] : Uniform(random, -h, 2 * h);
            break;
        }
        default:  // anywhere
            rect = Rect{Uniform(random, -3 * w, 3 * w), Uniform(random, -3 * h, 3 * h), Uniform(random, -3 * w, 3 * w),
                        Uniform(random, -3 * h, 3 * h)};
            break;
    }
    return rect;
}

// Scaled crop area in pixels (0 when empty or inverted), to keep random crops to sizes a test can afford.
std::int64_t CropArea(const BMP_File& image, const Rect& rect, Size pane) {
    const auto edge = [](std::int32_t e, std::int32_t side, std::int32_t paneSide) {
        return static_cast<std::int64_t>(static_cast<double>(e) * (static_cast<double>(side) / paneSide));
    };
    const std::int64_t w = edge(rect.right, image.Width(), pane.width) - edge(rect.left, image.Width(), pane.width);
    const std::int64_t h = edge(rect.bottom, image.Height(), pane.height) - edge(rect.top, image.Height(), pane.height);
    if (w <= 0 || h <= 0 || w > kMaxPixels || h > kMaxPixels) return 0;
    return w * h;
}

std::int32_t RandomChannel(std::mt19937& random) {
    return Uniform(random, 0, 3) == 0 ? Uniform(random, -400, 700) : Uniform(random, 0, 255);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------------
// Index table

struct IndexCase {
    const char* name;
    std::int64_t source;
    std::int64_t destination;
    std::vector<std::int32_t> expected;
};

TEST(IndexTable, WorkedExamples) {
    const IndexCase cases[] = {
        {"enlarge 2 to 4 (step 3)", 2, 4, {0, 0, 0, 1}},
        {"reduce 4 to 2 (step 0.25)", 4, 2, {0, 2}},
        {"reduce 7 to 3", 7, 3, {0, 2, 6}},
        {"source of 1: step not a number", 1, 5, {0, 0, 0, 0, 0}},
        {"equal lengths", 5, 5, {0, 1, 2, 3, 4}},
        {"to one", 9, 1, {0}},
        {"one to one", 1, 1, {0}},
        {"enlarge 3 to 7", 3, 7, {0, 0, 0, 1, 1, 1, 2}},
    };
    for (const IndexCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::int32_t> table{99};
        EXPECT_TRUE(BuildIndexTable(c.source, c.destination, table));
        EXPECT_EQ(table, c.expected);
        EXPECT_EQ(reference::IndexTable(c.source, c.destination), c.expected);
    }
}

TEST(IndexTable, RefusesLengthsThatAreNotPictureSides) {
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {0, 5}, {5, 0}, {-1, 3}, {3, -2}, {kMaxPixels + 1, 2}, {2, kMaxPixels + 1}, {std::int64_t{1} << 40, 1}};
    for (const auto& [source, destination] : cases) {
        SCOPED_TRACE(std::to_string(source) + " to " + std::to_string(destination));
        std::vector<std::int32_t> table{1, 2, 3};
        EXPECT_FALSE(BuildIndexTable(source, destination, table));
        EXPECT_TRUE(table.empty());
    }
}

// Every table agrees with the plain loop, starts at 0, never decreases and stays inside the source.
TEST(IndexTable, MatchesReferenceAndStaysInsideTheSource) {
    std::mt19937 random(11);
    std::vector<std::int32_t> table;
    for (int i = 0; i < 3000; ++i) {
        const std::int64_t source = RandomSide(random, i < 2000 ? 300 : 20000);
        const std::int64_t destination = RandomSide(random, i < 2000 ? 300 : 20000);
        ASSERT_TRUE(BuildIndexTable(source, destination, table));
        ASSERT_EQ(table, reference::IndexTable(source, destination)) << source << " to " << destination;
        ASSERT_EQ(table.front(), 0);
        ASSERT_TRUE(std::is_sorted(table.begin(), table.end()));
        ASSERT_LT(table.back(), source) << source << " to " << destination;
    }
}

// Beyond 2^24 the destination length is not exact in single precision and the last indices pass the source.
TEST(IndexTable, LengthsBeyondSinglePrecisionReachPastTheSource) {
    const struct {
        const char* name;
        std::int64_t source, destination, last;
    } cases[] = {
        {"enlarge 2^24 to 2^24 + 1", std::int64_t{1} << 24, (std::int64_t{1} << 24) + 1, std::int64_t{1} << 24},
        {"reduce 2^24 + 3 to 2^24 + 1", (std::int64_t{1} << 24) + 3, (std::int64_t{1} << 24) + 1,
         (std::int64_t{1} << 24) + 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::int32_t> table;
        ASSERT_TRUE(BuildIndexTable(c.source, c.destination, table));
        EXPECT_EQ(table.back(), c.last);
        EXPECT_EQ(table, reference::IndexTable(c.source, c.destination));
    }
}

// ---------------------------------------------------------------------------------------------------------------------
// Nearest-neighbour scaling and resize

TEST(ScaleNearest, MatchesReferenceOnRandomPictures) {
    std::mt19937 random(12);
    for (int i = 0; i < 400; ++i) {
        const bool large = i % 40 == 0;  // large enough to be split between threads
        const BMP_File source =
            RandomImage(random, RandomSide(random, large ? 900 : 60), RandomSide(random, large ? 900 : 60));
        const std::int32_t width = RandomSide(random, large ? 800 : 120);
        const std::int32_t height = large ? Uniform(random, 400, 800) : RandomSide(random, 120);
        BMP_File expected;
        reference::ScaleNearest(source, expected, width, height);
        for (int threads : {1, 2}) {
            BMP_File actual = RandomImage(random, 3, 2);  // a block of the wrong size to start from
            ASSERT_TRUE(ScaleNearest(source, actual, width, height, threads));
            ASSERT_TRUE(SamePixels(expected, actual)) << source.Width() << "x" << source.Height() << " to " << width
                                                      << "x" << height << ", " << threads << " threads";
        }
    }
}

TEST(ScaleNearest, RefusesWithoutTouchingTheDestination) {
    std::mt19937 random(13);
    const BMP_File source = RandomImage(random, 5, 4);
    const BMP_File empty;
    const struct {
        const char* name;
        const BMP_File& from;
        std::int32_t width, height;
    } cases[] = {
        {"empty source", empty, 3, 3},
        {"zero width", source, 0, 3},
        {"negative height", source, 3, -1},
        {"beyond the limit", source, 16385, 16384},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BMP_File destination = RandomImage(random, 2, 2);
        const BMP_File before = Copy(destination);
        EXPECT_FALSE(ScaleNearest(c.from, destination, c.width, c.height, 2));
        EXPECT_TRUE(SamePixels(before, destination));
    }
    BMP_File same = Copy(source);
    EXPECT_FALSE(ScaleNearest(same, same, 2, 2, 1));
    EXPECT_TRUE(SamePixels(source, same));
}

// Destination indices past the source (lengths beyond 2^24) read black, as the bounds-safe accessor gives.
TEST(ScaleNearest, IndicesPastTheSourceReadBlack) {
    const std::int32_t sourceWidth = (1 << 24) + 3;
    const std::int32_t width = (1 << 24) + 1;
    BMP_File source = Filled(sourceWidth, 1, Pixel{200, 100, 50});
    BMP_File actual;
    ASSERT_TRUE(ScaleNearest(source, actual, width, 1, 2));
    EXPECT_EQ(actual.PixelAt(width - 2, 0), (Pixel{200, 100, 50}));  // source column 2^24 + 2, the last one
    EXPECT_EQ(actual.PixelAt(width - 1, 0), Pixel{});                // source column 2^24 + 4
    BMP_File expected;
    reference::ScaleNearest(source, expected, width, 1);
    EXPECT_TRUE(SamePixels(expected, actual));
}

// 200 × 100 to 400 × 300: each column twice; each row three times except rows 49 and 98 (four) and 99 (once).
TEST(Resize, StartUpSizeRepeatsRowsAndColumnsAsExpected) {
    BMP_File image = Coordinates(200, 100);
    BMP_File scratch;
    ASSERT_TRUE(ResizeStage(image, scratch, 400, 300, 2));
    ASSERT_EQ(image.Width(), 400);
    ASSERT_EQ(image.Height(), 300);
    std::vector<int> columnUse(200), rowUse(100);
    for (std::int32_t x = 0; x < 400; ++x) ++columnUse[image.PixelAt(x, 0).r];
    for (std::int32_t y = 0; y < 300; ++y) ++rowUse[image.PixelAt(0, y).g];
    for (int x = 0; x < 200; ++x) EXPECT_EQ(columnUse[static_cast<std::size_t>(x)], 2) << "column " << x;
    for (int y = 0; y < 100; ++y) {
        const int expected = y == 49 || y == 98 ? 4 : y == 99 ? 1 : 3;
        EXPECT_EQ(rowUse[static_cast<std::size_t>(y)], expected) << "row " << y;
    }
    // Every pixel takes its column from X and its row from Y.
    for (std::int32_t y = 0; y < 300; ++y) {
        for (std::int32_t x = 0; x < 400; ++x) {
            ASSERT_EQ(image.PixelAt(x, y), (Pixel{image.PixelAt(x, 0).r, image.PixelAt(0, y).g, 7})) << x << "," << y;
        }
    }
}

// A size of 0 means no resize; a size past the limit (a negative profile value read as unsigned) is refused; neither
// allocates.
TEST(Resize, RefusedSizesChangeNothingAndAllocateNothing) {
    std::mt19937 random(15);
    const struct {
        const char* name;
        std::uint32_t x, y;
    } cases[] = {
        {"width 0", 0, 300},
        {"height 0", 400, 0},
        {"-1 from a profile", 0xFFFFFFFFu, 300},
        {"-400 from a profile", 400, static_cast<std::uint32_t>(-400)},
        {"2^31", 0x80000000u, 1},
        {"one pixel over the limit", 16384, 16385},
        {"one row too long", static_cast<std::uint32_t>(kMaxPixels) + 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BMP_File image = RandomImage(random, 7, 5);
        const BMP_File before = Copy(image);
        BMP_File scratch;
        EXPECT_FALSE(ResizeStage(image, scratch, c.x, c.y, 2));
        EXPECT_TRUE(SamePixels(before, image));
        EXPECT_EQ(scratch.Data(), nullptr);
        reference::Resize(image, c.x, c.y);
        EXPECT_TRUE(SamePixels(before, image));
    }
}

TEST(Resize, MatchesReferenceOnRandomPictures) {
    std::mt19937 random(16);
    BMP_File scratch;
    for (int i = 0; i < 300; ++i) {
        const bool large = i % 30 == 0;
        const BMP_File original = RandomImage(random, RandomSide(random, large ? 800 : 50), RandomSide(random, 50));
        const auto x = static_cast<std::uint32_t>(RandomSide(random, large ? 900 : 100));
        const auto y = static_cast<std::uint32_t>(large ? Uniform(random, 300, 700) : RandomSide(random, 100));
        BMP_File expected = Copy(original);
        reference::Resize(expected, x, y);
        for (int threads : {1, 2}) {
            BMP_File actual = Copy(original);
            EXPECT_TRUE(ResizeStage(actual, scratch, x, y, threads));
            ASSERT_TRUE(SamePixels(expected, actual)) << original.Width() << "x" << original.Height() << " to " << x
                                                      << "x" << y << ", " << threads << " threads";
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------------
// Crop

TEST(Crop, EdgeCases) {
    std::mt19937 random(17);
    const BMP_File picture = RandomImage(random, 200, 100);  // a pane of 100 × 50 scales by 2
    const Size pane{100, 50};
    const struct {
        const char* name;
        Rect rect;
        Size pane;
        bool cropped;
        std::int32_t width, height;
    } cases[] = {
        {"whole pane keeps the picture", {0, 0, 100, 50}, pane, true, 200, 100},
        {"inside", {10, 5, 60, 45}, pane, true, 100, 80},
        {"edges between pixels truncate", {0, 0, 3, 3}, Size{288, 193}, true, 2, 1},
        {"5 past the left edge", {-5, 0, 100, 50}, pane, true, 210, 100},
        {"empty", {10, 10, 10, 40}, pane, false, 200, 100},
        {"inverted", {60, 10, 20, 40}, pane, false, 200, 100},
        {"scales to nothing", {0, 0, 1, 1}, Size{288, 193}, false, 200, 100},
        {"pane of no width", {0, 0, 10, 10}, Size{0, 50}, false, 200, 100},
        {"pane of negative height", {0, 0, 10, 10}, Size{100, -50}, false, 200, 100},
        {"everything from a profile", {kMin32, kMin32, kMax32, kMax32}, pane, false, 200, 100},
        {"far outside: black", {kMax32 - 3, 0, kMax32, 2}, pane, true, 6, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BMP_File image = Copy(picture);
        BMP_File scratch;
        EXPECT_EQ(CropStage(image, scratch, c.rect, c.pane), c.cropped);
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.Height(), c.height);
        BMP_File expected = Copy(picture);
        reference::Crop(expected, c.rect, c.pane);
        EXPECT_TRUE(SamePixels(expected, image));
    }
}

TEST(Crop, PastTheLeftEdgeGivesABlackBand) {
    std::mt19937 random(18);
    const BMP_File picture = RandomImage(random, 200, 100);
    BMP_File image = Copy(picture);
    BMP_File scratch;
    ASSERT_TRUE(CropStage(image, scratch, Rect{-5, 0, 100, 50}, Size{100, 50}));
    ASSERT_EQ(image.Width(), 210);
    ASSERT_EQ(image.Height(), 100);
    BMP_File original = Copy(picture);
    for (std::int32_t y = 0; y < 100; ++y) {
        for (std::int32_t x = 0; x < 10; ++x) ASSERT_EQ(image.PixelAt(x, y), Pixel{}) << x << "," << y;
        for (std::int32_t x = 10; x < 210; ++x) ASSERT_EQ(image.PixelAt(x, y), original.PixelAt(x - 10, y));
    }
}

TEST(Crop, MatchesReferenceOnRandomRectangles) {
    std::mt19937 random(19);
    BMP_File scratch;
    for (int i = 0; i < 3000; ++i) {
        const bool large = i % 300 == 0;
        const BMP_File original =
            RandomImage(random, RandomSide(random, large ? 700 : 60), RandomSide(random, large ? 600 : 60));
        const Size pane{RandomSide(random, 120), RandomSide(random, 120)};
        Rect rect =
            large ? Rect{-pane.width / 10, pane.height / 10, pane.width, pane.height + 3} : RandomRect(random, pane);
        while (CropArea(original, rect, pane) > 1000000) rect = RandomRect(random, pane);
        BMP_File expected = Copy(original);
        reference::Crop(expected, rect, pane);
        for (int threads : {1, 2}) {
            BMP_File actual = Copy(original);
            CropStage(actual, scratch, rect, pane, threads);
            ASSERT_TRUE(SamePixels(expected, actual))
                << original.Width() << "x" << original.Height() << ", pane " << pane.width << "x" << pane.height
                << ", rect " << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom << ", "
                << threads << " threads";
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------------
// Light areas

TEST(Light, CentreMovesUpTo200StepsAndNeverPassesTheTarget) {
    const struct {
        const char* name;
        Pixel before;
        std::int32_t r, g, b;
        Pixel centre;
    } cases[] = {
        {"up 200", {10, 20, 30}, 255, 255, 255, {210, 220, 230}},
        {"down 200", {250, 240, 230}, 0, 0, 0, {50, 40, 30}},
        {"stops at the target", {100, 100, 100}, 150, 60, 100, {150, 60, 100}},
        {"target equal to the pixel", {33, 44, 55}, 33, 44, 55, {33, 44, 55}},
        {"targets clamped to 0..255", {100, 100, 100}, 900, -70, 256, {255, 0, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BMP_File image = Filled(41, 21, c.before);
        LightStage(image, Rect{0, 0, 41, 21}, Size{41, 21}, c.r, c.g, c.b, 1);
        EXPECT_EQ(image.PixelAt(20, 10), c.centre);
        EXPECT_EQ(image.PixelAt(0, 0), c.before);  // a corner lies outside the ellipse
    }
}

// The strength is computed in single precision: at a quarter of the way along a half-axis of 5, q = 0.64 and
// d = 0.8f, so (1 − d) × 200 is 39.999998 and the pixel moves 39 steps, not 40.
TEST(Light, StrengthIsTruncatedInSinglePrecision) {
    const struct {
        const char* name;
        std::int32_t x, y;
        int steps;
    } cases[] = {
        // clang-format off
        {"centre", 5, 5, 200},
        {"dx = -4", 1, 5, 39},
        {"dy = 4", 5, 9, 39},
        {"on the ellipse", 0, 5, 0},
        {"corner", 0, 0, 0},
        {"dx = 3, dy = 4", 8, 9, 0},
        // clang-format on
    };
    BMP_File image = Filled(10, 10, Pixel{0, 0, 0});
    LightStage(image, Rect{0, 0, 10, 10}, Size{10, 10}, 255, 255, 255, 1);
    BMP_File expected = Filled(10, 10, Pixel{0, 0, 0});
    reference::Light(expected, Rect{0, 0, 10, 10}, Size{10, 10}, 255, 255, 255);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(image.PixelAt(c.x, c.y).r, c.steps);
        EXPECT_EQ(expected.PixelAt(c.x, c.y).r, c.steps);
    }
}

TEST(Light, RectanglesThatChangeNothing) {
    std::mt19937 random(20);
    const BMP_File picture = RandomImage(random, 60, 40);
    const struct {
        const char* name;
        Rect rect;
        Size pane;
    } cases[] = {
        {"one pixel wide", {10, 0, 11, 40}, {60, 40}},
        {"one pixel high", {0, 10, 60, 11}, {60, 40}},
        {"thinner than 2 image pixels after scaling", {10, 10, 12, 30}, {120, 40}},
        {"empty", {10, 10, 10, 30}, {60, 40}},
        {"inverted", {30, 10, 10, 30}, {60, 40}},
        {"outside the picture", {-50, -50, -2, -2}, {60, 40}},
        {"right of the picture", {60, 0, 90, 40}, {60, 40}},
        {"pane of no size", {0, 0, 60, 40}, {0, 0}},
        {"far right, from a profile", {kMax32 - 5, 0, kMax32, 40}, {60, 40}},
        {"far above, from a profile", {0, kMin32, 60, kMin32 + 9}, {60, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BMP_File image = Copy(picture);
        LightStage(image, c.rect, c.pane, 255, 0, 128, 2);
        EXPECT_TRUE(SamePixels(picture, image));
        EXPECT_EQ(image.Spare(), Pixel{});  // pixels outside were skipped, not written to the spare pixel
    }
}

TEST(Light, MatchesReferenceOnRandomRectanglesAndColours) {
    std::mt19937 random(21);
    for (int i = 0; i < 3000; ++i) {
        const bool large = i % 150 == 0;
        const BMP_File original =
            RandomImage(random, RandomSide(random, large ? 900 : 60), RandomSide(random, large ? 700 : 60));
        const Size pane{RandomSide(random, 120), RandomSide(random, 120)};
        const Rect rect =
            large ? Rect{-pane.width / 4, -pane.height / 4, pane.width, pane.height} : RandomRect(random, pane);
        const std::int32_t r = RandomChannel(random), g = RandomChannel(random), b = RandomChannel(random);
        BMP_File expected = Copy(original);
        reference::Light(expected, rect, pane, r, g, b);
        for (int threads : {1, 2}) {
            BMP_File actual = Copy(original);
            LightStage(actual, rect, pane, r, g, b, threads);
            ASSERT_TRUE(SamePixels(expected, actual))
                << original.Width() << "x" << original.Height() << ", pane " << pane.width << "x" << pane.height
                << ", rect " << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom << ", colour "
                << r << "," << g << "," << b << ", " << threads << " threads";
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------------
// Rotation

TEST(Rotate, QuarterTurnOfFourByThree) {
    const BMP_File picture = Coordinates(4, 3);
    BMP_File image = Copy(picture);
    BMP_File scratch;
    RotateStage(image, scratch, 1);
    ASSERT_EQ(image.Width(), 3);
    ASSERT_EQ(image.Height(), 4);
    EXPECT_EQ(image.PixelAt(0, 0), (Pixel{0, 2, 7}));  // the old bottom-left
    EXPECT_EQ(image.PixelAt(2, 0), (Pixel{0, 0, 7}));  // the old top-left
    EXPECT_EQ(image.PixelAt(2, 3), (Pixel{3, 0, 7}));  // the old top-right
}

TEST(Rotate, TurnsMatchSingleClockwiseTurns) {
    std::mt19937 random(22);
    BMP_File scratch;
    for (int i = 0; i < 400; ++i) {
        const bool large = i % 40 == 0;
        const BMP_File original =
            RandomImage(random, RandomSide(random, large ? 900 : 150), RandomSide(random, large ? 700 : 150));
        const std::int32_t turns = Uniform(random, -5, 9);
        BMP_File expected = Copy(original);
        reference::Rotate(expected, turns);
        for (int threads : {1, 2}) {
            BMP_File actual = Copy(original);
            RotateStage(actual, scratch, turns, threads);
            ASSERT_TRUE(SamePixels(expected, actual))
                << original.Width() << "x" << original.Height() << ", " << turns << " turns, " << threads << " threads";
        }
        for (int quarter = 1; quarter <= 3; ++quarter) {  // the pixel-by-pixel path of processors without SSSE3
            BMP_File expectedTurn = Copy(original);
            reference::Rotate(expectedTurn, quarter);
            BMP_File portable;
            ASSERT_TRUE(QuarterTurnInto(original, portable, quarter, 2, false));
            ASSERT_TRUE(SamePixels(expectedTurn, portable))
                << original.Width() << "x" << original.Height() << ", " << quarter << " turns without SSSE3";
        }
        BMP_File turned = Copy(original);
        ASSERT_TRUE(turned.RotateRight());
        BMP_File once = Copy(original);
        reference::Rotate(once, 1);
        ASSERT_TRUE(SamePixels(once, turned)) << original.Width() << "x" << original.Height();
    }
}

TEST(Rotate, FourTurnsGiveThePictureBack) {
    std::mt19937 random(23);
    const BMP_File picture = RandomImage(random, 37, 23);
    BMP_File image = Copy(picture);
    BMP_File scratch;
    for (int i = 0; i < 4; ++i) RotateStage(image, scratch, 1, 2);
    EXPECT_TRUE(SamePixels(picture, image));
    RotateStage(image, scratch, 4, 2);
    EXPECT_TRUE(SamePixels(picture, image));
    RotateStage(image, scratch, 3);
    RotateStage(image, scratch, -3);
    EXPECT_TRUE(SamePixels(picture, image));
}

// ---------------------------------------------------------------------------------------------------------------------
// Blocks: a stage that builds a new picture takes the scratch picture's block when it is large enough, so the
// full-size chain pays no page faults for a fresh buffer.

TEST(Stages, ReuseTheScratchBlock) {
    std::mt19937 random(24);
    const struct {
        const char* name;
        void (*run)(BMP_File& image, BMP_File& scratch);
    } cases[] = {
        {"crop",
         [](BMP_File& image, BMP_File& scratch) {
             CropStage(image, scratch, Rect{1, 1, 90, 60}, Size{100, 80});
         }},
        {"resize", [](BMP_File& image, BMP_File& scratch) { ResizeStage(image, scratch, 150, 70, 2); }},
        {"quarter turn", [](BMP_File& image, BMP_File& scratch) { RotateStage(image, scratch, 1, 2); }},
        {"half turn", [](BMP_File& image, BMP_File& scratch) { RotateStage(image, scratch, 2, 2); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BMP_File image = RandomImage(random, 200, 160);
        BMP_File scratch = RandomImage(random, 160, 200);
        const Pixel* block = scratch.Data();
        const Pixel* old = image.Data();
        c.run(image, scratch);
        EXPECT_EQ(image.Data(), block);
        EXPECT_EQ(scratch.Data(), old);
    }
}
