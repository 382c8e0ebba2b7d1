// Editing profile text in place: only the lines the storage reads as the keys change; everything else stays byte for
// byte, line ends included.

#include <gtest/gtest.h>

#include <string>

#include "app/CLumivaneState.h"
#include "cli/ProfileEdit.h"

namespace {

// The text after setting the lines on the start-up values, through ApplyEdits.
std::string Edited(const std::string& text, const std::vector<std::string>& lines) {
    CLumivaneState state;
    std::vector<ProfileEdit> edits;
    for (const std::string& line : lines) edits.push_back({line, std::nullopt});
    const std::vector<std::string> keys = ApplyEdits(state, edits);
    return RewriteProfileText(text, state.m_cFileStorage.Partition(0), keys);
}

}  // namespace

TEST(ProfileEdit, OnlyTheKeysLinesChangeAndMissingKeysJoinTheSection) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"CR LF, a key in another case, a look-alike key, a comment, a later section",
         "banner\r\n\r\n[Settings]\r\nM_NHUE=50\r\nm_bHSB=1\r\n; note\r\nm_bHSB =1  \r\n[Other]\r\nm_nHue=3\r\n",
         {"m_nHue=70", "m_bHSB =0", "m_bBlur=1"},
         "banner\r\n\r\n[Settings]\r\nM_NHUE=70\r\nm_bHSB=1\r\n; note\r\nm_bHSB =0\r\nm_bBlur=1\r\n[Other]\r\n"
         "m_nHue=3\r\n"},
        {"LF line ends stay LF", "[Settings]\nm_nHue=50\n", {"m_nHue=12abc", "m_nSaturation=9"},
         "[Settings]\nm_nHue=12\nm_nSaturation=9\n"},
        {"no settings section: one is added at the end", "just a banner\r\n", {"m_bBlur=1"},
         "just a banner\r\n\r\n[Settings]\r\nm_bBlur=1\r\n"},
        {"a head with a blank after it opens no section", "[Settings] \nm_bBlur=0\n", {"m_bBlur=1"},
         "[Settings] \nm_bBlur=0\n\n[Settings]\nm_bBlur=1\n"},
        {"every section of the name is edited; text after the last line end stays last",
         "[Settings]\r\nm_bBlur=0\r\n[settings]\r\nm_bBlur=0\r\ntail", {"m_bBlur=1", "m_nBlurSize=9"},
         "[Settings]\r\nm_bBlur=1\r\n[settings]\r\nm_bBlur=1\r\nm_nBlurSize=9\r\ntail"},
        {"a real with six decimals, a key repeated in the edits once", "[Settings]\r\n",
         {"m_cBmpWndOriginal.CroprcT=0.25", "m_cBmpWndOriginal.CroprcT=0.5"},
         "[Settings]\r\nm_cBmpWndOriginal.CroprcT=0.500000\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Edited(c.text, c.lines), c.expected) << c.name;
}

TEST(ProfileEdit, NamedOptionsEditTheirKeysAndJsonHoldsEveryNumber) {
    CLumivaneState state;
    std::vector<NamedOption> named;
    std::size_t next = 0;
    std::string error;
    ASSERT_TRUE(TakeNamedOption({"--contrast", "60"}, next, named, &error));
    const std::vector<std::string> keys = ApplyEdits(state, {{"m_nContrastG=10", std::nullopt}, {"", named.front()}});
    EXPECT_EQ(keys, (std::vector<std::string>{"m_nContrastG", "m_bContrast", "m_nContrastR", "m_nContrastB"}));
    EXPECT_EQ(state.m_settings.m_nContrastG, 60) << "in the order given";

    const std::string json = SettingsJson(state.m_cFileStorage.Partition(0));
    EXPECT_EQ(json.rfind("{\n  \"m_bBlur\": 0,\n  \"m_nBlurSize\": 5,\n  \"m_bBrightness\": 0,\n", 0), 0u) << json;
    EXPECT_NE(json.find("\n  \"m_bContrast\": 1,\n"), std::string::npos);
    EXPECT_NE(json.find("\n  \"m_cBmpWndDestination.LightrcR3\": 1.000000\n}\n"), std::string::npos) << json;
    EXPECT_EQ(std::count(json.begin(), json.end(), ':'), 87);
}
