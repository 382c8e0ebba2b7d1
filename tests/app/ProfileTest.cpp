// The profile's declaration: the 87 keys of a .qmx file in their order and kinds. Files made by other copies of the
// program depend on exactly these names, blanks included.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CLumivaneState.h"

namespace {

std::vector<std::string> ExpectedKeys() {
    std::vector<std::string> keys = {
        "m_bBlur", "m_nBlurSize", "m_bBrightness ", "m_nBrightR", "m_nBrightG", "m_nBrightB", "m_bContrast",
        "m_nContrastR", "m_nContrastG", "m_nContrastB", "m_bHSB ", "m_nHue", "m_nSaturation", "m_nBrightness",
        "m_bInvertR", "m_bInvertG", "m_bInvertB", "m_bGrayScale", "m_bSharpen", "m_bEmboss", "m_bCrop", "m_bLight1",
        "m_bLightEdit1", "m_bLight2", "m_bLightEdit2", "m_bLight3", "m_bLightEdit3", "m_bResize", "m_nSizeX",
        "m_nSizeY", "Light1R", "Light1G", "Light1B", "Light2R", "Light2G", "Light2B", "Light3R", "Light3G",
        "Light3B"};
    for (const char* tracker : {"m_cBmpWndOriginal.m_cRectTracker", "m_cBmpWndDestination.m_cLightTracker1",
                                "m_cBmpWndDestination.m_cLightTracker2", "m_cBmpWndDestination.m_cLightTracker3"}) {
        for (const char* side : {"left", "top", "right", "bottom"}) {
            keys.push_back(std::string(tracker) + ".m_rect." + side);
        }
    }
    for (const char* light : {"m_rcLight1", "m_rcLight2", "m_rcLight3"}) {
        for (const char* side : {"left", "right", "top", "bottom"}) keys.push_back(std::string(light) + "." + side);
    }
    for (const char* flag : {"m_cBmpWndOriginal.m_bCrop", "m_cBmpWndDestination.m_bLight1",
                             "m_cBmpWndDestination.m_bLight2", "m_cBmpWndDestination.m_bLight3"}) {
        keys.push_back(flag);
    }
    for (const char* side : {"T", "L", "B", "R"}) keys.push_back(std::string("m_cBmpWndOriginal.Croprc") + side);
    for (const char* n : {"1", "2", "3"}) {
        for (const char* side : {"T", "L", "B", "R"}) {
            keys.push_back(std::string("m_cBmpWndDestination.Lightrc") + side + n);
        }
    }
    return keys;
}

}  // namespace

TEST(ProfileDeclaration, EightySevenKeysInFileOrderWithTheirKinds) {
    CLumivaneState state;
    ASSERT_EQ(state.m_cFileStorage.Count(), 1u);
    const CIniPartition& settings = state.m_cFileStorage.Partition(0);
    EXPECT_EQ(settings.Name(), "Settings");
    const std::vector<std::string> keys = ExpectedKeys();
    ASSERT_EQ(settings.Count(), 87u);
    ASSERT_EQ(keys.size(), 87u);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(settings.Item(i).Name(), keys[i]) << "item " << i + 1;
        EXPECT_EQ(settings.Item(i).Kind(), i < 71 ? CIniItem::kInteger : CIniItem::kReal) << keys[i];
        EXPECT_TRUE(settings.Item(i).HasVariable()) << keys[i];
    }
}

TEST(ProfileDeclaration, EveryKeyIsBoundToItsOwnVariable) {
    // Setting each key to a distinct value and saving must give back every value under its own key: a key bound to
    // the wrong member, or two keys to one, shows here.
    CLumivaneState state;
    std::string lines;
    const std::vector<std::string> keys = ExpectedKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) lines += keys[i] + "=" + std::to_string(1000 + i) + "\n";
    state.m_cFileStorage.LoadFromText("[Settings]\n" + lines);
    std::string saved;
    const CIniPartition& settings = state.m_cFileStorage.Partition(0);
    for (std::size_t i = 0; i < settings.Count(); ++i) settings.Item(i).WriteValue(saved, "\n");
    std::string expected;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        expected += keys[i] + "=" + std::to_string(1000 + i) + (i < 71 ? "" : ".000000") + "\n";
    }
    EXPECT_EQ(saved, expected);
}
