// A pane whose window moves to a screen of another scale: the offscreen platform with two screens side by side, the
// left at 100 % and the right at 200 %. This program sets up its own platform before the QApplication is made, so
// it holds no other tests.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <random>

#include "imaging/BMP_File.h"
#include "panes/CBmpWnd.h"
#include "panes/CPaneModel.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TestSupport.h"

namespace {

QApplication& TwoScreenApp() {
    static const QString config = [] {
        static QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath(QStringLiteral("screens.json"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"screens": [
            {"name": "left", "x": 0, "y": 0, "width": 1000, "height": 800, "logicalDpi": 96},
            {"name": "right", "x": 1000, "y": 0, "width": 1000, "height": 800, "logicalDpi": 96}]})");
        return path;
    }();
    ::setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit().constData(), 1);
    ::setenv("QT_SCREEN_SCALE_FACTORS", "left=1;right=2", 1);
    return testsupport::QtApp();
}

class HostSpy : public IPaneHost {
public:
    void PaneResized(CBmpWnd& pane, Size outer) override {
        pane.Model().SetClientSize(Size{outer.width - 2, outer.height - 2});
    }
    void OpenInViewer(CBmpWnd&) override {}
    void PaneRescaled(CBmpWnd&) override { ++rescaled; }
    int rescaled = 0;
};

TEST(PaneScaleTest, MovingToAScreenOfAnotherScaleMakesTheCopyAgainAtItsPixels) {
    QApplication& app = TwoScreenApp();
    ASSERT_EQ(app.screens().size(), 2);
    CPaneModel model;
    model.Attach(nullptr, Size{286, 191}, nullptr, nullptr, nullptr);
    HostSpy host;
    QWidget window;
    CBmpWnd pane(model, &window);
    pane.SetHost(&host);
    window.resize(640, 480);
    window.move(100, 100);
    pane.resize(288, 193);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    std::mt19937 random(5);
    const BMP_File picture = testsupport::RandomImage(random, 1200, 800);
    ASSERT_TRUE(pane.SetBitmap(&picture));
    pane.repaint();
    EXPECT_EQ(pane.PaneImage().size(), QSize(286, 191));
    const int builds = pane.PaneImageBuilds();

    window.move(1100, 100);  // onto the screen at 200 %
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.devicePixelRatioF() == 2.0; }));
    pane.repaint();
    EXPECT_EQ(pane.PaneImage().size(), QSize(572, 382)) << "the copy is made at the new screen's pixels";
    EXPECT_EQ(pane.PaneImage().devicePixelRatio(), 2.0);
    EXPECT_EQ(pane.PaneImageBuilds(), builds + 1);
    EXPECT_EQ(host.rescaled, 1);
    pane.repaint();
    EXPECT_EQ(pane.PaneImageBuilds(), builds + 1) << "and only once";

    window.move(100, 100);  // and back
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane.devicePixelRatioF() == 1.0; }));
    pane.repaint();
    EXPECT_EQ(pane.PaneImage().size(), QSize(286, 191));
    EXPECT_EQ(host.rescaled, 2);
}

}  // namespace
