// The shared state: start-up, acquisition, both run modes, the commands that change the state, and Load
// configuration with its refresh, as the window and lumivane-cli drive them.

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/CLumivaneState.h"
#include "app/Profile.h"
#include "tests/imaging/ReferenceGeometry.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace {

// Records what the state asks of a window, in order.
class SpyView : public IStateView {
public:
    bool OriginalImageChanged(const BMP_File&) override {
        events.push_back("original");
        return acceptOriginal;
    }
    bool ProcessedImageChanged(const BMP_File& picture) override {
        events.push_back("processed " + std::to_string(picture.Width()) + "x" + std::to_string(picture.Height()));
        ++runs;
        return true;
    }
    void RepaintPane(CPaneModel&) override { events.push_back("repaint"); }
    void ExchangeSizeFields(ProcessingSettings& settings) override {
        events.push_back("exchange");
        if (fieldX) settings.m_nSizeX = *fieldX;
    }
    void SettingsLoaded(const ProcessingSettings&) override { events.push_back("loaded"); }

    std::vector<std::string> events;
    int runs = 0;
    bool acceptOriginal = true;
    std::optional<std::uint32_t> fieldX;
};

// The banner as a save writes it: every line end CR LF.
std::string kProfileBannerWithCrLf() {
    std::string banner;
    for (const char* c = kProfileBanner; *c != 0; ++c) banner += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
    return banner;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

BMP_File Picture(std::uint32_t seed, std::int32_t width, std::int32_t height) {
    std::mt19937 random(seed);
    return RandomImage(random, width, height);
}

}  // namespace

TEST(StateStartUp, PanesAndRectanglesAsTheWindowLeavesThem) {
    CLumivaneState state;
    const ProcessingSettings& s = state.m_settings;
    for (const Rect* rect : {&s.m_rcCrop, &s.m_rcLight1, &s.m_rcLight2, &s.m_rcLight3}) {
        EXPECT_EQ(*rect, (Rect{0, 0, 288, 193}));
    }
    for (const auto& color : s.m_nLightColor) {
        for (std::int32_t channel : color) EXPECT_EQ(channel, 255);
    }
    EXPECT_EQ(state.m_cBmpWndOriginal.m_cRectTracker.m_rect, (Rect{5, 5, 281, 186}));
    EXPECT_EQ(state.m_cBmpWndDestination.m_cLightTracker3.m_rect, (Rect{5, 5, 281, 186}));
    EXPECT_FLOAT_EQ(state.m_cBmpWndOriginal.m_rcRelCrop.top, 5.0f / 186.0f);
    EXPECT_FLOAT_EQ(state.m_cBmpWndOriginal.m_rcRelCrop.left, 5.0f / 281.0f);
    EXPECT_EQ(s.m_nSizeX, 400u);
    EXPECT_EQ(s.m_nBlurSize, 5);
    EXPECT_EQ(state.Rotation(), 0);
    EXPECT_TRUE(state.OriginalImage().IsEmpty());
}

TEST(StateStartUp, CommandsBeforeAnyPictureRunNothing) {
    CLumivaneState state;
    SpyView view;
    state.SetView(&view);
    state.ToggleSwitch(state.m_settings.m_bBlur);
    state.RotateRight();
    state.ProcessImage(false);
    EXPECT_EQ(view.runs, 0);
    EXPECT_EQ(state.m_settings.m_bBlur, 1);
    EXPECT_EQ(state.Rotation(), 1);
}

TEST(StateAcquire, EmptyPicturesAreRefusedAndNothingChanges) {
    CLumivaneState state;
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(1, 20, 10)));
    const BMP_File before = testsupport::Copy(state.OriginalImage());
    const Pixel pixel{};
    EXPECT_FALSE(state.ShowAcquiredImage(0, 5, &pixel));
    EXPECT_FALSE(state.ShowAcquiredImage(5, 0, &pixel));
    EXPECT_FALSE(state.ShowAcquiredImage(5, 5, nullptr));
    EXPECT_FALSE(state.ShowAcquiredImage(BMP_File{}));
    EXPECT_TRUE(SamePixels(before, state.OriginalImage()));
    EXPECT_EQ(state.ProcessedImage().Width(), 288);
}

TEST(StateAcquire, PreviewIsTheOriginalScaledToTheProcessedPane) {
    CLumivaneState state(Size{200, 150});
    SpyView view;
    state.SetView(&view);
    const BMP_File original = Picture(2, 333, 97);
    ASSERT_TRUE(state.ShowAcquiredImage(original.Width(), original.Height(), original.Data()));
    EXPECT_EQ(view.events, (std::vector<std::string>{"original", "processed 200x150"}));
    BMP_File expected;
    reference::ScaleNearest(original, expected, 200, 150);
    EXPECT_TRUE(SamePixels(expected, state.ProcessedImage()));
    EXPECT_TRUE(SamePixels(original, state.OriginalImage()));
}

TEST(StateAcquire, FullModeWithEverySwitchOffIsAnExactCopy) {
    CLumivaneState state;
    const BMP_File original = Picture(3, 640, 480);
    ASSERT_TRUE(state.ShowAcquiredImage(testsupport::Copy(original)));
    ASSERT_TRUE(state.Process(false));
    EXPECT_TRUE(SamePixels(original, state.ProcessedImage()));
    state.ProcessImage(true);
    EXPECT_EQ(state.ProcessedImage().Width(), 288);
}

TEST(StateAcquire, AFailedOriginalBitmapStopsBeforeTheChain) {
    CLumivaneState state;
    SpyView view;
    view.acceptOriginal = false;
    state.SetView(&view);
    EXPECT_TRUE(state.ShowAcquiredImage(Picture(4, 10, 10)));
    EXPECT_EQ(view.runs, 0);
    EXPECT_EQ(state.OriginalImage().Width(), 10);
}

TEST(StateCommands, RotationWrapsBothWays) {
    CLumivaneState state;
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(5, 40, 30)));
    state.RotateLeft();
    EXPECT_EQ(state.Rotation(), 3);
    EXPECT_EQ(state.ProcessedImage().Width(), 193) << "three quarter turns of the 288 x 193 preview";
    for (int i = 0; i < 3; ++i) state.RotateLeft();
    EXPECT_EQ(state.Rotation(), 0);
    const BMP_File unturned = testsupport::Copy(state.ProcessedImage());
    for (int i = 0; i < 4; ++i) state.RotateRight();
    EXPECT_EQ(state.Rotation(), 0);
    EXPECT_TRUE(SamePixels(unturned, state.ProcessedImage()));
}

TEST(StateCommands, SetRotationKeepsQuarterTurnsModuloFour) {
    const struct {
        std::int32_t given;
        std::int32_t kept;
    } cases[] = {{0, 0}, {3, 3}, {4, 0}, {5, 1}, {-1, 3}, {-4, 0}, {-5, 3}, {INT_MAX, 3}, {INT_MIN, 0}};
    CLumivaneState state;
    for (const auto& c : cases) {
        state.SetRotation(c.given);
        EXPECT_EQ(state.Rotation(), c.kept) << c.given;
        EXPECT_EQ(state.MakeChainParams().rotate, c.kept) << c.given;
    }
}

TEST(StateCommands, ACheckBoxChangesTheProcessedPicture) {
    CLumivaneState state;
    SpyView view;
    state.SetView(&view);
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(6, 50, 50)));
    const BMP_File plain = testsupport::Copy(state.ProcessedImage());
    state.ToggleSwitch(state.m_settings.m_bInvertG);
    EXPECT_EQ(view.runs, 2);
    EXPECT_EQ(state.ProcessedImage().PixelAt(7, 9).g, 255 - plain.Row(9)[7].g);
    EXPECT_EQ(state.ProcessedImage().PixelAt(7, 9).r, plain.Row(9)[7].r);
    state.ToggleSwitch(state.m_settings.m_bInvertG);
    EXPECT_TRUE(SamePixels(plain, state.ProcessedImage()));
}

TEST(StateCommands, CropShowsTheTrackerAndCutsToItsPushedRectangle) {
    CLumivaneState state;
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(7, 100, 100)));
    state.ToggleCrop();
    EXPECT_EQ(state.m_settings.m_bCrop, 1);
    EXPECT_EQ(state.m_cBmpWndOriginal.m_bCrop, 1);
    // The initial tracker (5, 5, 281, 186) widened by 5: the whole client area of the pane.
    EXPECT_EQ(state.m_settings.m_rcCrop, (Rect{0, 0, 286, 191}));
    EXPECT_EQ(state.ProcessedImage().Width(), 286);
    EXPECT_EQ(state.ProcessedImage().Height(), 191);
    state.ToggleCrop();
    EXPECT_EQ(state.m_cBmpWndOriginal.m_bCrop, 0);
    EXPECT_EQ(state.ProcessedImage().Width(), 288);
}

TEST(StateCommands, AtMostOneLightIsEdited) {
    CLumivaneState state;
    SpyView view;
    state.SetView(&view);
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(8, 30, 30)));
    view.runs = 0;
    state.ToggleLightEdit(0);
    EXPECT_EQ(state.m_settings.m_bLightEdit1, 1);
    EXPECT_EQ(state.m_cBmpWndDestination.m_bLight1, 1);
    EXPECT_EQ(view.runs, 1) << "switching editing on pushes the light's rectangle and runs the chain once";
    EXPECT_EQ(state.m_settings.m_rcLight1, (Rect{0, 0, 286, 191}));

    state.ToggleLightEdit(1);
    EXPECT_EQ(state.m_settings.m_bLightEdit1, 0);
    EXPECT_EQ(state.m_cBmpWndDestination.m_bLight1, 0);
    EXPECT_EQ(state.m_settings.m_bLightEdit2, 1);
    EXPECT_EQ(state.m_cBmpWndDestination.m_bLight2, 1);

    state.ToggleLightEdit(1);
    EXPECT_EQ(state.m_settings.m_bLightEdit2, 0);
    EXPECT_EQ(state.m_cBmpWndDestination.m_bLight2, 0);
    EXPECT_EQ(state.m_settings.m_bLightEdit3, 0);
}

TEST(StateCommands, LightSwitchShowsTheTrackerOnlyWhileEdited) {
    CLumivaneState state;
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(9, 30, 30)));
    state.ToggleLight(2);
    EXPECT_EQ(state.m_settings.m_bLight3, 1);
    EXPECT_EQ(state.m_cBmpWndDestination.m_bLight3, 0);
    state.ToggleLightEdit(2);
    state.ToggleLight(2);
    EXPECT_EQ(state.m_settings.m_bLight3, 0);
    EXPECT_EQ(state.m_cBmpWndDestination.m_bLight3, 1);
}

TEST(StateCommands, ACancelledColourDialogStillRunsTheChain) {
    CLumivaneState state;
    SpyView view;
    state.SetView(&view);
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(10, 30, 30)));
    view.runs = 0;
    state.ChooseLightColor(1, std::nullopt);
    EXPECT_EQ(view.runs, 1);
    EXPECT_EQ(state.m_settings.m_nLightColor[1][0], 255);
    state.ChooseLightColor(1, std::array<std::int32_t, 3>{10, 20, 30});
    EXPECT_EQ(state.m_settings.m_nLightColor[1][2], 30);
    EXPECT_EQ(view.runs, 2);
}

TEST(StateCommands, ResizeReadsTheSizeFieldsFirstAndOnlyWhenOn) {
    CLumivaneState state;
    SpyView view;
    state.SetView(&view);
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(11, 30, 30)));
    EXPECT_EQ(std::count(view.events.begin(), view.events.end(), "exchange"), 0);
    view.fieldX = 123;
    state.ToggleSwitch(state.m_settings.m_bResize);
    EXPECT_EQ(std::count(view.events.begin(), view.events.end(), "exchange"), 1);
    EXPECT_EQ(state.ProcessedImage().Width(), 123);
    EXPECT_EQ(state.ProcessedImage().Height(), 300);
}

TEST(StatePanes, ResizingTheProcessedPaneResizesThePreview) {
    CLumivaneState state;
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(12, 30, 30)));
    state.SetPaneOuterSize(state.m_cBmpWndDestination, Size{400, 300});
    state.ProcessImage(true);
    EXPECT_EQ(state.ProcessedImage().Width(), 400);
    EXPECT_EQ(state.ProcessedImage().Height(), 300);
    EXPECT_EQ(state.m_cBmpWndDestination.ClientSize(), (Size{398, 298}));
}

TEST(StateProfile, LoadChecksTheSwitchesAndProducesTheResizedPicture) {
    TempDir dir;
    WriteText(dir.File("p.qmx"),
              "banner\r\n\r\n[Settings]\r\nm_bResize=1\r\nm_nSizeX=640\r\nm_nSizeY=480\r\n"
              "m_bInvertG=1\r\nm_bInvertB=0\r\n");
    CLumivaneState state;
    SpyView view;
    state.SetView(&view);
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(13, 64, 48)));
    view.events.clear();
    ASSERT_TRUE(state.LoadConfiguration(dir.File("p.qmx")));
    ASSERT_FALSE(view.events.empty());
    EXPECT_EQ(view.events.front(), "loaded") << "the controls are refreshed before the chain reads the size fields";
    EXPECT_EQ(state.m_settings.m_bInvertG, 1);
    EXPECT_EQ(state.m_settings.m_bInvertB, 0);
    EXPECT_EQ(state.ProcessedImage().Width(), 640);
    EXPECT_EQ(state.ProcessedImage().Height(), 480);
}

TEST(StateProfile, AMissingKeyKeepsItsValueAndAFailedLoadStillRefreshes) {
    TempDir dir;
    WriteText(dir.File("p.qmx"), "\n[Settings]\nm_bBlur=1\n");
    CLumivaneState state;
    SpyView view;
    state.SetView(&view);
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(14, 20, 20)));
    state.m_settings.m_nHue = 70;
    ASSERT_TRUE(state.LoadConfiguration(dir.File("p.qmx")));
    EXPECT_EQ(state.m_settings.m_bBlur, 1);
    EXPECT_EQ(state.m_settings.m_nHue, 70);

    view.runs = 0;
    const Status missing = state.LoadConfiguration(dir.File("missing.qmx"));
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.message().find("missing.qmx"), std::string::npos) << missing.message();
    EXPECT_EQ(view.runs, 1);
    EXPECT_EQ(state.m_settings.m_bBlur, 1);
}

TEST(StateProfile, LoadRebuildsTheTrackersAndLightRectanglesFromTheRelativeOnes) {
    TempDir dir;
    WriteText(dir.File("p.qmx"),
              "\n[Settings]\n"
              "m_cBmpWndDestination.LightrcT1=0.5\nm_cBmpWndDestination.LightrcL1=0.25\n"
              "m_cBmpWndDestination.LightrcB1=0.75\nm_cBmpWndDestination.LightrcR1=0.5\n"
              "m_rcLight1.left=77\n");
    CLumivaneState state;
    ASSERT_TRUE(state.LoadConfiguration(dir.File("p.qmx")));
    // W = 286 − 5 = 281, H = 191 − 5 = 186: 0.25 × 281 = 70.25, 0.5 × 186 = 93, 0.5 × 281 = 140.5, 0.75 × 186 = 139.5.
    const Rect expected{70, 93, 140, 139};
    EXPECT_EQ(state.m_cBmpWndDestination.m_cLightTracker1.m_rect, expected);
    EXPECT_EQ(state.m_settings.m_rcLight1, expected) << "the remap overrides the stored light rectangle";
}

TEST(StateProfile, HostileValuesNeitherCrashNorAllocateTheImpossible) {
    TempDir dir;
    std::string text = "\n[Settings]\n";
    for (const char* key : {"m_bBlur", "m_bBrightness ", "m_bContrast", "m_bHSB ", "m_bInvertR", "m_bGrayScale",
                            "m_bSharpen", "m_bEmboss", "m_bCrop", "m_bLight1", "m_bLight2", "m_bLight3", "m_bResize",
                            "m_cBmpWndOriginal.m_bCrop", "m_cBmpWndDestination.m_bLight1"}) {
        text += std::string(key) + "=1\n";
    }
    text +=
        "m_nSizeX=-1\nm_nSizeY=99999999999\nm_nBlurSize=-7\nm_nHue=2147483647\nm_nSaturation=-2147483648\n"
        "m_nBrightness=100000\nm_nContrastR=-99999\nm_nBrightG=99999999\nLight1R=999\nLight1G=-5\n"
        "m_cBmpWndOriginal.CroprcT=nan\nm_cBmpWndOriginal.CroprcL=-1e30\nm_cBmpWndOriginal.CroprcB=1e30\n"
        "m_cBmpWndOriginal.CroprcR=inf\nm_cBmpWndDestination.LightrcR1=1e9\n";
    WriteText(dir.File("hostile.qmx"), text);
    CLumivaneState state;
    ASSERT_TRUE(state.ShowAcquiredImage(Picture(15, 60, 40)));
    ASSERT_TRUE(state.LoadConfiguration(dir.File("hostile.qmx")));
    EXPECT_EQ(state.m_settings.m_nSizeX, 0xFFFFFFFFu);
    EXPECT_EQ(state.m_settings.m_nSizeY, static_cast<std::uint32_t>(INT_MAX)) << "saturated";
    // The preview skips the impossible resize; a full-size run, whose result would be saved, says why it cannot.
    EXPECT_TRUE(state.Process(true));
    EXPECT_FALSE(state.ProcessedImage().IsEmpty());
    const Status full = state.Process(false);
    EXPECT_EQ(full.message(),
              "a resize to -1 × 2147483647 pixels is beyond the largest picture accepted (268435456 pixels, 65535 on a "
              "side)");
    EXPECT_FALSE(state.ProcessedImage().IsEmpty());
}

TEST(StateProfile, SaveRightAfterStartUpHoldsTheDefaults) {
    TempDir dir;
    CLumivaneState state;
    ASSERT_TRUE(state.SaveConfiguration(dir.File("fresh")));
    const std::string text = ReadText(dir.File("fresh.qmx"));
    const std::string start = std::string(kProfileBannerWithCrLf()) +
                              "\r\n\r\n[Settings]\r\nm_bBlur=0\r\n"
                              "m_nBlurSize=5\r\nm_bBrightness =0\r\nm_nBrightR=50\r\n";
    EXPECT_EQ(text.substr(0, start.size()), start);
    for (const char* line :
         {"\r\nm_nSizeX=400\r\n", "\r\nm_nSizeY=300\r\n", "\r\nLight1R=255\r\n", "\r\nLight3B=255\r\n",
          "\r\nm_cBmpWndOriginal.m_cRectTracker.m_rect.right=281\r\n", "\r\nm_rcLight2.bottom=193\r\n",
          "\r\nm_cBmpWndOriginal.CroprcT=0.026882\r\n", "\r\nm_cBmpWndDestination.LightrcR3=1.000000\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(StateProfile, SaveAndLoadRoundTripEveryValue) {
    TempDir dir;
    CLumivaneState first;
    ProcessingSettings& s = first.m_settings;
    s.m_bBlur = 1;
    s.m_nBlurSize = 29;
    s.m_nContrastG = 13;
    s.m_nHue = 99;
    s.m_bLightEdit2 = 1;
    s.m_nSizeX = 1234;
    s.m_nLightColor[2][1] = 17;
    first.m_cBmpWndDestination.m_rcRelLight2 = {0.1f, 0.2f, 0.3f, 0.4f};
    first.m_cBmpWndOriginal.m_bCrop = 1;
    ASSERT_TRUE(first.SaveConfiguration(dir.File("all.qmx")));
    CLumivaneState second;
    ASSERT_TRUE(second.m_cFileStorage.Load(dir.File("all.qmx")));
    EXPECT_EQ(second.m_cFileStorage.SaveToText(), first.m_cFileStorage.SaveToText());
    EXPECT_EQ(second.m_settings.m_nSizeX, 1234u);
    EXPECT_FLOAT_EQ(second.m_cBmpWndDestination.m_rcRelLight2.right, 0.4f);
}

TEST(StateProfile, TheQmxExtensionRule) {
    struct Case {
        const char* chosen;
        const char* saved;
    };
    for (const Case& c :
         {Case{"/p/look", "/p/look.qmx"}, Case{"/p/look.qmx", "/p/look.qmx"}, Case{"/p/look.txt", "/p/look.txt"},
          Case{"/p/look.profile", "/p/look.profile.qmx"}, Case{"a.b", "a.b.qmx"}, Case{"", ".qmx"}}) {
        EXPECT_EQ(ProfilePathWithExtension(c.chosen), c.saved) << c.chosen;
    }
}

TEST(StateProfile, ProfileLinesApplyAsALoadWouldAndNameUnknownKeys) {
    CLumivaneState state;
    const auto unknown = state.ApplyProfileLines("M_BGRAYSCALE=1\nm_nHue= 12\nno_such_key=3\nm_bHSB =1\n");
    EXPECT_EQ(unknown, (std::vector<std::string>{"no_such_key"}));
    EXPECT_EQ(state.m_settings.m_bGrayScale, 1);
    EXPECT_EQ(state.m_settings.m_nHue, 12);
    EXPECT_EQ(state.m_settings.m_bHSB, 1);
}
