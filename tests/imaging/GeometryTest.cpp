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
#include "base/Limits.h"
#include "imaging/BuildIndexTable.h"
#include "imaging/CpuLevel.h"
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
    std::fill(picture.Data(), picture.Data() + picture.PixelCount(), colour);
    return picture;
}

std::int32_t Uniform(std::mt19937& random, std::int32_t lo, std::int32_t hi) {
    return std::uniform_int_distribution<std::int32_t>(lo, hi)(random);
}

std::string Describe(const BMP_File& picture, Size pane, const Rect& rect) {
    return std::to_string(picture.Width()) + "x" + std::to_string(picture.Height()) + ", pane " +
           std::to_string(pane.width) + "x" + std::to_string(pane.height) + ", rect " + std::to_string(rect.left) +
           "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

// Rectangles of every kind the trackers and profiles produce: inside, partly outside, inverted, thin, huge.
Rect RandomRect(std::mt19937& random, Size pane) {
    const std::int32_t w = pane.width;
    const std::int32_t h = pane.height;
    const std::int32_t huge[] = {kMin32, kMin32 + 1, -1000000000, -70000, 0, 70000, 1000000000, kMax32 - 1, kMax32};
    const auto pick = [&](std::int32_t lo, std::int32_t hi) {
        return Uniform(random, 0, 2) == 0 ? huge[Uniform(random, 0, 8)] : Uniform(random, lo, hi);
    };
    Rect r;
    switch (Uniform(random, 0, 4)) {
        case 0:  // inside
            r.left = Uniform(random, 0, w - 1), r.right = Uniform(random, r.left + 1, w);
            r.top = Uniform(random, 0, h - 1), r.bottom = Uniform(random, r.top + 1, h);
            break;
        case 1:  // partly outside, or inverted
            r = Rect{Uniform(random, -w, 2 * w), Uniform(random, -h, 2 * h), Uniform(random, -w, 2 * w),
                     Uniform(random, -h, 2 * h)};
            break;
        case 2:  // thin
            r.left = Uniform(random, -2, w), r.right = r.left + Uniform(random, 0, 3);
            r.top = Uniform(random, -2, h), r.bottom = r.top + Uniform(random, 0, 3);
            if (Uniform(random, 0, 1) == 0) std::swap(r.left, r.top), std::swap(r.right, r.bottom);
            break;
        default:  // any 32-bit values, as a profile may hold
            r = Rect{pick(-w, 2 * w), pick(-h, 2 * h), pick(-w, 2 * w), pick(-h, 2 * h)};
            break;
    }
    return r;
}

// The scaled crop area in pixels (0 when empty or inverted), to keep random crops to sizes a test can afford.
std::int64_t CropArea(const BMP_File& image, const Rect& rect, Size pane) {
    const auto edge = [](std::int32_t e, std::int32_t side, std::int32_t paneSide) {
        return static_cast<std::int64_t>(static_cast<double>(e) * (static_cast<double>(side) / paneSide));
    };
    const std::int64_t w = edge(rect.right, image.Width(), pane.width) - edge(rect.left, image.Width(), pane.width);
    const std::int64_t h = edge(rect.bottom, image.Height(), pane.height) - edge(rect.top, image.Height(), pane.height);
    return w <= 0 || h <= 0 || w > kMaxPixels || h > kMaxPixels ? 0 : w * h;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------------
// Index table and nearest-neighbour scaling

TEST(IndexTable, WorkedExamples) {
    const struct {
        const char* name;
        std::int64_t source, destination;
        std::vector<std::int32_t> expected;
    } cases[] = {
        {"enlarge 2 to 4 (step 3)", 2, 4, {0, 0, 0, 1}},
        {"reduce 4 to 2 (step 0.25)", 4, 2, {0, 2}},
        {"reduce 7 to 3", 7, 3, {0, 2, 6}},
        {"enlarge 3 to 7", 3, 7, {0, 0, 0, 1, 1, 1, 2}},
        {"source of 1: every entry 0", 1, 5, {0, 0, 0, 0, 0}},
        {"equal lengths", 5, 5, {0, 1, 2, 3, 4}},
        {"to one", 9, 1, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::int32_t> table{99};
        EXPECT_TRUE(BuildIndexTable(c.source, c.destination, table));
        EXPECT_EQ(table, c.expected);
        EXPECT_EQ(reference::IndexTable(c.source, c.destination), c.expected);
    }
    for (const auto& [source, destination] : {std::pair<std::int64_t, std::int64_t>{0, 5},
                                              {5, 0},
                                              {-1, 3},
                                              {3, -2},
                                              {kMaxPixels + 1, 2},
                                              {2, kMaxPixels + 1}}) {
        std::vector<std::int32_t> table{1, 2, 3};
        EXPECT_FALSE(BuildIndexTable(source, destination, table)) << source << " to " << destination;
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

// Past 2^24 the destination length is not exact in single precision and the last index can pass the source; the
// scaled picture then reads black there, as the bounds-safe accessor gives.
TEST(IndexTable, PastSinglePrecisionTheLastIndexReadsBlack) {
    constexpr std::int32_t k24 = 1 << 24;
    std::vector<std::int32_t> table;
    ASSERT_TRUE(BuildIndexTable(k24, k24 + 1, table));
    EXPECT_EQ(table.back(), k24);
    ASSERT_TRUE(BuildIndexTable(k24 + 3, k24 + 1, table));
    EXPECT_EQ(table[table.size() - 2], k24 + 2);
    EXPECT_EQ(table.back(), k24 + 4);
    EXPECT_EQ(table, reference::IndexTable(k24 + 3, k24 + 1));

    // No picture reaches such lengths: a side is at most 65535 pixels, and scaling to more is refused.
    const BMP_File source = Filled(8, 1, Pixel{200, 100, 50});
    BMP_File actual;
    EXPECT_FALSE(ScaleNearest(source, actual, k24 + 1, 1, 2));
    EXPECT_FALSE(ScaleNearest(source, actual, 65536, 1, 2));
    EXPECT_TRUE(actual.IsEmpty());
}

// Scaling into a picture of another size, and the resize stage built on it, with 1 and 2 threads.
TEST(ScaleNearest, ScaleAndResizeMatchReferenceOnRandomPictures) {
    std::mt19937 random(12);
    BMP_File scratch;
    for (int i = 0; i < 400; ++i) {
        const bool large = i % 40 == 0;  // large enough to be split between threads
        const BMP_File source =
            RandomImage(random, RandomSide(random, large ? 900 : 60), RandomSide(random, large ? 900 : 60));
        const std::int32_t width = RandomSide(random, large ? 800 : 120);
        const std::int32_t height = large ? Uniform(random, 400, 800) : RandomSide(random, 120);
        BMP_File expected;
        reference::ScaleNearest(source, expected, width, height);
        BMP_File resized = Copy(source);
        reference::Resize(resized, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
        ASSERT_TRUE(SamePixels(expected, resized));
        for (int threads : {1, 2}) {
            const std::string what = std::to_string(source.Width()) + "x" + std::to_string(source.Height()) + " to " +
                                     std::to_string(width) + "x" + std::to_string(height) + ", " +
                                     std::to_string(threads) + " threads";
            BMP_File actual = RandomImage(random, 3, 2);  // a block of the wrong size to start from
            ASSERT_TRUE(ScaleNearest(source, actual, width, height, threads));
            ASSERT_TRUE(SamePixels(expected, actual)) << what;
            BMP_File image = Copy(source);
            EXPECT_TRUE(ResizeStage(image, scratch, static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height), threads));
            ASSERT_TRUE(SamePixels(expected, image)) << "resize " << what;
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
    for (std::size_t x = 0; x < 200; ++x) EXPECT_EQ(columnUse[x], 2) << "column " << x;
    for (std::size_t y = 0; y < 100; ++y) EXPECT_EQ(rowUse[y], y == 49 || y == 98 ? 4 : y == 99 ? 1 : 3) << "row " << y;
    for (std::int32_t y = 0; y < 300; ++y) {  // every pixel takes its column from X and its row from Y
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

TEST(Crop, PastTheLeftEdgeGivesABlackBandOfTheScaledWidth) {
    std::mt19937 random(18);
    BMP_File original = RandomImage(random, 200, 100);
    BMP_File image = Copy(original);
    BMP_File scratch;
    ASSERT_TRUE(CropStage(image, scratch, Rect{-5, 0, 100, 50}, Size{100, 50}, 2));
    ASSERT_EQ(image.Width(), 210);
    for (std::int32_t y = 0; y < 100; ++y) {
        for (std::int32_t x = 0; x < 210; ++x) {
            ASSERT_EQ(image.PixelAt(x, y), x < 10 ? Pixel{} : original.PixelAt(x - 10, y)) << x << "," << y;
        }
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
        Rect rect = large ? Rect{-pane.width / 10, 1, pane.width, pane.height + 3} : RandomRect(random, pane);
        while (CropArea(original, rect, pane) > 1000000) rect = RandomRect(random, pane);
        BMP_File expected = Copy(original);
        reference::Crop(expected, rect, pane);
        for (int threads : {1, 2}) {
            BMP_File actual = Copy(original);
            CropStage(actual, scratch, rect, pane, threads);
            ASSERT_TRUE(SamePixels(expected, actual))
                << Describe(original, pane, rect) << ", " << threads << " threads";
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

// The strength is single precision: a quarter of the way along a half-axis of 5, q = 0.64 and d = 0.8f, so
// (1 − d) × 200 is 39.999998 and the pixel moves 39 steps, not 40.
TEST(Light, StrengthIsTruncatedInSinglePrecision) {
    const struct {
        const char* name;
        std::int32_t x, y;
        int steps;
    } cases[] = {
        {"centre", 5, 5, 200},       {"dx = -4", 1, 5, 39}, {"dy = 4", 5, 9, 39},
        {"on the ellipse", 0, 5, 0}, {"corner", 0, 0, 0},   {"dx = 3, dy = 4", 8, 9, 0},
    };
    BMP_File image = Filled(10, 10, Pixel{});
    LightStage(image, Rect{0, 0, 10, 10}, Size{10, 10}, 255, 255, 255, 1);
    BMP_File expected = Filled(10, 10, Pixel{});
    reference::Light(expected, Rect{0, 0, 10, 10}, Size{10, 10}, 255, 255, 255);
    for (const auto& c : cases) {
        EXPECT_EQ(image.PixelAt(c.x, c.y).r, c.steps) << c.name;
        EXPECT_EQ(expected.PixelAt(c.x, c.y).r, c.steps) << c.name;
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
    const auto channel = [&] {
        return Uniform(random, 0, 3) == 0 ? Uniform(random, -400, 700) : Uniform(random, 0, 255);
    };
    for (int i = 0; i < 3000; ++i) {
        const bool large = i % 150 == 0;
        const BMP_File original =
            RandomImage(random, RandomSide(random, large ? 900 : 60), RandomSide(random, large ? 700 : 60));
        const Size pane{RandomSide(random, 120), RandomSide(random, 120)};
        const Rect rect =
            large ? Rect{-pane.width / 4, -pane.height / 4, pane.width, pane.height} : RandomRect(random, pane);
        const std::int32_t r = channel(), g = channel(), b = channel();
        BMP_File expected = Copy(original);
        reference::Light(expected, rect, pane, r, g, b);
        for (int threads : {1, 2}) {
            for (const CpuLevel level : AvailableCpuLevels()) {
                BMP_File actual = Copy(original);
                LightStage(actual, rect, pane, r, g, b, threads, level);
                ASSERT_TRUE(SamePixels(expected, actual))
                    << Describe(original, pane, rect) << ", colour " << r << "," << g << "," << b << ", " << threads
                    << " threads at " << CpuLevelName(level);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------------
// Rotation

TEST(Rotate, QuarterTurnOfFourByThreeAndFourTurns) {
    const BMP_File picture = Coordinates(4, 3);
    BMP_File image = Copy(picture);
    BMP_File scratch;
    RotateStage(image, scratch, 1);
    ASSERT_EQ(image.Width(), 3);
    ASSERT_EQ(image.Height(), 4);
    EXPECT_EQ(image.PixelAt(0, 0), (Pixel{0, 2, 7}));  // the old bottom-left
    EXPECT_EQ(image.PixelAt(2, 0), (Pixel{0, 0, 7}));  // the old top-left
    EXPECT_EQ(image.PixelAt(2, 3), (Pixel{3, 0, 7}));  // the old top-right
    for (int i = 0; i < 3; ++i) RotateStage(image, scratch, 1, 2);
    EXPECT_TRUE(SamePixels(picture, image));
    RotateStage(image, scratch, 4);
    EXPECT_TRUE(SamePixels(picture, image));
    RotateStage(image, scratch, 3);
    RotateStage(image, scratch, -3);
    EXPECT_TRUE(SamePixels(picture, image));
}

// The stage with any number of turns and threads, the quarter turn at every processor level, and RotateRight, all
// against single transposes and mirrors.
TEST(Rotate, TurnsMatchSingleClockwiseTurns) {
    std::mt19937 random(22);
    BMP_File scratch;
    for (int i = 0; i < 400; ++i) {
        const bool large = i % 40 == 0;
        const BMP_File original =
            RandomImage(random, RandomSide(random, large ? 900 : 150), RandomSide(random, large ? 700 : 150));
        const std::string size = std::to_string(original.Width()) + "x" + std::to_string(original.Height());
        const std::int32_t turns = Uniform(random, -5, 9);
        BMP_File expected = Copy(original);
        reference::Rotate(expected, turns);
        for (int threads : {1, 2}) {
            BMP_File actual = Copy(original);
            RotateStage(actual, scratch, turns, threads);
            ASSERT_TRUE(SamePixels(expected, actual)) << size << ", " << turns << " turns, " << threads << " threads";
        }
        for (int quarter = 1; quarter <= 3; ++quarter) {
            BMP_File turned = Copy(original);
            reference::Rotate(turned, quarter);
            for (const CpuLevel level : AvailableCpuLevels()) {
                BMP_File actual;
                ASSERT_TRUE(QuarterTurnInto(original, actual, quarter, 2, level));
                ASSERT_TRUE(SamePixels(turned, actual))
                    << size << ", " << quarter << " turns at " << CpuLevelName(level);
            }
            if (quarter != 1) continue;
            BMP_File right = Copy(original);
            ASSERT_TRUE(right.RotateRight());
            ASSERT_TRUE(SamePixels(turned, right)) << size << ", RotateRight";
        }
    }
}

// A stage that builds a new picture takes the scratch picture's block when it is large enough, so the full-size chain
// pays no page faults for a fresh buffer; the old block goes to the scratch picture.
TEST(Stages, ReuseTheScratchBlock) {
    std::mt19937 random(24);
    const struct {
        const char* name;
        void (*run)(BMP_File& image, BMP_File& scratch);
    } cases[] = {
        {"crop",
         [](BMP_File& im, BMP_File& scratch) {
             CropStage(im, scratch, Rect{1, 1, 90, 60}, Size{100, 80});
         }},
        {"resize", [](BMP_File& im, BMP_File& scratch) { ResizeStage(im, scratch, 150, 70, 2); }},
        {"quarter turn", [](BMP_File& im, BMP_File& scratch) { RotateStage(im, scratch, 1, 2); }},
        {"half turn", [](BMP_File& im, BMP_File& scratch) { RotateStage(im, scratch, 2, 2); }},
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
