// The Scan command and the source dialog in the main window, offscreen, every dialog answered through the
// ScriptedDialogSeam: a page from SANE's test backend reaches the panes and its file is gone; cancel, a stalled
// source, a forced status and closing the window during a scan; the source dialog's lists, lookup, questions, the
// area forgotten only when the scanner changes, and the buttons enabled after OK.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <random>

#include "acquire/CScanProgressDlg.h"
#include "acquire/CTwainSourcesDlg.h"
#include "acquire/CTwainUtils.h"
#include "app/CLumivaneDlg.h"
#include "app/CScanCommand.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"
#include "platform/ImageCodec.h"
#include "platform/SaneScanner.h"
#include "platform/UserStore.h"
#include "tests/support/FakeScanner.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/SaneTestBackend.h"

namespace {

using testsupport::FakeScannerSystem;
using Kind = ScriptedDialogSeam::Kind;

constexpr int kWait = 20000;  // ms, the bound of every wait on a condition

class ScanWindowTest : public ::testing::Test {
protected:
    ScanWindowTest() { testsupport::QtApp(); }
    ~ScanWindowTest() override { EXPECT_TRUE(m_seam.Unexpected().empty()) << "a dialog came that no test answered"; }

    // The window with these names stored as the chosen sources.
    CLumivaneDlg& Window(const std::string& scanner, const std::string& camera = {}) {
        {
            UserStore store(m_dir.File("registry"));
            EXPECT_TRUE(store.CreateKey("Software\\Tessary\\Lumivane\\Settings"));
            EXPECT_TRUE(store.CreateKey("Software\\Tessary\\Lumivane\\TwainSources"));
            EXPECT_TRUE(store.SetValue("Software\\Tessary\\Lumivane\\TwainSources", "Scanner Twain Src",
                                       UserStore::Value::String(scanner)));
            EXPECT_TRUE(store.SetValue("Software\\Tessary\\Lumivane\\TwainSources", "Camera DShow Src",
                                       UserStore::Value::String(camera)));
            EXPECT_TRUE(store.Save());
        }
        m_window = std::make_unique<CLumivaneDlg>(m_seam, m_dir.File("registry"));
        m_window->SetCameraLister([this] { return m_cameras; });
        // The SANE session lives until the program ends, so that the test backend stays loaded and the sanitizer
        // can name the buffer that backend loses (suppressed in QtLeakSuppressions.cpp).
        static const auto sane = std::make_shared<SaneScannerSystem>();
        m_window->SetScannerSystem(sane);
        return *m_window;
    }
    bool UseSane(const std::string& extra = {}) { return testsupport::UseSaneTestBackend(m_saneDir, extra); }

    void Click(int id) { static_cast<QAbstractButton*>(m_window->Control(id))->click(); }
    bool Enabled(int id) { return m_window->Control(id)->isEnabled(); }

    // The progress window: wait until the scan has ended by itself.
    void AnswerProgressByWaiting() {
        m_seam.AnswerDialog([](QDialog& dialog) {
            auto& progress = static_cast<CScanProgressDlg&>(dialog);
            EXPECT_TRUE(QTest::qWaitFor([&] { return progress.Finished(); }, kWait));
        });
    }
    // The progress window: once the page is under way, act; then wait for the end.
    void AnswerProgressOnceUnderWay(std::function<void(CScanProgressDlg&)> act) {
        m_seam.AnswerDialog([act](QDialog& dialog) {
            auto& progress = static_cast<CScanProgressDlg&>(dialog);
            EXPECT_TRUE(QTest::qWaitFor([&] { return progress.Percent() > 0 || progress.Finished(); }, kWait));
            EXPECT_FALSE(progress.Finished()) << "the slow page ended before it could be broken off";
            act(progress);
            EXPECT_TRUE(QTest::qWaitFor([&] { return progress.Finished(); }, kWait));
        });
    }
    QString LastMessage() const {
        for (auto call = m_seam.Calls().rbegin(); call != m_seam.Calls().rend(); ++call) {
            if (call->kind == Kind::Message) return call->caption + ": " + call->text;
        }
        return {};
    }
    int Messages() const {
        return static_cast<int>(std::count_if(m_seam.Calls().begin(), m_seam.Calls().end(),
                                              [](const auto& call) { return call.kind == Kind::Message; }));
    }
    bool FolderEmpty() const {
        const QString folder = m_window->ScanCommand().Folder();
        return folder.isEmpty() || QDir(folder).isEmpty(QDir::Files | QDir::NoDotAndDotDot);
    }

    testsupport::TempDir m_dir;
    testsupport::TempDir m_saneDir;
    ScriptedDialogSeam m_seam;
    std::vector<std::string> m_cameras{"Integrated Camera", "USB Camera"};
    std::unique_ptr<CLumivaneDlg> m_window;
};

// ---- Scan ---------------------------------------------------------------------------------------------------------

TEST_F(ScanWindowTest, APageFromTheTestBackendReachesThePanesAndItsFileIsGone) {
    if (!UseSane()) GTEST_SKIP() << "SANE's test backend is not installed";
    CLumivaneDlg& window = Window("test:0");
    std::mt19937 random(5);
    ASSERT_TRUE(WriteImageFile(m_dir.File("before.png"), testsupport::RandomImage(random, 9, 7), ImageFormat::Png));
    ASSERT_TRUE(window.OpenPicture(QString::fromStdString(m_dir.File("before.png"))));
    ASSERT_TRUE(Enabled(dlg::kSave));
    AnswerProgressByWaiting();
    Click(dlg::kScan);
    ASSERT_EQ(Messages(), 0) << LastMessage().toStdString();
    const std::int32_t side = testsupport::SanePixels(50, 300);  // the whole 300 mm bed at 50 dpi
    EXPECT_TRUE(testsupport::SamePixels(testsupport::SaneColorPattern(side, side), window.State().OriginalImage()));
    EXPECT_EQ(window.ScanCommand().Counter(), 1);
    EXPECT_TRUE(window.FileName().empty());
    EXPECT_FALSE(Enabled(dlg::kSave));
    EXPECT_TRUE(FolderEmpty());
    EXPECT_NE(window.ScanCommand().Folder(), QDir::currentPath());

    // The page keeps the resolution it was scanned at: a TIFF saved from it says 50 dpi, the backend's.
    m_seam.AnswerSaveFile(IDialogSeam::FileChoice{QString::fromStdString(m_dir.File("page")), 4});
    Click(dlg::kSaveAs);
    EXPECT_TRUE(QTest::qWaitFor([&window] { return window.PendingFileJobs() == 0; }, kWait));
    double dpi = 0;
    ASSERT_TRUE(ReadImagePages(m_dir.File("page.tif"), [&dpi](BMP_File&, Resolution resolution, std::size_t,
                                                              std::size_t) {
        dpi = resolution.x;
        return Status::Ok();
    }));
    EXPECT_EQ(dpi, 50.0);
}

TEST_F(ScanWindowTest, CancelEndsTheScanSilentlyAndChangesNothing) {
    if (!UseSane("read-delay true\nread-delay-duration 200000\n")) GTEST_SKIP() << "no SANE test backend";
    CLumivaneDlg& window = Window("test:0");
    AnswerProgressOnceUnderWay([](CScanProgressDlg& progress) { progress.CancelButton().click(); });
    Click(dlg::kScan);
    EXPECT_EQ(Messages(), 0) << LastMessage().toStdString();
    EXPECT_TRUE(window.State().OriginalImage().IsEmpty());
    EXPECT_EQ(window.ScanCommand().Counter(), 0);
    EXPECT_TRUE(FolderEmpty());
}

TEST_F(ScanWindowTest, ClosingTheWindowDuringAScanCancelsItAndCloses) {
    if (!UseSane("read-delay true\nread-delay-duration 200000\n")) GTEST_SKIP() << "no SANE test backend";
    CLumivaneDlg& window = Window("test:0");
    window.show();
    AnswerProgressOnceUnderWay([&window](CScanProgressDlg&) { window.reject(); });
    Click(dlg::kScan);
    EXPECT_EQ(Messages(), 0) << LastMessage().toStdString();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
    EXPECT_TRUE(window.State().OriginalImage().IsEmpty());
}

TEST_F(ScanWindowTest, AForcedStatusIsShownUnderScanError) {
    if (!UseSane("read-status-code \"SANE_STATUS_JAMMED\"\n")) GTEST_SKIP() << "no SANE test backend";
    CLumivaneDlg& window = Window("test:0");
    AnswerProgressByWaiting();
    m_seam.ExpectMessage();
    Click(dlg::kScan);
    EXPECT_EQ(LastMessage(), "Scan Error: Paper could not be unloaded");
    EXPECT_EQ(m_seam.Calls().back().icon, IDialogSeam::Icon::Error);
    EXPECT_EQ(window.ScanCommand().Counter(), 0);
    EXPECT_TRUE(FolderEmpty());
}

TEST_F(ScanWindowTest, AStalledSourceEndsWithFunctionTimedOut) {
    CLumivaneDlg& window = Window("fake:0");
    testsupport::FakeScannerScript script;
    script.pageHeight = 40;
    script.stallAfterRows = 2;
    window.SetScannerSystem(std::make_shared<FakeScannerSystem>(script));
    window.Twain().SetNoProgressTimeout(std::chrono::milliseconds(200));
    AnswerProgressByWaiting();
    m_seam.ExpectMessage();
    Click(dlg::kScan);
    EXPECT_EQ(LastMessage(), "Scan Error: Function timed out");
    EXPECT_TRUE(window.State().OriginalImage().IsEmpty());
}

// ---- The source dialog ----------------------------------------------------------------------------------------------

class SourceDialogTest : public ScanWindowTest {
protected:
    void SetUp() override {
        m_system = std::make_shared<FakeScannerSystem>();
        m_system->script.names = {"fake:0", "airscan:e0:A very long network scanner name beyond thirty-four bytes"};
    }
    CLumivaneDlg& Open(const std::string& scanner, const std::string& camera) {
        CLumivaneDlg& window = Window(scanner, camera);
        window.SetScannerSystem(m_system);
        return window;
    }
    // Runs the source dialog; act works it, and the questions it asks are answered in turn.
    void Run(std::function<void(CTwainSourcesDlg&)> act, std::vector<bool> answers = {}) {
        m_seam.AnswerDialog([act](QDialog& dialog) { act(static_cast<CTwainSourcesDlg&>(dialog)); });
        for (bool yes : answers) AnswerQuestion(yes);
        Click(dlg::kSources);
    }
    void AnswerQuestion(bool yes) {
        m_seam.AnswerDialog([yes](QDialog& dialog) {
            auto& box = static_cast<QMessageBox&>(dialog);
            box.button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        });
    }
    static void Choose(QComboBox& list, int index) {
        list.setCurrentIndex(index);
        emit list.activated(index);
    }
    std::shared_ptr<FakeScannerSystem> m_system;
};

TEST_F(SourceDialogTest, ListsBothKindsFindsStoredNamesIgnoringCaseAndEnablesTheButtonsAfterOk) {
    CLumivaneDlg& window = Open("FAKE:0", "");
    EXPECT_TRUE(Enabled(dlg::kScan));
    EXPECT_FALSE(Enabled(dlg::kWebCamera));
    // The stored name is found whatever its case; the list's spelling differs from it, so the area is forgotten.
    window.Twain().SetScanArea(0, 0, 8.5, 11.69);
    Run([](CTwainSourcesDlg& dialog) {
        EXPECT_EQ(dialog.ScannerList().currentIndex(), 0);
        EXPECT_EQ(dialog.CameraList().currentIndex(), -1);
        dialog.OkButton().click();
    }, {true});  // no camera: go on without one
    EXPECT_FALSE(window.Twain().AreaKnown());
    window.Twain().SetScanArea(0, 0, 8.5, 11.69);
    Run([](CTwainSourcesDlg& dialog) {
        ASSERT_EQ(dialog.ScannerList().count(), 2);
        // Long network names are kept whole.
        EXPECT_EQ(dialog.ScannerList().itemText(1).toStdString(),
                  "airscan:e0:A very long network scanner name beyond thirty-four bytes");
        EXPECT_EQ(dialog.ScannerList().currentIndex(), 0);
        EXPECT_EQ(dialog.CameraList().count(), 2);
        Choose(dialog.CameraList(), 1);
        dialog.OkButton().click();
    });
    // The same scanner keeps the area.
    EXPECT_EQ(window.State().m_device.m_strScannerSrc, "fake:0");
    EXPECT_EQ(window.State().m_device.m_strCameraSrc, "USB Camera");
    EXPECT_TRUE(window.Twain().AreaKnown());
    EXPECT_TRUE(Enabled(dlg::kScan));
    EXPECT_TRUE(Enabled(dlg::kWebCamera));

    // Another scanner forgets the area.
    Run([](CTwainSourcesDlg& dialog) {
        Choose(dialog.ScannerList(), 1);
        dialog.OkButton().click();
    });
    EXPECT_FALSE(window.Twain().AreaKnown());
    EXPECT_EQ(window.State().m_device.m_strScannerSrc.size(), 68u);
}

TEST_F(SourceDialogTest, UnknownNamesStartWithOkDisabledAndTheQuestionsDecide) {
    CLumivaneDlg& window = Open("gone:0", "Gone Camera");
    window.Twain().SetScanArea(0, 0, 1, 1);
    // No to the scanner question keeps the dialog open; Yes clears the scanner and forgets the area; No to the
    // camera question then keeps the dialog open with the scanner already cleared; Cancel keeps that.
    Run(
        [](CTwainSourcesDlg& dialog) {
        EXPECT_EQ(dialog.ScannerList().currentIndex(), -1);
        EXPECT_EQ(dialog.CameraList().currentIndex(), -1);
        EXPECT_FALSE(dialog.OkButton().isEnabled());
        Choose(dialog.CameraList(), 0);
        EXPECT_TRUE(dialog.OkButton().isEnabled());
        dialog.CameraList().setCurrentIndex(-1);
        dialog.accept();  // No to the scanner question
        EXPECT_TRUE(dialog.isVisible());
        dialog.accept();  // Yes, then No to the camera question
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
        },
        {false, true, false});
    EXPECT_EQ(window.State().m_device.m_strScannerSrc, "");
    EXPECT_EQ(window.State().m_device.m_strCameraSrc, "Gone Camera");
    EXPECT_FALSE(window.Twain().AreaKnown());
    EXPECT_TRUE(Enabled(dlg::kScan)) << "after Cancel the buttons stay as they were";
    ASSERT_GE(m_seam.Calls().size(), 2u);
    EXPECT_EQ(m_seam.Calls()[1].caption, "Warning");
    EXPECT_EQ(m_seam.Calls()[1].text, "QMessageBox");
}

TEST_F(SourceDialogTest, AListingFailureIsShownUnderErrorAndLeavesTheListsEmpty) {
    Open("fake:0", "");
    m_system->script.listResult = {-57, 4};
    m_seam.ExpectMessage();
    Run([](CTwainSourcesDlg& dialog) {
        EXPECT_EQ(dialog.ScannerList().count(), 0);
        EXPECT_EQ(dialog.CameraList().count(), 0);
        EXPECT_TRUE(dialog.OkButton().isEnabled());
        dialog.reject();
    });
    EXPECT_EQ(m_seam.Calls().front().caption, "Error");
    EXPECT_EQ(m_seam.Calls().front().text, "Source already in use");
    EXPECT_EQ(m_seam.Calls().front().icon, IDialogSeam::Icon::Error);
}

}  // namespace
