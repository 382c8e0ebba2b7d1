// The camera window offscreen on the test cameras: messages for a missing, wrong or busy camera, live frames in the
// pane, the size agreed stored, freeze, take, an unplugged camera, the format dialog, closing while frames arrive.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "acquire/CCameraControlsDlg.h"
#include "acquire/CCameraFormatDlg.h"
#include "acquire/CCameraPane.h"
#include "acquire/CWebCameraDlg.h"
#include "acquire/ICameraHost.h"
#include "imaging/BMP_File.h"
#include "tests/support/CameraTestSupport.h"
#include "tests/support/QtTestApp.h"

namespace {

struct Shown {
    QString caption;
    QString text;
    ICameraHost::Icon icon;
    bool owned;
};

// Records messages and taken frames; dialogs are answered by the test's function (rejected without one).
class TestHost : public ICameraHost {
public:
    void CameraMessage(QWidget* owner, const QString& caption, const QString& text, Icon icon) override {
        messages.push_back({caption, text, icon, owner != nullptr});
    }
    int RunCameraDialog(QDialog& dialog) override {
        dialog.show();
        if (answer) answer(dialog);
        const int result = dialog.result();
        dialog.hide();
        return result;
    }
    void ShowAcquiredImage(std::int32_t width, std::int32_t height, const Pixel* pixels) override {
        ++takes;
        ASSERT_TRUE(taken.Create(width, height));
        std::copy(pixels, pixels + taken.PixelCount(), taken.Data());
    }

    std::vector<Shown> messages;
    std::function<void(QDialog&)> answer;
    BMP_File taken;
    int takes = 0;
};

class WebCameraDlgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testsupport::UseTestCameras();
        testsupport::QtApp();
    }

    // Opens name at the stored size; the window is the test's.
    bool Open(const std::string& name) {
        m_window = std::make_unique<CWebCameraDlg>(m_host);
        return m_window->Init(name, &m_nSizeX, &m_nSizeY, &m_nPeriod);
    }
    // Waits until the pane has shown a frame copied after count frames had been copied.
    bool WaitShown(std::uint64_t count) {
        return QTest::qWaitFor([&] { return m_window->ShownFrame().sequence > count; }, 10000);
    }

    TestHost m_host;
    std::int32_t m_nSizeX = 320;
    std::int32_t m_nSizeY = 240;
    std::int64_t m_nPeriod = -1;
    std::unique_ptr<CWebCameraDlg> m_window;
};

TEST_F(WebCameraDlgTest, CamerasThatCannotStartAreReportedWithTheirTexts) {
    struct Case {
        std::string name;
        QString caption, text;
        ICameraHost::Icon icon;
    };
    const Case cases[] = {
        {"", "Error", "Camera Direct Show Source was not selected!", ICameraHost::Icon::Error},
        {"Nowhere Cam", "Error", "Camera Direct Show Source \"Nowhere Cam\" was not found!", ICameraHost::Icon::Error},
        {"Test Camera (busy)", "Warning!", "Camera is in use by another application", ICameraHost::Icon::Warning},
    };
    for (const Case& c : cases) {
        m_host.messages.clear();
        EXPECT_FALSE(Open(c.name)) << c.name;
        ASSERT_EQ(m_host.messages.size(), 1u) << c.name;
        EXPECT_EQ(m_host.messages[0].caption, c.caption);
        EXPECT_EQ(m_host.messages[0].text, c.text);
        EXPECT_EQ(m_host.messages[0].icon, c.icon);
        EXPECT_FALSE(m_window->IsRunning());
    }
}

TEST_F(WebCameraDlgTest, LiveFramesReachThePaneAtTheAgreedSize) {
    m_nSizeX = 400;  // not offered: the device's nearest, 320 × 240, is agreed and stored
    m_nSizeY = 300;
    ASSERT_TRUE(Open("Test Camera"));
    EXPECT_EQ(m_nSizeX, 320);
    EXPECT_EQ(m_nSizeY, 240);
    EXPECT_EQ(m_window->size(), QSize(320 + 34 + 75, 289));
    EXPECT_EQ(m_window->Pane().geometry(), QRect(5, 5, 324, 244));
    m_window->show();
    ASSERT_TRUE(WaitShown(3));
    const QImage& shown = m_window->Pane().Frame();
    ASSERT_EQ(shown.size(), QSize(320, 240));
    // The second bar of the pattern is yellow, at the top: upright and in the right channel order.
    const QRgb yellow = shown.pixel(320 * 3 / 14, 10);
    EXPECT_GT(qRed(yellow), 150);
    EXPECT_GT(qGreen(yellow), 150);
    EXPECT_LT(qBlue(yellow), 40);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->Pane().Paints() > 0; }, 5000));
    EXPECT_TRUE(m_host.messages.empty());
}

TEST_F(WebCameraDlgTest, FreezeKeepsTheFrameAndTakeHandsOverExactlyTheLastOne) {
    ASSERT_TRUE(Open("Test Camera"));
    ASSERT_TRUE(WaitShown(2));
    m_window->Button(camera::kFreeze)->click();
    EXPECT_EQ(m_window->Button(camera::kFreeze)->text(), "UnFreeze");
    const std::uint64_t copied = m_window->CopiedFrames();
    const std::uint64_t delivered = m_window->DeliveredSamples();
    // Frames keep arriving from the camera, and none is copied while frozen.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_window->DeliveredSamples() > delivered + 3; }, 10000));
    EXPECT_EQ(m_window->CopiedFrames(), copied);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->ShownFrame().sequence == copied; }, 2000));
    const CameraFrame frozen = m_window->ShownFrame();
    EXPECT_EQ(frozen.sequence, copied);

    m_window->Button(camera::kTake)->click();
    ASSERT_EQ(m_host.takes, 1);
    ASSERT_EQ(m_host.taken.Width(), 320);
    ASSERT_EQ(m_host.taken.Height(), 240);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const std::uint8_t* bgrx = &frozen.bytes[(static_cast<std::size_t>(y) * 320 + x) * 4];
            ASSERT_EQ(m_host.taken.PixelAt(x, y), (Pixel{bgrx[2], bgrx[1], bgrx[0]})) << x << "," << y;
        }
    }
    EXPECT_FALSE(m_window->isVisible()) << "taking closes the window";
    EXPECT_FALSE(m_window->IsRunning());
}

TEST_F(WebCameraDlgTest, AnUnpluggedCameraIsReportedOnceAndItsLastFrameCanBeTaken) {
    ASSERT_TRUE(Open("Test Camera (unplugs)"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_host.messages.empty(); }, 10000));
    EXPECT_EQ(m_host.messages[0].caption, "Could not access camera");
    EXPECT_TRUE(m_host.messages[0].text.startsWith("Error: 0x")) << m_host.messages[0].text.toStdString();
    EXPECT_FALSE(m_window->IsRunning());
    const std::uint64_t copied = m_window->CopiedFrames();
    EXPECT_GT(copied, 0u);
    EXPECT_EQ(m_window->ShownFrame().sequence, copied) << "the last frame stays shown";
    // Nothing more is reported, whatever else is still on its way.
    QCoreApplication::processEvents();
    EXPECT_EQ(m_host.messages.size(), 1u);
    m_window->TakeFrame();
    EXPECT_EQ(m_host.takes, 1);
    EXPECT_EQ(m_host.taken.Width(), 320);

    m_host.messages.clear();
    ASSERT_TRUE(Open("Test Camera")) << "a camera opens again after another failed";
    EXPECT_TRUE(WaitShown(1));
}

TEST_F(WebCameraDlgTest, FormatRestartsTheStreamAtTheChosenSizeAndStoresIt) {
    ASSERT_TRUE(Open("Test Camera"));
    ASSERT_TRUE(WaitShown(1));
    m_host.answer = [](QDialog& dialog) {
        auto& format = static_cast<CCameraFormatDlg&>(dialog);
        QListWidget& list = format.List();
        for (int row = 0; row < list.count(); ++row) {
            if (list.item(row)->text() == "BGRx 640 x 480, 15 fps") list.setCurrentRow(row);
        }
        dialog.accept();
    };
    m_window->Button(camera::kFormat)->click();
    ASSERT_TRUE(m_window->IsRunning());
    EXPECT_EQ(m_nSizeX, 640);
    EXPECT_EQ(m_nSizeY, 480);
    EXPECT_EQ(m_nPeriod, 10000000 / 15);
    EXPECT_EQ(m_window->size(), QSize(640 + 34 + 75, 529));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_window->ShownFrame().width == 640; }, 10000));
    EXPECT_TRUE(m_host.messages.empty());
}

TEST_F(WebCameraDlgTest, ACameraWithoutSettingsSaysSoAndKeepsRunning) {
    ASSERT_TRUE(Open("Test Camera"));
    bool saidSo = false;
    m_host.answer = [&](QDialog& dialog) {
        auto& controls = static_cast<CCameraControlsDlg&>(dialog);
        saidSo = controls.NoneLabel() != nullptr && controls.ControlCount() == 0 &&
                 controls.NoneLabel()->text() == "This camera has no settings of its own.";
        dialog.reject();
    };
    m_window->Button(camera::kControls)->click();
    EXPECT_TRUE(saidSo);
    EXPECT_TRUE(m_window->StatusLine().text().isEmpty()) << "no pan, tilt or zoom to show";
    EXPECT_TRUE(m_window->IsRunning());
    const std::uint64_t copied = m_window->CopiedFrames();
    EXPECT_TRUE(WaitShown(copied));
}

TEST_F(WebCameraDlgTest, ClosingWhileFramesArriveIsSafe) {
    for (int run = 0; run < 5; ++run) {
        ASSERT_TRUE(Open("Test Camera"));
        m_window->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_window->CopiedFrames() > 0; }, 10000));
        if (run % 2 == 0) {
            m_window->Button(camera::kExit)->click();
            EXPECT_FALSE(m_window->isVisible());
        }
        m_window.reset();  // frames may still be on their way to a window that is gone
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(m_host.takes, 0);
    EXPECT_TRUE(m_host.messages.empty());
}

}  // namespace
