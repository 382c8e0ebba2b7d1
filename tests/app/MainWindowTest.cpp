// The main window under QT_QPA_PLATFORM=offscreen: controls at their template rectangles, the layout on resize, the
// correction commands, the colour dialog, the resize fields, the tracker drag, Enter and Esc, help and About, the
// device choices, and opening a picture. Every dialog is answered through the ScriptedDialogSeam.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QTextBrowser>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "app/CAboutDlg.h"
#include "app/CLumivaneDlg.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"
#include "app/CHelpWindow.h"
#include "app/HelpPages.h"
#include "platform/UserStore.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::SamePixels;

Rect FromQRect(const QRect& r) {
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

std::string Show(const Rect& r) {
    std::ostringstream text;
    text << '(' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ')';
    return text.str();
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        testsupport::QtApp();
        m_storePath = m_dir.File("registry");
    }

    ~MainWindowTest() override { EXPECT_TRUE(m_seam.Unexpected().empty()) << "a dialog came that no test answered"; }

    CLumivaneDlg& Window() {
        if (!m_window) m_window = std::make_unique<CLumivaneDlg>(m_seam, m_storePath);
        return *m_window;
    }
    // Shown and exposed, so that repaints really paint.
    CLumivaneDlg& ShownWindow() {
        Window().show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        return *m_window;
    }

    Rect Geometry(int id) { return FromQRect(Window().Control(id)->geometry()); }
    void Click(int id) { static_cast<QAbstractButton*>(Window().Control(id))->click(); }
    bool Checked(int id) { return static_cast<QCheckBox*>(Window().Control(id))->isChecked(); }
    QLineEdit& Field(int id) { return *static_cast<QLineEdit*>(Window().Control(id)); }

    // A picture acquired as a scan or a file would be; 37 × 23 keeps the preview scaling non-trivial.
    void Acquire(std::int32_t width = 37, std::int32_t height = 23) {
        std::mt19937 random(4242);
        ASSERT_TRUE(Window().State().ShowAcquiredImage(testsupport::RandomImage(random, width, height)));
    }
    BMP_File Processed() { return testsupport::Copy(Window().State().ProcessedImage()); }

    static void SendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
                          Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }

    testsupport::TempDir m_dir;
    std::string m_storePath;
    ScriptedDialogSeam m_seam;
    std::unique_ptr<CLumivaneDlg> m_window;
};

// ---- Controls and layout ----------------------------------------------------------------------------------------

TEST_F(MainWindowTest, EveryControlStandsAtItsTemplateRectangle) {
    CLumivaneDlg& window = Window();
    for (const dlg::ControlTemplate& control : dlg::MainTemplate()) {
        ASSERT_NE(window.Control(control.id), nullptr) << control.id;
        EXPECT_EQ(Geometry(control.id), dlg::MapDialogRect(control.rect))
            << "control " << control.id << " at " << Show(Geometry(control.id));
    }
    EXPECT_EQ(window.Layout().InitialWindow(), (Size{653, 491}));
    // The panes are 288 × 193 outside, their client areas 286 × 191.
    EXPECT_EQ(window.OriginalPane().ClientSize(), (Size{286, 191}));
    EXPECT_EQ(window.ProcessedPane().ClientSize(), (Size{286, 191}));
    EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(MainWindowTest, ShownWindowKeepsTheMinimumSizeAndLaysOutForIt) {
    CLumivaneDlg& window = ShownWindow();
    // Before the frame is known the limit applies to the window's own size, so the window opens at 680 × 520; once
    // the platform reports its frame, the limit is the outer size.
    ASSERT_EQ(window.size(), QSize(680, 520));
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    EXPECT_EQ(window.minimumSize() + frame, QSize(680, 520));
    const std::int32_t dx = 680 - 653;
    const std::int32_t dy = 520 - 491;
    const Rect pane = dlg::MapDialogRect(dlg::FindControl(dlg::kProcessedPane)->rect);
    EXPECT_EQ(Geometry(dlg::kProcessedPane), (Rect{pane.left, pane.top + dy / 2, pane.right + dx, pane.bottom + dy}));
    // The shared state runs the chain at the processed pane's present size.
    const Size outer{static_cast<std::int32_t>(Geometry(dlg::kProcessedPane).Width()),
                     static_cast<std::int32_t>(Geometry(dlg::kProcessedPane).Height())};
    EXPECT_EQ(window.State().PaneOuterSize(window.State().m_cBmpWndDestination), outer);
    Acquire();
    EXPECT_EQ(window.State().ProcessedImage().Width(), outer.width);
    EXPECT_EQ(window.State().ProcessedImage().Height(), outer.height);
}

struct ResizeCase {
    const char* name;
    int dx;  // change of the window size against the template's 653 × 491
    int dy;
};

TEST_F(MainWindowTest, ResizingPlacesEveryControlFromItsInitialRectangle) {
    CLumivaneDlg& window = ShownWindow();
    std::map<int, Rect> atStart;
    for (const dlg::ControlTemplate& control : dlg::MainTemplate()) atStart[control.id] = Geometry(control.id);

    const ResizeCase cases[] = {
        {"grown by 100 x 60", 100, 60},
        {"odd height change 61", 40, 61},
        {"odd height change 91", 27, 91},
        {"back to the smallest", 27, 29},
        {"large", 600, 480},
    };
    for (const ResizeCase& c : cases) {
        window.resize(653 + c.dx, 491 + c.dy);
        ASSERT_EQ(window.size(), QSize(653 + c.dx, 491 + c.dy)) << c.name;
        const int half = c.dy / 2;
        for (int id : dlg::kRightColumn) {
            const Rect r = dlg::MapDialogRect(dlg::FindControl(id)->rect);
            const int down = (id == dlg::kSave || id == dlg::kSaveAs) ? c.dy : 0;
            EXPECT_EQ(Geometry(id), (Rect{r.left + c.dx, r.top + down, r.right + c.dx, r.bottom + down}))
                << c.name << ", control " << id;
        }
        for (int id : {dlg::kOriginalPane, dlg::kOriginalGroup}) {
            const Rect r = dlg::MapDialogRect(dlg::FindControl(id)->rect);
            EXPECT_EQ(Geometry(id), (Rect{r.left, r.top, r.right + c.dx, r.bottom + half})) << c.name << ", " << id;
        }
        for (int id : {dlg::kProcessedPane, dlg::kProcessedGroup}) {
            const Rect r = dlg::MapDialogRect(dlg::FindControl(id)->rect);
            EXPECT_EQ(Geometry(id), (Rect{r.left, r.top + half, r.right + c.dx, r.bottom + c.dy}))
                << c.name << ", " << id;
        }
        // The panes' models follow their widgets.
        EXPECT_EQ(window.ProcessedPane().Model().ClientSize(), window.ProcessedPane().ClientSize()) << c.name;
        EXPECT_EQ(window.OriginalPane().Model().ClientSize(), window.OriginalPane().ClientSize()) << c.name;
    }
    // Growing by 100 × 60 and back restores every control exactly.
    window.resize(680 + 100, 520 + 60);
    window.resize(680, 520);
    for (const auto& [id, rect] : atStart) EXPECT_EQ(Geometry(id), rect) << "control " << id;
}

TEST_F(MainWindowTest, ResizingRunsTheChainAgainAndRescalesThePanes) {
    CLumivaneDlg& window = ShownWindow();
    Acquire(400, 300);
    const int builds = window.OriginalPane().PaneImageBuilds();
    window.resize(900, 700);
    window.OriginalPane().repaint();
    EXPECT_GT(window.OriginalPane().PaneImageBuilds(), builds);
    const Size client = window.OriginalPane().ClientSize();
    EXPECT_EQ(window.OriginalPane().PaneImage().size(), QSize(client.width, client.height));
}

// ---- Commands ---------------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, CheckBoxesFlipTheirSwitchAndChangeTheProcessedPicture) {
    ShownWindow();
    Acquire();
    const BMP_File before = Processed();
    const QImage paneBefore = Window().ProcessedPane().PaneImage();

    Click(dlg::kInvertRed);
    EXPECT_EQ(Window().State().m_settings.m_bInvertR, 1);
    EXPECT_TRUE(Checked(dlg::kInvertRed));
    const BMP_File after = Processed();
    ASSERT_EQ(after.Width(), before.Width());
    for (std::int32_t y = 0; y < after.Height(); ++y) {
        for (std::int32_t x = 0; x < after.Width(); ++x) {
            const Pixel& a = after.Row(y)[x];
            const Pixel& b = before.Row(y)[x];
            ASSERT_TRUE(a.r == 255 - b.r && a.g == b.g && a.b == b.b) << "pixel " << x << ", " << y;
        }
    }
    EXPECT_NE(Window().ProcessedPane().PaneImage(), paneBefore) << "the pane shows the new result";

    Click(dlg::kInvertRed);
    EXPECT_EQ(Window().State().m_settings.m_bInvertR, 0);
    EXPECT_TRUE(SamePixels(before, Processed()));
}

TEST_F(MainWindowTest, EverySwitchBoxDrivesItsOwnSwitch) {
    struct BoxCase {
        int id;
        std::int32_t ProcessingSettings::*member;
    };
    const BoxCase cases[] = {
        {dlg::kBlur, &ProcessingSettings::m_bBlur},          {dlg::kBrightness, &ProcessingSettings::m_bBrightness},
        {dlg::kContrast, &ProcessingSettings::m_bContrast},  {dlg::kHsb, &ProcessingSettings::m_bHSB},
        {dlg::kInvertRed, &ProcessingSettings::m_bInvertR},  {dlg::kInvertGreen, &ProcessingSettings::m_bInvertG},
        {dlg::kInvertBlue, &ProcessingSettings::m_bInvertB}, {dlg::kGreyScale, &ProcessingSettings::m_bGrayScale},
        {dlg::kSharpen, &ProcessingSettings::m_bSharpen},    {dlg::kEmboss, &ProcessingSettings::m_bEmboss},
        {dlg::kResize, &ProcessingSettings::m_bResize},      {dlg::kCrop, &ProcessingSettings::m_bCrop},
        {dlg::kLight1, &ProcessingSettings::m_bLight1},      {dlg::kLight2, &ProcessingSettings::m_bLight2},
        {dlg::kLight3, &ProcessingSettings::m_bLight3},
    };
    ShownWindow();
    ProcessingSettings& s = Window().State().m_settings;
    for (const BoxCase& c : cases) {
        const ProcessingSettings before = s;
        Click(c.id);
        EXPECT_EQ(s.*c.member, 1) << "control " << c.id;
        // No other switch moved.
        for (const BoxCase& other : cases) {
            if (other.id == c.id) continue;
            EXPECT_EQ(s.*other.member, before.*other.member) << c.id << " moved " << other.id;
        }
        Click(c.id);
        EXPECT_EQ(s.*c.member, 0) << "control " << c.id;
    }
}

TEST_F(MainWindowTest, AtMostOneLightAreaIsEdited) {
    ShownWindow();
    CPaneModel& pane = Window().State().m_cBmpWndDestination;
    ProcessingSettings& s = Window().State().m_settings;

    Click(dlg::kEditLight1);
    EXPECT_EQ(s.m_bLightEdit1, 1);
    EXPECT_EQ(pane.m_bLight1, 1) << "tracker 1 shown";

    Click(dlg::kEditLight2);
    EXPECT_EQ(s.m_bLightEdit1, 0);
    EXPECT_FALSE(Checked(dlg::kEditLight1)) << "edit light 1 unchecked";
    EXPECT_EQ(pane.m_bLight1, 0) << "tracker 1 hidden";
    EXPECT_EQ(s.m_bLightEdit2, 1);
    EXPECT_TRUE(Checked(dlg::kEditLight2));
    EXPECT_EQ(pane.m_bLight2, 1);

    Click(dlg::kEditLight3);
    EXPECT_FALSE(Checked(dlg::kEditLight2));
    EXPECT_EQ(pane.m_bLight2, 0);
    EXPECT_EQ(pane.m_bLight3, 1);

    Click(dlg::kEditLight3);  // off again: no light edited
    for (int id : {dlg::kEditLight1, dlg::kEditLight2, dlg::kEditLight3}) EXPECT_FALSE(Checked(id)) << id;
    EXPECT_EQ(s.m_bLightEdit1 + s.m_bLightEdit2 + s.m_bLightEdit3, 0);
    EXPECT_EQ(pane.m_bLight1 + pane.m_bLight2 + pane.m_bLight3, 0);
}

struct RotationCase {
    const char* name;
    std::vector<int> buttons;
    std::int32_t rotate;
};

TEST_F(MainWindowTest, RotationsComeRoundAgain) {
    ShownWindow();
    Window().resize(680, 600);  // a pane that is not square, so a quarter turn shows in the size
    Acquire();
    const BMP_File unrotated = Processed();
    const RotationCase cases[] = {
        {"left from 0 gives 3", {dlg::kRotateLeft}, 3},
        {"right once", {dlg::kRotateRight}, 1},
        {"left four times", {dlg::kRotateLeft, dlg::kRotateLeft, dlg::kRotateLeft, dlg::kRotateLeft}, 0},
        {"right four times", {dlg::kRotateRight, dlg::kRotateRight, dlg::kRotateRight, dlg::kRotateRight}, 0},
        {"left then right", {dlg::kRotateLeft, dlg::kRotateRight}, 0},
        {"left three times is right once", {dlg::kRotateLeft, dlg::kRotateLeft, dlg::kRotateLeft}, 1},
    };
    for (const RotationCase& c : cases) {
        Window().State().SetRotation(0);
        Window().State().ProcessImage(true);
        for (int button : c.buttons) Click(button);
        EXPECT_EQ(Window().State().Rotation(), c.rotate) << c.name;
        const BMP_File& now = Window().State().ProcessedImage();
        if (c.rotate == 0) {
            EXPECT_TRUE(SamePixels(unrotated, now)) << c.name;
        } else {
            EXPECT_EQ(now.Width(), unrotated.Height()) << c.name;
            EXPECT_EQ(now.Height(), unrotated.Width()) << c.name;
            // Pixel (x, y) of one clockwise turn is pixel (y, H - 1 - x) of the unrotated picture.
            if (c.rotate == 1) {
                EXPECT_TRUE(now.Row(0)[0] == unrotated.Row(unrotated.Height() - 1)[0]) << c.name;
            }
        }
    }
}

// ---- Light colours ----------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, ColourDialogCancelledKeepsTheColourButRunsTheChain) {
    ShownWindow();
    Acquire();
    const BMP_File before = Processed();
    // A switch changed without a run: only a new run shows it.
    Window().State().m_settings.m_bInvertG = 1;

    m_seam.AnswerColor(std::nullopt);
    QTest::mouseClick(Window().Control(dlg::kLightColor2), Qt::LeftButton);
    ASSERT_EQ(m_seam.Calls().size(), 1u);
    EXPECT_EQ(m_seam.Calls()[0].kind, ScriptedDialogSeam::Kind::Color);
    EXPECT_EQ(m_seam.Calls()[0].text, "#ffffff") << "the dialog opens at the light's colour";
    for (int channel = 0; channel < 3; ++channel) EXPECT_EQ(Window().State().m_settings.m_nLightColor[1][channel], 255);
    EXPECT_FALSE(SamePixels(before, Processed())) << "the chain ran again";
    EXPECT_EQ(Processed().Row(0)[0].g, 255 - before.Row(0)[0].g);
}

TEST_F(MainWindowTest, ChosenColourGoesToItsLightAndItsSwatch) {
    ShownWindow();
    m_seam.AnswerColor(QColor(12, 200, 99));
    QTest::mouseClick(Window().Control(dlg::kLightColor3), Qt::LeftButton);
    const std::int32_t* rgb = Window().State().m_settings.m_nLightColor[2];
    EXPECT_EQ(rgb[0], 12);
    EXPECT_EQ(rgb[1], 200);
    EXPECT_EQ(rgb[2], 99);
    EXPECT_EQ(Window().State().m_settings.m_nLightColor[0][1], 255) << "light 1 untouched";
    QWidget* swatch = Window().Control(dlg::kLightColor3);
    const QImage shown = swatch->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(12, 200, 99));
    // Opened again, the dialog starts at the colour chosen.
    m_seam.AnswerColor(std::nullopt);
    QTest::mouseClick(swatch, Qt::LeftButton);
    EXPECT_EQ(m_seam.Calls().back().text, "#0cc863");
}

// ---- Resize fields ----------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, SizeFieldsAreReadWhenARunWithResizeBegins) {
    ShownWindow();
    Acquire();
    ProcessingSettings& s = Window().State().m_settings;
    EXPECT_EQ(Field(dlg::kSizeX).text(), "400");
    EXPECT_EQ(Field(dlg::kSizeY).text(), "300");

    // Without resize the fields are not read.
    Field(dlg::kSizeX).setText("abc");
    Click(dlg::kInvertRed);
    EXPECT_TRUE(m_seam.Calls().empty());

    // The width is read first; its failure stops the exchange, so the height is not read either.
    Field(dlg::kSizeY).setText("123");
    m_seam.ExpectMessage();
    Click(dlg::kResize);
    ASSERT_EQ(m_seam.Calls().size(), 1u);
    EXPECT_EQ(m_seam.Calls()[0].kind, ScriptedDialogSeam::Kind::Message);
    EXPECT_EQ(m_seam.Calls()[0].text, "Please enter a positive integer.");
    EXPECT_EQ(s.m_nSizeX, 400u);
    EXPECT_EQ(s.m_nSizeY, 300u);
    EXPECT_EQ(Processed().Width(), 400) << "the run goes on with the values held";

    // A good width is taken even when the height then fails.
    Field(dlg::kSizeX).setText(" 64 ");
    Field(dlg::kSizeY).setText("-1");
    m_seam.ExpectMessage();
    Click(dlg::kInvertRed);
    EXPECT_EQ(s.m_nSizeX, 64u);
    EXPECT_EQ(s.m_nSizeY, 300u);
    EXPECT_EQ(Field(dlg::kSizeY).text(), "-1") << "the field keeps what was typed";

    Field(dlg::kSizeY).setText("48");
    Click(dlg::kInvertRed);
    EXPECT_EQ(s.m_nSizeY, 48u);
    EXPECT_EQ(Processed().Width(), 64);
    EXPECT_EQ(Processed().Height(), 48);
    EXPECT_EQ(m_seam.Calls().size(), 2u);
}

TEST_F(MainWindowTest, AResizeWhileTheSizeMessageIsUpWaitsForTheRunToEnd) {
    CLumivaneDlg& window = ShownWindow();
    Acquire();
    Field(dlg::kSizeX).setText("x");
    // The user resizes the window while the message about the width is shown. A run of the chain started inside the
    // suspended one would show a second message at once (and have the suspended run apply its stages twice).
    m_seam.ExpectMessage([&window] { window.resize(800, 600); });
    Click(dlg::kResize);
    EXPECT_EQ(m_seam.Calls().size(), 1u) << "no run inside the suspended run";
    EXPECT_EQ(Geometry(dlg::kSave).top, dlg::MapDialogRect(dlg::FindControl(dlg::kSave)->rect).top + 520 - 491)
        << "the controls wait";

    // The layout comes after the run, with its own run (and its own message about the width).
    m_seam.ExpectMessage();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_seam.Calls().size(), 2u);
    const Rect pane = dlg::MapDialogRect(dlg::FindControl(dlg::kProcessedPane)->rect);
    const int dx = 800 - 653, dy = 600 - 491;
    EXPECT_EQ(Geometry(dlg::kProcessedPane), (Rect{pane.left, pane.top + dy / 2, pane.right + dx, pane.bottom + dy}));
}

// ---- Trackers ---------------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, DraggingTheEditedLightAreaMovesItsRectangleOnEveryMovement) {
    ShownWindow();
    Acquire();
    Click(dlg::kEditLight1);
    CBmpWnd& pane = Window().ProcessedPane();
    const Rect start = pane.Model().m_cLightTracker1.m_rect;
    const QPoint origin = pane.ClientOrigin();
    const std::int32_t middle = start.top + (start.bottom - 1 - start.top) / 2;
    const QPoint grab(origin.x() + start.left, origin.y() + middle);

    // Over the left edge the cursor offers horizontal sizing.
    SendMouse(pane, QEvent::MouseMove, grab, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(pane.cursor().shape(), Qt::SizeHorCursor);

    const Rect light2 = Window().State().m_settings.m_rcLight2;
    SendMouse(pane, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    for (int step = 1; step <= 4; ++step) {
        const int builds = pane.PaneImageBuilds();
        SendMouse(pane, QEvent::MouseMove, grab + QPoint(5 * step, 0), Qt::NoButton, Qt::LeftButton);
        EXPECT_GT(pane.PaneImageBuilds(), builds) << "step " << step << ": the chain ran and the pane was redrawn";
        // The light rectangle is the tracker widened by 5 pixels on each side.
        EXPECT_EQ(Window().State().m_settings.m_rcLight1,
                  (Rect{start.left + 5 * step - 5, start.top - 5, start.right + 5, start.bottom + 5}))
            << "step " << step;
    }
    SendMouse(pane, QEvent::MouseButtonRelease, grab + QPoint(20, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(pane.Model().m_cLightTracker1.m_rect, (Rect{start.left + 20, start.top, start.right, start.bottom}));
    EXPECT_EQ(Window().State().m_settings.m_rcLight2, light2) << "light 2 untouched";
    // The relative rectangle follows the release.
    const Size client = pane.ClientSize();
    EXPECT_FLOAT_EQ(pane.Model().m_rcRelLight1.left, static_cast<float>(start.left + 20) / (client.width - 5));
}

TEST_F(MainWindowTest, CropTrackerDragCropsTheResult) {
    ShownWindow();
    Acquire(60, 40);
    Click(dlg::kCrop);
    CBmpWnd& pane = Window().OriginalPane();
    const Rect start = pane.Model().m_cRectTracker.m_rect;
    const QPoint corner = pane.ClientOrigin() + QPoint(start.right - 1, start.bottom - 1);
    SendMouse(pane, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    SendMouse(pane, QEvent::MouseMove, corner - QPoint(100, 50), Qt::NoButton, Qt::LeftButton);
    SendMouse(pane, QEvent::MouseButtonRelease, corner - QPoint(100, 50), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Window().State().m_settings.m_rcCrop,
              (Rect{start.left - 5, start.top - 5, start.right - 100 + 5, start.bottom - 50 + 5}));
}

// ---- Keys, closing, help, About -----------------------------------------------------------------------------------

TEST_F(MainWindowTest, EnterDoesNothingWhileEscAndTheCloseBoxEndTheDialog) {
    CLumivaneDlg& window = ShownWindow();
    QTest::keyClick(&window, Qt::Key_Return);
    QTest::keyClick(&window, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(window.isVisible());
    // Not even on a focused button or field.
    for (int id : {dlg::kAbout, dlg::kRotateLeft, dlg::kInvertRed, dlg::kSizeX}) {
        QTest::keyClick(window.Control(id), Qt::Key_Return);
        EXPECT_TRUE(window.isVisible()) << id;
    }
    EXPECT_TRUE(m_seam.Calls().empty()) << "About was not pressed";
    EXPECT_EQ(window.State().Rotation(), 0) << "Rotate left was not pressed";

    bool finished = false;
    QObject::connect(&window, &QDialog::finished, [&finished](int) { finished = true; });
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(finished);
    EXPECT_EQ(window.result(), QDialog::Rejected);

    // The close box ends it the same way.
    window.show();
    finished = false;
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(finished);
}

TEST_F(MainWindowTest, HelpOpensTheIndexPageInItsOwnWindowWhereLinksLeadToOtherPages) {
    ShownWindow();
    std::filesystem::create_directories(m_dir.path() / "help");
    std::ofstream(m_dir.path() / "help" / "index.html")
        << "<html><head><title>Contents</title></head><body><a href=\"second.html\">next</a>"
           "<a href=\"https://lumivane.example/\">web</a></body></html>";
    std::ofstream(m_dir.path() / "help" / "second.html") << "<html><head><title>Second page</title></head></html>";

    Window().SetHelpFolders({m_dir.path() / "nothing", m_dir.path() / "help"});
    Click(dlg::kHelp);
    EXPECT_TRUE(m_seam.Calls().empty()) << "no browser, no message";
    CHelpWindow* help = Window().HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    QTextBrowser& browser = *help->Browser();
    EXPECT_EQ(browser.source().toLocalFile().toStdString(), (m_dir.path() / "help" / "index.html").string());
    EXPECT_EQ(help->windowTitle(), "Contents");

    // A link between pages opens the page here; a web address goes to the desktop.
    emit browser.anchorClicked(QUrl("second.html"));
    EXPECT_EQ(browser.source().toLocalFile().toStdString(), (m_dir.path() / "help" / "second.html").string());
    EXPECT_EQ(help->windowTitle(), "Second page");
    m_seam.AnswerOpenExternally(true);
    emit browser.anchorClicked(QUrl("https://lumivane.example/"));
    ASSERT_EQ(m_seam.Calls().size(), 1u);
    EXPECT_EQ(m_seam.Calls()[0].caption, "https://lumivane.example/");
    browser.backward();
    EXPECT_EQ(help->windowTitle(), "Contents");

    // No pages: the user is told where they were looked for.
    Window().SetHelpFolders({m_dir.path() / "nothing"});
    m_seam.ExpectMessage();
    Click(dlg::kHelp);
    EXPECT_TRUE(m_seam.Calls().back().text.contains("nothing"));
}

TEST(HelpPagesBuilt, TheProgramFindsItsPagesAndEveryLinkLeadsToAPage) {
    // The build copies the pages beside the program.
    const std::optional<std::filesystem::path> index = FindHelpIndex(HelpFolders(LUMIVANE_PROGRAM_DIR, {}));
    ASSERT_TRUE(index.has_value()) << "no help pages beside " << LUMIVANE_PROGRAM_DIR;
    const std::filesystem::path folder = index->parent_path();
    int links = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".html") continue;
        std::ifstream in(entry.path());
        const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Every local href="..." and src="..." (no scheme, no fragment-only link) names a page in the folder.
        for (const std::string attribute : {"href=\"", "src=\""}) {
            for (std::size_t at = page.find(attribute); at != std::string::npos; at = page.find(attribute, at + 1)) {
                const std::size_t begin = at + attribute.size();
                const std::string target = page.substr(begin, page.find('"', begin) - begin);
                if (target.empty() || target.find(':') != std::string::npos || target[0] == '#') continue;
                ++links;
                EXPECT_TRUE(std::filesystem::is_regular_file(folder / target.substr(0, target.find('#'))))
                    << entry.path().filename() << " links to the missing " << target;
            }
        }
    }
    EXPECT_GT(links, 10);
}

TEST_F(MainWindowTest, AboutNamesTheProgramAndItsVersionAndOpensItsLinks) {
    ShownWindow();
    m_seam.AnswerDialog([](QDialog& dialog) {
        auto& about = dynamic_cast<CAboutDlg&>(dialog);
        const QString name = about.findChild<QLabel*>(QStringLiteral("programName"))->text();
        EXPECT_TRUE(name.contains("Lumivane")) << name.toStdString();
        EXPECT_TRUE(name.contains("version")) << name.toStdString();
        CStaticLink& web = *about.Link(CAboutDlg::kWebLink);
        CStaticLink& support = *about.Link(CAboutDlg::kSupportLink);
        EXPECT_EQ(web.LinkColor(), CStaticLink::kUnvisited);
        QTest::mouseClick(&web, Qt::LeftButton);
        EXPECT_EQ(web.LinkColor(), CStaticLink::kVisited);
        QTest::mouseClick(&support, Qt::LeftButton);
        EXPECT_EQ(support.LinkColor(), CStaticLink::kUnvisited) << "the desktop had no mail program";
    });
    m_seam.AnswerOpenExternally(true);
    m_seam.AnswerOpenExternally(false);
    Click(dlg::kAbout);
    ASSERT_EQ(m_seam.Calls().size(), 3u);
    EXPECT_EQ(m_seam.Calls()[0].kind, ScriptedDialogSeam::Kind::Dialog);
    // The web page from the string table, the support address from its caption.
    EXPECT_EQ(m_seam.Calls()[1].caption, QStringLiteral("https://lumivane.example/"));
    EXPECT_EQ(m_seam.Calls()[2].caption, QStringLiteral("mailto:support@lumivane.example"));
}

// ---- Device choices ---------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, DeviceChoicesAreReadAtStartAndWrittenWhenTheWindowGoes) {
    {
        UserStore store(m_storePath);
        ASSERT_TRUE(store.CreateKey("Software\\Tessary\\Lumivane\\TwainSources"));
        ASSERT_TRUE(store.SetValue("Software\\Tessary\\Lumivane\\TwainSources", "Scanner Twain Src",
                                   UserStore::Value::String("test:0")));
        ASSERT_TRUE(store.Save());
    }
    CLumivaneDlg& window = Window();
    EXPECT_EQ(window.State().m_device.m_strScannerSrc, "test:0");
    EXPECT_TRUE(window.Control(dlg::kScan)->isEnabled()) << "a scanner is chosen";
    EXPECT_FALSE(window.Control(dlg::kWebCamera)->isEnabled()) << "no camera is chosen";

    window.State().m_device.m_nCameraSizeX = 640;
    window.State().m_device.m_strCameraSrc = "Test Camera";
    m_window.reset();

    UserStore written(m_storePath);
    const auto sizeX = written.QueryValue("Software\\Tessary\\Lumivane\\Settings", "WEB Camera Size X");
    ASSERT_TRUE(sizeX.has_value());
    EXPECT_EQ(sizeX->number, 640u);
    const auto camera = written.QueryValue("Software\\Tessary\\Lumivane\\TwainSources", "Camera DShow Src");
    ASSERT_TRUE(camera.has_value());
    EXPECT_EQ(camera->text, "Test Camera");
}

TEST_F(MainWindowTest, WithNoStoredSourcesBothAcquisitionButtonsAreDisabled) {
    EXPECT_FALSE(Window().Control(dlg::kScan)->isEnabled());
    EXPECT_FALSE(Window().Control(dlg::kWebCamera)->isEnabled());
    EXPECT_TRUE(Window().Control(dlg::kSave)->isEnabled()) << "Save starts enabled";
}

// ---- Opening a picture ------------------------------------------------------------------------------------------

TEST_F(MainWindowTest, OpenPictureShowsItOrSaysWhyNot) {
    ShownWindow();
    std::mt19937 random(7);
    BMP_File picture = testsupport::RandomImage(random, 50, 30);
    const std::string path = m_dir.File("picture.bmp");
    ASSERT_TRUE(picture.SaveBmp(path));

    EXPECT_TRUE(Window().OpenPicture(QString::fromStdString(path)));
    EXPECT_TRUE(SamePixels(picture, Window().State().OriginalImage()));
    EXPECT_EQ(Window().OriginalPane().Bitmap(), &Window().State().OriginalImage());
    EXPECT_EQ(Window().windowTitle(), "Lumivane - picture.bmp");
    EXPECT_EQ(Window().FileName(), path);

    m_seam.ExpectMessage();
    EXPECT_FALSE(Window().OpenPicture(QString::fromStdString(m_dir.File("missing.png"))));
    ASSERT_EQ(m_seam.Calls().size(), 1u);
    EXPECT_EQ(m_seam.Calls()[0].icon, IDialogSeam::Icon::Error);
    EXPECT_TRUE(m_seam.Calls()[0].text.contains("missing.png")) << m_seam.Calls()[0].text.toStdString();
    EXPECT_TRUE(SamePixels(picture, Window().State().OriginalImage())) << "the picture shown stays";
    EXPECT_EQ(Window().windowTitle(), "Lumivane - picture.bmp");
}

}  // namespace
