// The profile's declaration: the 87 keys of a .qmx file in their order and kinds. Files made by other copies of the
// program depend on exactly these names, blanks included.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CLumivaneState.h"

namespace {

std::vector<std::string> ExpectedKeys() {
    std::vector<std::string> keys = {"m_bBlur",    "m_nBlurSize",   "m_bBrightness ", "m_nBrightR",    "m_nBrightG",
                                     "m_nBrightB", "m_bContrast",   "m_nContrastR",   "m_nContrastG",  "m_nContrastB",
                                     "m_bHSB ",    "m_nHue",        "m_nSaturation",  "m_nBrightness", "m_bInvertR",
                                     "m_bInvertG", "m_bInvertB",    "m_bGrayScale",   "m_bSharpen",    "m_bEmboss",
                                     "m_bCrop",    "m_bLight1",     "m_bLightEdit1",  "m_bLight2",     "m_bLightEdit2",
                                     "m_bLight3",  "m_bLightEdit3", "m_bResize",      "m_nSizeX",      "m_nSizeY",
                                     "Light1R",    "Light1G",       "Light1B",        "Light2R",       "Light2G",
                                     "Light2B",    "Light3R",       "Light3G",        "Light3B"};
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

TEST(ProfileDeclaration, TheLightTableNamesEachLightsOwnMembers) {
    // Light i of kLights is light i + 1 of the profile keys: its switch, its edit switch and its rectangle.
    for (int light = 0; light < 3; ++light) {
        CLumivaneState state;
        ProcessingSettings& s = state.m_settings;
        s.*kLights[light].on = 7;
        s.*kLights[light].edit = 8;
        s.*kLights[light].rect = Rect{-11, -12, -13, -14};
        const std::string text = state.m_cFileStorage.SaveToText();
        const std::string n = std::to_string(light + 1);
        for (const std::string& line :
             {"m_bLight" + n + "=7", "m_bLightEdit" + n + "=8", "m_rcLight" + n + ".left=-11",
              "m_rcLight" + n + ".top=-12", "m_rcLight" + n + ".right=-13", "m_rcLight" + n + ".bottom=-14"}) {
            EXPECT_NE(text.find("\r\n" + line + "\r\n"), std::string::npos) << line;
        }
        for (int other = 0; other < 3; ++other) {
            if (other == light) continue;
            EXPECT_EQ(s.*kLights[other].on, 0) << other;
            EXPECT_EQ(s.*kLights[other].edit, 0) << other;
            EXPECT_EQ(state.MakeChainParams().lights[other].on, false) << other;
        }
        EXPECT_TRUE(state.MakeChainParams().lights[light].on);
        EXPECT_EQ(state.MakeChainParams().lights[light].rect, (Rect{-11, -12, -13, -14}));
        EXPECT_TRUE(state.LightEditSwitch(light));
    }
}
