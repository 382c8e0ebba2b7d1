// The main window's Web camera command on the test cameras, every dialog answered through the ScriptedDialogSeam:
// the file name forgotten and Save disabled, one camera window at a time, a taken frame as the new original, the
// agreed size kept in the device choices, and the message for a camera that was never chosen.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "acquire/CWebCameraDlg.h"
#include "app/CLumivaneDlg.h"
#include "app/CWebCameraCommand.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"
#include "tests/support/CameraTestSupport.h"
#include "tests/support/QtTestApp.h"

namespace {

class CameraCommandTest : public ::testing::Test {
protected:
    CameraCommandTest() {
        testsupport::UseTestCameras();
        testsupport::QtApp();
        m_window = std::make_unique<CLumivaneDlg>(m_seam, "");
        m_window->show();
    }
    ~CameraCommandTest() override {
        EXPECT_TRUE(m_seam.Unexpected().empty()) << "a dialog came that no test answered";
        EXPECT_EQ(m_seam.Unanswered(), 0u) << "an answered dialog never came";
    }
    void ClickWebCamera() {
        auto* button = static_cast<QPushButton*>(m_window->Control(dlg::kWebCamera));
        button->setEnabled(true);
        button->click();
    }

    ScriptedDialogSeam m_seam;
    std::unique_ptr<CLumivaneDlg> m_window;
};

TEST_F(CameraCommandTest, ATakenFrameBecomesTheOriginalAndSaveIsDisabled) {
    ASSERT_TRUE(m_window->OpenPicture(QString::fromStdString(std::string(LUMIVANE_SOURCE_DIR) + "/resources/sample.png")));
    EXPECT_FALSE(m_window->FileName().empty());
    CLumivaneState& state = m_window->State();
    state.m_device.m_strCameraSrc = "Test Camera";
    state.m_device.m_nCameraSizeX = 640;
    state.m_device.m_nCameraSizeY = 480;

    ClickWebCamera();
    CWebCameraDlg* camera = m_window->WebCamera().Window();
    ASSERT_NE(camera, nullptr);
    EXPECT_TRUE(camera->isVisible());
    EXPECT_TRUE(m_window->FileName().empty());
    EXPECT_FALSE(m_window->Control(dlg::kSave)->isEnabled());
    ClickWebCamera();
    EXPECT_EQ(m_window->WebCamera().Window(), camera) << "one camera window at a time";

    ASSERT_TRUE(QTest::qWaitFor([&] { return camera->ShownFrame().sequence > 0; }, 10000));
    camera->Button(camera::kTake)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window->WebCamera().Window() == nullptr; }, 5000))
        << "the window closes and goes";
    EXPECT_EQ(state.OriginalImage().Width(), 640);
    EXPECT_EQ(state.OriginalImage().Height(), 480);
    // The top left bar of the pattern is light grey.
    EXPECT_GT(state.OriginalImage().PixelAt(5, 5).r, 150);
    EXPECT_EQ(state.m_device.m_nCameraSizeX, 640);
    EXPECT_FALSE(state.ProcessedImage().IsEmpty());
}

TEST_F(CameraCommandTest, NoChosenCameraIsReportedAndLeavesNoWindow) {
    m_seam.ExpectMessage();
    ClickWebCamera();
    ASSERT_FALSE(m_seam.Calls().empty());
    EXPECT_EQ(m_seam.Calls().back().caption, "Error");
    EXPECT_EQ(m_seam.Calls().back().text, "Camera Direct Show Source was not selected!");
    EXPECT_EQ(m_window->WebCamera().Window(), nullptr);
}

}  // namespace
