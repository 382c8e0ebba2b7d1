// The exact preview under QT_QPA_PLATFORM=offscreen: the processed pane shows the full-size result reduced the way the
// original pane reduces its picture, after the pane-sized preview, which stays byte for byte what it was; a newer
// change wins over a run still going; the switch is remembered for the user.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QTest>
#include <memory>
#include <random>

#include "app/CLumivaneDlg.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::SamePixels;

class ExactPreviewTest : public ::testing::Test {
protected:
    ExactPreviewTest() { testsupport::QtApp(); }

    std::unique_ptr<CLumivaneDlg> OpenWindow() {
        auto window = std::make_unique<CLumivaneDlg>(m_seam, m_dir.File("store.reg"));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
    static void Click(CLumivaneDlg& window, int id) { static_cast<QAbstractButton*>(window.Control(id))->click(); }
    static void WaitForExact(CLumivaneDlg& window) {
        ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.ExactPreviewBusy(); }, 60000));
    }
    // The full-size result of the settings now, reduced for the processed pane.
    static QImage ExpectedExact(CLumivaneDlg& window) {
        FullSizeRun run;
        EXPECT_TRUE(window.State().MakeFullSizeRun(run).ok());
        run.Run();
        CBmpWnd& pane = window.ProcessedPane();
        return CBmpWnd::ScaleToSize(run.picture, pane.DevicePaneSize());
    }

    testsupport::TempDir m_dir;
    ScriptedDialogSeam m_seam;
};

TEST_F(ExactPreviewTest, ShowsTheFullSizeResultReducedAfterThePreviewWhichStaysAsItWas) {
    auto window = OpenWindow();
    ASSERT_FALSE(window->ExactPreviewBox()->isChecked()) << "off by default";
    std::mt19937 random(5);
    ASSERT_TRUE(window->State().ShowAcquiredImage(testsupport::RandomImage(random, 900, 640)));
    Click(*window, dlg::kSharpen);
    const BMP_File preview = testsupport::Copy(window->State().ProcessedImage());
    const QImage paneSized = window->ProcessedPane().PaneImage();

    window->ExactPreviewBox()->click();
    WaitForExact(*window);
    EXPECT_EQ(window->ProcessedPane().PaneImage(), ExpectedExact(*window));
    EXPECT_NE(window->ProcessedPane().PaneImage(), paneSized);
    EXPECT_TRUE(SamePixels(preview, window->State().ProcessedImage())) << "the pane-sized preview is untouched";

    // A change shows the pane-sized preview at once, then the exact one.
    Click(*window, dlg::kBlur);
    EXPECT_EQ(window->ProcessedPane().PaneImage(),
              CBmpWnd::ScaleToSize(window->State().ProcessedImage(), window->ProcessedPane().DevicePaneSize()));
    WaitForExact(*window);
    EXPECT_EQ(window->ProcessedPane().PaneImage(), ExpectedExact(*window));

    // Switched off: the pane-sized preview comes back.
    window->ExactPreviewBox()->click();
    EXPECT_EQ(window->ProcessedPane().PaneImage(),
              CBmpWnd::ScaleToSize(window->State().ProcessedImage(), window->ProcessedPane().DevicePaneSize()));
}

TEST_F(ExactPreviewTest, ANewerChangeWinsOverARunStillGoingAndTheSwitchIsRemembered) {
    {
        auto window = OpenWindow();
        std::mt19937 random(8);
        ASSERT_TRUE(window->State().ShowAcquiredImage(testsupport::RandomImage(random, 1200, 800)));
        window->ExactPreviewBox()->click();
        // Changes in a row, each asking for a run while the one before may still go.
        for (int id : {dlg::kEmboss, dlg::kInvertRed, dlg::kGreyScale, dlg::kInvertRed, dlg::kBlur}) Click(*window, id);
        WaitForExact(*window);
        EXPECT_EQ(window->ProcessedPane().PaneImage(), ExpectedExact(*window));
        EXPECT_TRUE(window->Preferences().m_bExactPreview);
    }
    auto again = OpenWindow();
    EXPECT_TRUE(again->ExactPreviewBox()->isChecked());
    again->ExactPreviewBox()->click();
    again.reset();
    EXPECT_FALSE(OpenWindow()->ExactPreviewBox()->isChecked());
}

}  // namespace
