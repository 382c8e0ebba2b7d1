// The box filter that brings large pictures down to pane size, against the plain mean of each block.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imaging/BMP_File.h"
#include "panes/BoxReduce.h"
#include "tests/support/TestSupport.h"

namespace {

// The straightforward version: every target pixel sums its block through PixelAt.
std::vector<std::uint32_t> ReferenceReduce(BMP_File& picture, std::int32_t fx, std::int32_t fy) {
    const Size size = BoxReducedSize(Size{picture.Width(), picture.Height()}, fx, fy);
    std::vector<std::uint32_t> out(static_cast<std::size_t>(size.width) * size.height);
    for (std::int32_t j = 0; j < size.height; ++j) {
        for (std::int32_t i = 0; i < size.width; ++i) {
            std::uint64_t r = 0, g = 0, b = 0, n = 0;
            for (std::int32_t y = j * fy; y < (j + 1) * fy && y < picture.Height(); ++y) {
                for (std::int32_t x = i * fx; x < (i + 1) * fx && x < picture.Width(); ++x) {
                    const Pixel& p = picture.PixelAt(x, y);
                    r += p.r, g += p.g, b += p.b, ++n;
                }
            }
            const auto mean = [n](std::uint64_t s) { return static_cast<std::uint32_t>((s * 2 + n) / (2 * n)); };
            out[static_cast<std::size_t>(j) * size.width + i] = 0xff000000u | mean(r) << 16 | mean(g) << 8 | mean(b);
        }
    }
    return out;
}

TEST(BoxReduce, MatchesThePlainBlockMeanOnRandomPictures) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 120; ++round) {
        const std::int32_t width = testsupport::RandomSide(random, 300);
        const std::int32_t height = testsupport::RandomSide(random, 300);
        BMP_File picture = testsupport::RandomImage(random, width, height);
        const std::int32_t fx = std::uniform_int_distribution<std::int32_t>(1, width + 2)(random);
        const std::int32_t fy = std::uniform_int_distribution<std::int32_t>(1, height + 2)(random);
        const std::vector<std::uint32_t> expected = ReferenceReduce(picture, fx, fy);
        const Size size = BoxReducedSize(Size{width, height}, fx, fy);
        for (int threads : {1, 3}) {
            // A wider stride than the row, filled with a marker that must survive.
            const std::size_t stride = static_cast<std::size_t>(size.width) + 2;
            std::vector<std::uint32_t> target(stride * size.height, 0x12345678u);
            BoxReduce(picture, fx, fy, target.data(), stride, threads);
            for (std::int32_t j = 0; j < size.height; ++j) {
                for (std::int32_t i = 0; i < size.width; ++i) {
                    ASSERT_EQ(target[j * stride + i], expected[static_cast<std::size_t>(j) * size.width + i])
                        << width << "x" << height << " by " << fx << "x" << fy << ", pixel " << i << ", " << j;
                }
                ASSERT_EQ(target[j * stride + size.width], 0x12345678u) << "wrote past the row";
            }
        }
    }
}

TEST(BoxReduce, ReducingTheBlocksOfAChangeBringsTheReductionUpToDate) {
    std::mt19937 random(77);
    for (int round = 0; round < 60; ++round) {
        const std::int32_t width = testsupport::RandomSide(random, 300);
        const std::int32_t height = testsupport::RandomSide(random, 300);
        BMP_File picture = testsupport::RandomImage(random, width, height);
        const std::int32_t fx = std::uniform_int_distribution<std::int32_t>(1, 9)(random);
        const std::int32_t fy = std::uniform_int_distribution<std::int32_t>(1, 9)(random);
        const Size size = BoxReducedSize(Size{width, height}, fx, fy);
        std::vector<std::uint32_t> target(static_cast<std::size_t>(size.width) * size.height);
        BoxReduce(picture, fx, fy, target.data(), static_cast<std::size_t>(size.width), 1);

        // A rectangle that may reach beyond the picture on any side; only its part on the picture changes.
        std::uniform_int_distribution<std::int32_t> x(-20, width + 20);
        std::uniform_int_distribution<std::int32_t> y(-20, height + 20);
        const std::int32_t x0 = x(random), x1 = x(random), y0 = y(random), y1 = y(random);
        const Rect changed{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
        for (std::int32_t py = changed.top; py < changed.bottom; ++py) {
            for (std::int32_t px = changed.left; px < changed.right; ++px) {
                if (px >= 0 && py >= 0 && px < width && py < height) picture.Row(py)[px] = Pixel{1, 2, 3};
            }
        }
        BoxReduceBlocks(picture, fx, fy, target.data(), static_cast<std::size_t>(size.width),
                        BoxBlocksOf(changed, Size{width, height}, fx, fy), 2);
        ASSERT_EQ(target, ReferenceReduce(picture, fx, fy))
            << width << "x" << height << " by " << fx << "x" << fy << ", changed (" << changed.left << ", "
            << changed.top << ", " << changed.right << ", " << changed.bottom << ")";
    }
}

struct SizeCase {
    const char* name;
    Size source;
    std::int32_t fx, fy;
    Size reduced;
};

TEST(BoxReduce, SizesRoundUpSoThatNoColumnIsLost) {
    const SizeCase cases[] = {
        {"exact", {6000, 4000}, 20, 20, {300, 200}},
        {"partial blocks", {6000, 4000}, 21, 20, {286, 200}},
        {"factor 1", {7, 5}, 1, 1, {7, 5}},
        {"factor below 1 counts as 1", {7, 5}, 0, -3, {7, 5}},
        {"factor beyond the picture", {7, 5}, 100, 100, {1, 1}},
        {"empty", {0, 0}, 3, 3, {0, 0}},
    };
    for (const SizeCase& c : cases) EXPECT_EQ(BoxReducedSize(c.source, c.fx, c.fy), c.reduced) << c.name;
}

TEST(BoxReduce, AWholePictureBlockOfWhiteDoesNotOverflow) {
    BMP_File white;
    ASSERT_TRUE(white.Create(2000, 1500));
    for (std::size_t i = 0; i < white.PixelCount(); ++i) white.Data()[i] = Pixel{255, 255, 255};
    std::uint32_t out = 0;
    BoxReduce(white, 2000, 1500, &out, 1, 2);
    EXPECT_EQ(out, 0xffffffffu);
}

}  // namespace
