// The main window's Add text command under QT_QPA_PLATFORM=offscreen, answered through the ScriptedDialogSeam: applied
// text changes the original for good and the result follows; every opening starts afresh; without a picture the user
// is told.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDialog>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <random>

#include "app/CLumivaneDlg.h"
#include "app/CTextFontDlg.h"
#include "app/DialogSeam.h"
#include "app/DialogUnits.h"
#include "panes/CAddBmpWnd.h"
#include "panes/CAddTextDialog.h"
#include "panes/CEditBox.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::SamePixels;

class TextAndAboutTest : public ::testing::Test {
protected:
    TextAndAboutTest() {
        testsupport::QtApp();
        m_window = std::make_unique<CLumivaneDlg>(m_seam, std::string());
        m_window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }
    ~TextAndAboutTest() override {
        EXPECT_TRUE(m_seam.Unexpected().empty()) << "a dialog came that no test answered";
        EXPECT_EQ(m_seam.Unanswered(), 0u) << "an answer was left waiting";
    }

    void Acquire(std::int32_t width, std::int32_t height) {
        std::mt19937 random(99);
        ASSERT_TRUE(m_window->State().ShowAcquiredImage(testsupport::RandomImage(random, width, height)));
    }
    void Click(int id) { static_cast<QAbstractButton*>(m_window->Control(id))->click(); }

    ScriptedDialogSeam m_seam;
    std::unique_ptr<CLumivaneDlg> m_window;
};

TEST_F(TextAndAboutTest, AppliedTextChangesTheOriginalAndTheResultFollows) {
    Acquire(400, 300);
    Click(dlg::kInvertRed);
    const BMP_File before = testsupport::Copy(m_window->State().OriginalImage());
    m_seam.AnswerDialog([](QDialog& dialog) {
        auto& text = dynamic_cast<CAddTextDialog&>(dialog);
        QTest::keyClicks(&text.TextBox(), QStringLiteral("Written into the picture"));
        QTest::keyClick(&text.TextBox(), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible()) << "Enter applies and leaves the dialog open";
        text.Button(CAddTextDialog::kClose)->click();
    });
    Click(dlg::kAddText);

    CLumivaneState& state = m_window->State();
    EXPECT_FALSE(SamePixels(before, state.OriginalImage())) << "the text is in the original";
    // The panes show the changed original and the chain's result of it.
    EXPECT_EQ(m_window->OriginalPane().PaneImage(),
              CBmpWnd::ScaleToSize(state.OriginalImage(), m_window->OriginalPane().PaneImage().size()));
    const BMP_File shown = testsupport::Copy(state.ProcessedImage());
    state.ProcessImage(true);
    EXPECT_TRUE(SamePixels(state.ProcessedImage(), shown)) << "the result was computed from the changed original";
}

TEST_F(TextAndAboutTest, EveryOpeningStartsWithAnEmptyBoxInTheDefaultFontAndBlack) {
    Acquire(800, 600);
    QFont chosen = m_window->font();
    chosen.setPixelSize(40);
    chosen.setItalic(true);
    QFont standard;
    m_seam.AnswerDialog([&chosen, &standard](QDialog& dialog) {
        auto& text = dynamic_cast<CAddTextDialog&>(dialog);
        standard = text.TextBox().font();
        text.Button(CAddTextDialog::kFont)->click();
        EXPECT_EQ(text.TextBox().font(), chosen);
        EXPECT_EQ(text.TextBox().TextColor(), QColor(255, 0, 0));
        QTest::keyClicks(&text.TextBox(), QStringLiteral("first"));
        text.Preview().Tracker().m_rect = Rect{50, 60, 250, 160};
    });
    m_seam.AnswerFont(TextStyle{chosen, QColor(255, 0, 0)});
    Click(dlg::kAddText);

    m_seam.AnswerDialog([&standard](QDialog& dialog) {
        auto& text = dynamic_cast<CAddTextDialog&>(dialog);
        EXPECT_TRUE(text.TextBox().toPlainText().isEmpty());
        EXPECT_EQ(text.TextBox().font(), standard);
        EXPECT_EQ(text.TextBox().TextColor(), QColor(Qt::black));
        EXPECT_EQ(text.Preview().Tracker().m_rect, (Rect{5, 5, 300, 200}));
        EXPECT_EQ(text.Preview().pos(), QPoint(0, 0)) << "the view starts at the picture's origin";
    });
    Click(dlg::kAddText);
    ASSERT_EQ(m_seam.Calls().size(), 3u);
    EXPECT_EQ(m_seam.Calls()[1].kind, ScriptedDialogSeam::Kind::Font);
}

TEST_F(TextAndAboutTest, WithoutAPictureTheCommandSaysThereIsNothingToWriteOn) {
    m_seam.ExpectMessage();
    Click(dlg::kAddText);
    ASSERT_EQ(m_seam.Calls().size(), 1u);
    EXPECT_EQ(m_seam.Calls()[0].kind, ScriptedDialogSeam::Kind::Message);
    EXPECT_TRUE(m_seam.Calls()[0].text.contains(QStringLiteral("no picture")));
}

TEST(TextFontDlg, GivesBackTheFontWithItsEffectsAndTheColourChosen) {
    testsupport::QtApp();
    QFont font = QApplication::font();
    font.setPointSize(23);
    font.setUnderline(true);
    font.setStrikeOut(true);
    for (const QColor color : {QColor(128, 0, 128), QColor(12, 34, 56)}) {  // a standard colour and another one
        CTextFontDlg dialog(TextStyle{font, color});
        const TextStyle style = dialog.Style();
        EXPECT_EQ(style.color, color);
        EXPECT_EQ(style.font.pointSize(), 23);
        EXPECT_TRUE(style.font.underline());
        EXPECT_TRUE(style.font.strikeOut());
    }
    CTextFontDlg dialog(TextStyle{font, Qt::black});
    dialog.ColorList()->setCurrentIndex(9);  // red
    EXPECT_EQ(dialog.Style().color, QColor(255, 0, 0));
}

}  // namespace
