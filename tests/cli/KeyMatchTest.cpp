// Forgiving keys: the profile's keys matched ignoring blanks and case, and the suggestions when nothing matches.

#include <gtest/gtest.h>

#include <string>

#include "app/CLumivaneState.h"
#include "cli/KeyMatch.h"

namespace {

const CIniPartition& ProfileKeys() {
    static const CLumivaneState state;
    return state.m_cFileStorage.Partition(0);
}

}  // namespace

TEST(KeyMatch, OneKeyMatchesWhateverItsCaseAndBlanks) {
    struct Case {
        const char* typed;
        const char* stored;
    };
    for (const Case& c : {Case{"m_bHSB", "m_bHSB "}, Case{"M_BHSB", "m_bHSB "}, Case{"  m_bhsb\t", "m_bHSB "},
                          Case{"m_bHSB ", "m_bHSB "}, Case{"m_bbrightness", "m_bBrightness "},
                          Case{"m_nBrightness", "m_nBrightness"}, Case{"light2g", "Light2G"},
                          Case{"m_cbmpwndoriginal.croprct", "m_cBmpWndOriginal.CroprcT"}}) {
        std::string error;
        const auto key = MatchSettingKey(ProfileKeys(), c.typed, &error);
        ASSERT_TRUE(key.has_value()) << c.typed << ": " << error;
        EXPECT_EQ(*key, c.stored);
    }
}

TEST(KeyMatch, NoMatchSuggestsTheClosestKeys) {
    struct Case {
        const char* typed;
        const char* says;
    };
    for (const Case& c : {Case{"m_bBlurr", "no setting is called \"m_bBlurr\" (did you mean m_bBlur?)"},
                          Case{"hsb", "did you mean m_bHSB?"}, Case{"m_bGreyScale", "did you mean m_bGrayScale?"},
                          Case{"m_nSize", "did you mean m_nSizeX or m_nSizeY?"},
                          Case{"brightness", "m_bBrightness or m_nBrightness"},
                          Case{"m_b HSB", "did you mean m_bHSB?"}}) {
        std::string error;
        EXPECT_FALSE(MatchSettingKey(ProfileKeys(), c.typed, &error).has_value()) << c.typed;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.typed << ": " << error;
    }
    std::string error;
    EXPECT_FALSE(MatchSettingKey(ProfileKeys(), "qqqqqqqqqq", &error));
    EXPECT_EQ(error, "no setting is called \"qqqqqqqqqq\"") << "nothing near: no suggestion";
}

TEST(KeyMatch, SeveralMatchesAreRefused) {
    CIniPartition partition;
    partition.AddItem()->SetName("Gain");
    partition.AddItem()->SetName("gain ");
    std::string error;
    EXPECT_FALSE(MatchSettingKey(partition, "GAIN", &error).has_value());
    EXPECT_EQ(error, "\"GAIN\" matches several settings: \"Gain\" \"gain \"");
}

TEST(KeyMatch, SettingLinesTakeTheStoredKeyAndKeepTheValue) {
    std::string error;
    EXPECT_EQ(CanonicalSettingLine(ProfileKeys(), "m_bhsb=1", &error), "m_bHSB =1");
    EXPECT_EQ(CanonicalSettingLine(ProfileKeys(), " M_NHUE = 7 ", &error), "m_nHue= 7 ");
    EXPECT_EQ(CanonicalSettingLine(ProfileKeys(), "m_nHue=a=b", &error), "m_nHue=a=b");
    EXPECT_FALSE(CanonicalSettingLine(ProfileKeys(), "m_nHue", &error).has_value());
    EXPECT_NE(error.find("KEY=VALUE"), std::string::npos) << error;
}

TEST(KeyMatch, ClosestWordsAndTheirSentence) {
    const std::vector<std::string> options = {"--blur", "--brightness", "--contrast", "--grey", "--sharpen"};
    EXPECT_EQ(ClosestWords("--blurr", options), std::vector<std::string>{"--blur"});
    EXPECT_EQ(ClosestWords("--gray", options), std::vector<std::string>{"--grey"});
    EXPECT_TRUE(ClosestWords("--zzzzzzzz", options).empty());
    EXPECT_TRUE(ClosestWords("", options).empty());
    EXPECT_EQ(ClosestWords("--b", options, 1).size(), 1u);
    EXPECT_EQ(DidYouMean({}), "");
    EXPECT_EQ(DidYouMean({"a"}), " (did you mean a?)");
    EXPECT_EQ(DidYouMean({"a", "b"}), " (did you mean a or b?)");
    EXPECT_EQ(DidYouMean({"a", "b", "c"}), " (did you mean a, b or c?)");
}
