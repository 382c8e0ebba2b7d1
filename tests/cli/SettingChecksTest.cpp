// Warnings for settings that are taken but will not do what they say.

#include <gtest/gtest.h>

#include "app/CLumivaneState.h"
#include "cli/SettingChecks.h"

TEST(SettingChecks, AValueThatIsNoNumberIsNamedWithWhatTheSettingTakes) {
    CLumivaneState state;
    CIniPartition& settings = state.m_cFileStorage.Partition(0);
    struct Case {
        const char* line;
        const char* warning;  // empty: none
    };
    for (const Case& c : {
             Case{"m_nHue=12", ""},
             Case{"m_nHue= -7 ", ""},
             Case{"m_nHue=+7", ""},
             Case{"m_nHue=12abc", "m_nHue=12abc: \"12abc\" is not a whole number; the setting takes 12"},
             Case{"m_nHue=1.5", "m_nHue=1.5: \"1.5\" is not a whole number; the setting takes 1"},
             Case{"m_nHue=", "m_nHue=: \"\" is not a whole number; the setting takes 0"},
             Case{"m_bHSB =on", "m_bHSB =on: \"on\" is not a whole number; the setting takes 0"},
             Case{"m_cBmpWndOriginal.CroprcT=0.25", ""},
             Case{"m_cBmpWndOriginal.CroprcT=1e-1", ""},
             Case{"m_cBmpWndOriginal.CroprcT=0,25",
                  "m_cBmpWndOriginal.CroprcT=0,25: \"0,25\" is not a number; the setting takes 0.000000"},
             Case{"m_cBmpWndOriginal.CroprcT=inf",
                  "m_cBmpWndOriginal.CroprcT=inf: \"inf\" is not a number; the setting takes 340282346638528859811704183484516925440.000000"},
             Case{"nokey=abc", ""},
         }) {
        const std::optional<std::string> warning = NumberWarning(settings, c.line);
        EXPECT_EQ(warning.value_or(""), c.warning) << c.line;
    }
}

TEST(SettingChecks, AResizeTheStageSkipsIsNamed) {
    ProcessingSettings settings;
    EXPECT_FALSE(SkippedResizeWarning(settings, true)) << "resize off";
    settings.m_bResize = 1;
    EXPECT_FALSE(SkippedResizeWarning(settings, true));
    settings.m_nSizeX = 16384;
    settings.m_nSizeY = 16384;
    EXPECT_FALSE(SkippedResizeWarning(settings, true)) << "the limit itself";
    settings.m_nSizeY = 16385;
    EXPECT_EQ(SkippedResizeWarning(settings, true).value_or(""),
              "resize to 16384 x 16385 is beyond the limit of 268435456 pixels and is skipped");
    EXPECT_FALSE(SkippedResizeWarning(settings, false)) << "a full-size run refuses it as an error";
    settings.m_nSizeX = 0;
    EXPECT_EQ(SkippedResizeWarning(settings, false).value_or(""), "resize to 0 x 16385 has no pixels and is skipped");
}
