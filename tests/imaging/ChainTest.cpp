// The chain: every stage in its place and order, the fast stages and the fused colour sweep together giving exactly
// what the straightforward stages give one after the other.

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "imaging/Chain.h"
#include "tests/imaging/ReferenceColor.h"
#include "tests/imaging/ReferenceGeometry.h"
#include "tests/imaging/ReferenceNeighbourhood.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::SamePixels;

namespace {

void ReferenceChain(BMP_File& image, const ChainParams& p) {
    if (p.crop) reference::Crop(image, p.rcCrop, p.pane);
    if (p.resize) reference::Resize(image, p.sizeX, p.sizeY);
    if (p.emboss) reference::Emboss(image);
    if (p.sharpen) reference::Sharpen(image);
    if (p.color.greyScale) reference::GreyScale(image);
    if (p.color.invertRed) reference::Invert(image, 0);
    if (p.color.invertGreen) reference::Invert(image, 1);
    if (p.color.invertBlue) reference::Invert(image, 2);
    if (p.color.hsb) reference::Hsb(image, p.color.hue, p.color.saturation, p.color.hsbBrightness);
    if (p.color.contrast) reference::Contrast(image, p.color.contrastRed, p.color.contrastGreen, p.color.contrastBlue);
    if (p.color.brightness) reference::Brightness(image, p.color.brightRed, p.color.brightGreen, p.color.brightBlue);
    if (p.blur) reference::Blur(image, p.blurSize);
    for (const ChainLight& light : p.lights) {
        if (light.on) reference::Light(image, light.rect, p.pane, light.red, light.green, light.blue);
    }
    if (p.rotate > 0) reference::Rotate(image, p.rotate);
}

// Mostly the values a user can set, now and then one that only a hand-edited profile brings.
std::int32_t EffectValue(std::mt19937& random) {
    std::uniform_int_distribution<int> pick(0, 9);
    switch (pick(random)) {
        case 0: return std::uniform_int_distribution<std::int32_t>(-300, 400)(random);
        case 1: return pick(random) < 5 ? INT_MIN : INT_MAX;
        default: return std::uniform_int_distribution<std::int32_t>(0, 100)(random);
    }
}

Rect RandomRect(std::mt19937& random, Size pane) {
    std::uniform_int_distribution<std::int32_t> x(-10, pane.width + 10);
    std::uniform_int_distribution<std::int32_t> y(-10, pane.height + 10);
    Rect rect{x(random), y(random), x(random), y(random)};
    if (std::uniform_int_distribution<int>(0, 3)(random) != 0) {  // mostly the right way round
        if (rect.left > rect.right) std::swap(rect.left, rect.right);
        if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
    }
    return rect;
}

ChainParams RandomParams(std::mt19937& random) {
    std::bernoulli_distribution on(0.5);
    ChainParams p;
    p.pane = {std::uniform_int_distribution<std::int32_t>(3, 90)(random),
              std::uniform_int_distribution<std::int32_t>(3, 90)(random)};
    p.crop = on(random);
    p.rcCrop = RandomRect(random, p.pane);
    p.resize = on(random);
    p.sizeX = std::uniform_int_distribution<std::uint32_t>(0, 90)(random);
    p.sizeY = std::uniform_int_distribution<std::uint32_t>(0, 90)(random);
    if (std::uniform_int_distribution<int>(0, 9)(random) == 0) p.sizeX = 0xFFFFFFFFu;  // -1 in a profile
    p.emboss = on(random);
    p.sharpen = on(random);
    p.color.greyScale = on(random);
    p.color.invertRed = on(random);
    p.color.invertGreen = on(random);
    p.color.invertBlue = on(random);
    p.color.hsb = on(random);
    p.color.hue = EffectValue(random);
    p.color.saturation = EffectValue(random);
    p.color.hsbBrightness = EffectValue(random);
    p.color.contrast = on(random);
    p.color.contrastRed = EffectValue(random);
    p.color.contrastGreen = EffectValue(random);
    p.color.contrastBlue = EffectValue(random);
    p.color.brightness = on(random);
    p.color.brightRed = EffectValue(random);
    p.color.brightGreen = EffectValue(random);
    p.color.brightBlue = EffectValue(random);
    p.blur = on(random);
    p.blurSize = std::uniform_int_distribution<std::int32_t>(-3, 31)(random);
    for (ChainLight& light : p.lights) {
        light.on = on(random);
        light.rect = RandomRect(random, p.pane);
        light.red = std::uniform_int_distribution<std::int32_t>(-20, 280)(random);
        light.green = std::uniform_int_distribution<std::int32_t>(0, 255)(random);
        light.blue = std::uniform_int_distribution<std::int32_t>(0, 255)(random);
    }
    p.rotate = std::uniform_int_distribution<std::int32_t>(0, 3)(random);
    p.threads = std::uniform_int_distribution<int>(1, 2)(random);
    return p;
}

}  // namespace

TEST(Chain, MatchesTheStraightforwardStagesOnRandomPicturesAndSettings) {
    std::mt19937 random(20261208);
    BMP_File scratch;  // reused from run to run, as the shared state does
    for (int round = 0; round < 400; ++round) {
        const ChainParams params = RandomParams(random);
        const BMP_File original =
            RandomImage(random, testsupport::RandomSide(random, 70), testsupport::RandomSide(random, 70));
        BMP_File fast = testsupport::Copy(original);
        BMP_File expected = testsupport::Copy(original);
        RunChain(fast, scratch, params);
        ReferenceChain(expected, params);
        ASSERT_TRUE(SamePixels(expected, fast)) << "round " << round;
    }
}

TEST(Chain, EveryStageOffLeavesThePicture) {
    std::mt19937 random(7);
    const BMP_File original = RandomImage(random, 31, 17);
    BMP_File picture = testsupport::Copy(original);
    BMP_File scratch;
    ChainParams params;
    params.pane = {288, 193};
    RunChain(picture, scratch, params);
    EXPECT_TRUE(SamePixels(original, picture));
}

TEST(Chain, LargePicturesOnTwoThreadsMatchOneThread) {
    // Big enough for the stages to split their rows between threads.
    std::mt19937 random(11);
    const BMP_File original = RandomImage(random, 700, 500);
    for (int round = 0; round < 3; ++round) {
        ChainParams params = RandomParams(random);
        params.pane = {288, 193};
        params.resize = false;
        params.crop = false;
        BMP_File one = testsupport::Copy(original);
        BMP_File two = testsupport::Copy(original);
        BMP_File scratch;
        params.threads = 1;
        RunChain(one, scratch, params);
        params.threads = 2;
        RunChain(two, scratch, params);
        ASSERT_TRUE(SamePixels(one, two)) << "round " << round;
    }
}
