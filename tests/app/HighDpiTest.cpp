// On a screen at 200 % (QT_SCALE_FACTOR=2, offscreen) the original pane's copy, and the exact preview, are made at
// the screen's own pixels, twice the pane's size each way, and drawn 1:1 onto the device.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTest>
#include <cstdlib>
#include <random>

#include "app/CLumivaneDlg.h"
#include "app/DialogSeam.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TestSupport.h"

namespace {

QApplication& ScaledApp() {
    ::setenv("QT_SCALE_FACTOR", "2", 1);  // before the application is made
    return testsupport::QtApp();
}

TEST(HighDpi, TheOriginalPaneAndTheExactPreviewAreDrawnAtTheScreensPixels) {
    ScaledApp();
    ScriptedDialogSeam seam;
    CLumivaneDlg window(seam, "");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_DOUBLE_EQ(window.devicePixelRatioF(), 2.0);
    std::mt19937 random(2);
    const BMP_File picture = testsupport::RandomImage(random, 1600, 1000);
    ASSERT_TRUE(window.State().ShowAcquiredImage(testsupport::Copy(picture)));

    CBmpWnd& original = window.OriginalPane();
    const Size client = original.ClientSize();
    const QImage& copy = original.PaneImage();
    EXPECT_EQ(copy.size(), QSize(client.width * 2, client.height * 2));
    EXPECT_DOUBLE_EQ(copy.devicePixelRatio(), 2.0);
    EXPECT_EQ(copy, CBmpWnd::ScaleToSize(picture, QSize(client.width * 2, client.height * 2)));
    // What reaches the screen is the copy itself, pixel for pixel.
    const QImage painted = original.grab(original.contentsRect()).toImage().convertToFormat(QImage::Format_RGB32);
    QImage expected = copy.convertToFormat(QImage::Format_RGB32);
    expected.setDevicePixelRatio(painted.devicePixelRatio());
    EXPECT_EQ(painted, expected);

    window.ExactPreviewBox()->click();
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.ExactPreviewBusy(); }, 60000));
    const QImage exact = window.ProcessedPane().PaneImage();
    const Size pane = window.ProcessedPane().ClientSize();
    EXPECT_EQ(exact.size(), QSize(pane.width * 2, pane.height * 2));
    EXPECT_DOUBLE_EQ(exact.devicePixelRatio(), 2.0);
}

}  // namespace
