// The add-text dialog and its scrolling view under QT_QPA_PLATFORM=offscreen, with a host that records what the
// dialog asks of the program: applying writes what the text box shows, where it shows it, and nothing else; Enter
// applies and Esc closes; the font dialog; the size rules; the tracker's drag; the view's bars and size box.

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <deque>
#include <random>

#include "imaging/BMP_File.h"
#include "panes/AddTextGeometry.h"
#include "panes/CAddBmpWnd.h"
#include "panes/CAddTextDialog.h"
#include "panes/CEditBox.h"
#include "panes/CGripper.h"
#include "panes/CScrollDialog.h"
#include "tests/panes/RectPrinting.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::SamePixels;

class RecordingHost : public IAddTextHost {
public:
    BMP_File& AcquiredImage() override { return picture; }
    void AcquiredImageWritten(const Rect& changed) override {
        ++writes;
        lastChanged = changed;
    }
    std::optional<TextStyle> ChooseFont(QWidget*) override {
        ++fontDialogs;
        if (fonts.empty()) return std::nullopt;
        const std::optional<TextStyle> answer = fonts.front();
        fonts.pop_front();
        return answer;
    }
    void ShowError(QWidget*, const QString& text) override { errors.push_back(text); }

    BMP_File picture;
    int writes = 0;
    Rect lastChanged;
    int fontDialogs = 0;
    std::deque<std::optional<TextStyle>> fonts;
    QStringList errors;
};

BMP_File Uniform(std::int32_t width, std::int32_t height, Pixel color) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    for (std::size_t i = 0; i < picture.PixelCount(); ++i) picture.Data()[i] = color;
    return picture;
}

BMP_File FromImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    BMP_File picture;
    EXPECT_TRUE(picture.Create(rgb.width(), rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = rgb.pixel(x, y);
            picture.Row(y)[x] = Pixel{static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                                      static_cast<std::uint8_t>(qBlue(c))};
        }
    }
    return picture;
}

QImage ToImage(const BMP_File& picture) {
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const Pixel& p = picture.Row(y)[x];
            image.setPixel(x, y, qRgb(p.r, p.g, p.b));
        }
    }
    return image;
}

// The text drawn by Qt into a plain copy of the picture: a document of the text in the font, as wide as the box, with
// the standard document margin, drawn in the colour at the box's corner and cut to the box.
BMP_File DrawnByQt(const BMP_File& background, const Rect& box, const QString& text, const QFont& font,
                   const QColor& color) {
    QImage image = ToImage(background);
    QTextDocument document;
    document.setDefaultFont(font);
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    document.setPlainText(text);
    document.setTextWidth(static_cast<qreal>(box.Width()));
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(box.left, box.top, static_cast<int>(box.Width()), static_cast<int>(box.Height())));
        painter.translate(box.left, box.top);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, color);
        document.documentLayout()->draw(&painter, context);
    }
    return FromImage(image);
}

class AddTextDialogTest : public ::testing::Test {
protected:
    CAddTextDialog& Open(BMP_File picture) {
        m_host.picture = std::move(picture);
        m_dialog = std::make_unique<CAddTextDialog>(m_host);
        m_dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
        return *m_dialog;
    }
    CEditBox& Box() { return m_dialog->TextBox(); }
    // Puts the text box on a rectangle of the picture, as a drag would.
    void PlaceBox(const Rect& rect) {
        m_dialog->Preview().Tracker().m_rect = rect;
        m_dialog->Preview().PlaceTextBox();
    }
    // Pixels that differ from the background.
    static int Changed(const BMP_File& picture, Pixel background) {
        int changed = 0;
        for (std::size_t i = 0; i < picture.PixelCount(); ++i) changed += picture.Data()[i] == background ? 0 : 1;
        return changed;
    }

    QApplication& m_app = testsupport::QtApp();
    RecordingHost m_host;
    std::unique_ptr<CAddTextDialog> m_dialog;
};

TEST_F(AddTextDialogTest, ApplyingAnEmptyBoxChangesNoPixelButStillRerunsTheCorrections) {
    std::mt19937 random(3);
    const BMP_File original = testsupport::RandomImage(random, 320, 240);
    Open(testsupport::Copy(original));
    m_dialog->Button(CAddTextDialog::kApply)->click();
    EXPECT_TRUE(SamePixels(original, m_host.picture));
    EXPECT_EQ(m_host.writes, 1);
}

TEST_F(AddTextDialogTest, TextOfAKnownFontAndColourLandsAtTheBoxsPlace) {
    const Pixel grey{200, 200, 200};
    Open(Uniform(400, 300, grey));
    QFont font = m_dialog->font();
    font.setPixelSize(20);
    font.setBold(true);
    font.setUnderline(true);
    m_host.fonts.push_back(TextStyle{font, QColor(200, 0, 0)});
    m_dialog->Button(CAddTextDialog::kFont)->click();
    const Rect box{40, 30, 240, 90};
    PlaceBox(box);
    QTest::keyClicks(&Box(), QStringLiteral("Lumivane 42 writes text"));

    // What the box shows on the screen, without its caret and the tracker's handles that stand inside the box.
    Box().setCursorWidth(0);
    const QImage shown = m_dialog->Preview().grab(QRect(box.left + 3, box.top + 3, 200 - 6, 60 - 6)).toImage();

    m_dialog->Button(CAddTextDialog::kApply)->click();
    EXPECT_EQ(m_host.writes, 1);
    EXPECT_GT(Changed(m_host.picture, grey), 200) << "the text was written";
    EXPECT_TRUE(SamePixels(
        DrawnByQt(Uniform(400, 300, grey), box, QStringLiteral("Lumivane 42 writes text"), font, QColor(200, 0, 0)),
        m_host.picture));
    // Exactly as the box showed it.
    BMP_File written;
    ASSERT_TRUE(written.Create(shown.width(), shown.height()));
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            written.Row(y)[x] = m_host.picture.Row(box.top + 3 + y)[box.left + 3 + x];
    }
    EXPECT_TRUE(SamePixels(FromImage(shown), written));
}

TEST_F(AddTextDialogTest, ATextBoxScrolledToItsLastLineIsWrittenAsItShowsIt) {
    std::mt19937 random(5);
    Open(testsupport::RandomImage(random, 300, 200));
    const Rect box{20, 20, 160, 60};
    PlaceBox(box);
    QTest::keyClicks(&Box(), QStringLiteral("first line of several words that wrap at the box's width, then more"));
    ASSERT_GT(Box().verticalScrollBar()->value(), 0) << "the box has scrolled to keep the caret in view";
    Box().setCursorWidth(0);
    const QRect inner(box.left + 3, box.top + 3, static_cast<int>(box.Width()) - 6, static_cast<int>(box.Height()) - 6);
    const BMP_File shown = FromImage(m_dialog->Preview().grab(inner).toImage());

    m_dialog->ApplyText();
    BMP_File written;
    ASSERT_TRUE(written.Create(inner.width(), inner.height()));
    for (int y = 0; y < inner.height(); ++y) {
        for (int x = 0; x < inner.width(); ++x)
            written.Row(y)[x] = m_host.picture.Row(inner.top() + y)[inner.left() + x];
    }
    EXPECT_TRUE(SamePixels(shown, written));
}

TEST_F(AddTextDialogTest, ABoxLargerThanASmallPictureWritesOnlyInsideIt) {
    const Pixel white{255, 255, 255};
    Open(Uniform(100, 100, white));
    // The box starts at (5, 5, 300, 200); the smallest dialog shows 195 pixels of height, so it is pulled up to fit.
    const Rect box = m_dialog->Preview().Tracker().m_rect;
    EXPECT_EQ(box, (Rect{5, 0, 300, 195})) << "the box reaches beyond the picture";
    const QString text = QStringLiteral("MMMM MMMM MMMM MMMM MMMM MMMM MMMM MMMM MMMM MMMM MMMM MMMM MMMM MMMM");
    QTest::keyClicks(&Box(), text);
    m_dialog->ApplyText();

    EXPECT_GT(Changed(m_host.picture, white), 100);
    for (std::int32_t y = 0; y < 100; ++y) {
        for (std::int32_t x = 0; x < box.left; ++x) {
            ASSERT_EQ(m_host.picture.Row(y)[x], white) << "outside the box at " << x << ", " << y;
        }
    }
    EXPECT_EQ(m_host.picture.Spare(), Pixel{}) << "nothing was written outside the picture";
    EXPECT_TRUE(SamePixels(DrawnByQt(Uniform(100, 100, white), box, text, Box().font(), Qt::black), m_host.picture));
}

TEST_F(AddTextDialogTest, ApplyingTwiceWritesTwice) {
    const Pixel white{255, 255, 255};
    Open(Uniform(200, 120, white));
    QTest::keyClicks(&Box(), QStringLiteral("twice"));
    m_dialog->ApplyText();
    const BMP_File once = testsupport::Copy(m_host.picture);
    m_dialog->ApplyText();
    EXPECT_EQ(m_host.writes, 2);
    // The glyphs' soft edges darken again: the second writing went over the first.
    EXPECT_FALSE(SamePixels(once, m_host.picture));
    EXPECT_EQ(Box().textCursor().selectedText(), QStringLiteral("twice")) << "the whole text is selected";
}

TEST_F(AddTextDialogTest, EnterAppliesCtrlEnterStartsALineAndEscCloses) {
    Open(Uniform(200, 120, Pixel{255, 255, 255}));
    QTest::keyClicks(&Box(), QStringLiteral("one"));
    QTest::keyClick(&Box(), Qt::Key_Return);
    EXPECT_EQ(m_host.writes, 1);
    EXPECT_EQ(Box().toPlainText(), QStringLiteral("one")) << "Enter starts no new line";
    EXPECT_TRUE(m_dialog->isVisible());

    QTest::keyClick(&Box(), Qt::Key_End);
    QTest::keyClick(&Box(), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(&Box(), QStringLiteral("two"));
    EXPECT_EQ(Box().toPlainText(), QStringLiteral("one\ntwo"));
    EXPECT_EQ(m_host.writes, 1);
    QTest::keyClick(&Box(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(m_host.writes, 2);

    QTest::keyClick(&Box(), Qt::Key_Escape);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
}

TEST_F(AddTextDialogTest, TheFontDialogSetsFontAndColourAndCancelChangesNothing) {
    Open(Uniform(200, 120, Pixel{255, 255, 255}));
    const QFont before = Box().font();
    m_host.fonts.push_back(std::nullopt);
    m_dialog->ChooseFont();
    EXPECT_EQ(Box().font(), before);
    EXPECT_EQ(Box().TextColor(), QColor(Qt::black));

    QFont chosen = before;
    chosen.setPixelSize(31);
    chosen.setStrikeOut(true);
    m_host.fonts.push_back(TextStyle{chosen, QColor(0, 128, 0)});
    m_dialog->ChooseFont();
    EXPECT_EQ(m_host.fontDialogs, 2);
    EXPECT_EQ(Box().font(), chosen);
    EXPECT_EQ(Box().TextColor(), QColor(0, 128, 0));
}

TEST_F(AddTextDialogTest, TheDialogKeepsItsSizeRulesAndItsLayout) {
    // The rules are in outer sizes, frame included; the view's place is given over the whole window.
    CAddTextDialog& dialog = Open(Uniform(100, 100, Pixel{}));
    const QSize frame = dialog.frameGeometry().size() - dialog.size();
    const QPoint corner = dialog.geometry().topLeft() - dialog.frameGeometry().topLeft();
    EXPECT_EQ(dialog.frameGeometry().size(), QSize(400, 300)) << "a small picture keeps the minimum size";
    EXPECT_EQ(dialog.View().geometry(), QRect(QPoint(5, 30) - corner, QSize(390, 220)));

    Open(Uniform(1000, 800, Pixel{}));
    const QRect close = m_dialog->Button(CAddTextDialog::kClose)->geometry();
    const QSize start = m_dialog->size();
    m_dialog->resize(QSize(1200, 1000) - frame);
    QTRY_COMPARE(m_dialog->frameGeometry().size(), QSize(1030, 905));
    EXPECT_EQ(m_dialog->View().geometry(), QRect(QPoint(5, 30) - corner, QSize(1020, 825)));
    // The buttons keep their distance from the bottom-right corner.
    EXPECT_EQ(m_dialog->Button(CAddTextDialog::kClose)->geometry(),
              close.translated(m_dialog->width() - start.width(), m_dialog->height() - start.height()));
    m_dialog->resize(QSize(300, 200) - frame);
    QTRY_COMPARE(m_dialog->frameGeometry().size(), QSize(400, 300));
}

TEST_F(AddTextDialogTest, TheTrackerIsDraggedWithinThePictureAndNoSmallerThan40By20) {
    Open(Uniform(600, 400, Pixel{90, 90, 90}));
    CAddBmpWnd& preview = m_dialog->Preview();
    PlaceBox(Rect{100, 100, 300, 200});
    const auto send = [&preview](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(preview.mapToGlobal(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&preview, &event);
    };
    // The bottom-right handle, on its part outside the box (the inside belongs to the text box).
    const QPoint handle(300, 200);
    send(QEvent::MouseButtonPress, handle, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(0, 0), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(preview.Tracker().m_rect, (Rect{100, 100, 140, 120}));
    EXPECT_EQ(Box().geometry(), QRect(100, 100, 40, 20)) << "the text box follows the tracker";
    send(QEvent::MouseMove, QPoint(900, 900), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(900, 900), Qt::LeftButton, Qt::NoButton);
    const Rect dragged = preview.Tracker().m_rect;
    EXPECT_LE(dragged.right, 600 - 5);
    EXPECT_LE(dragged.bottom, 400 - 5);
    EXPECT_EQ(Box().geometry(),
              QRect(dragged.left, dragged.top, static_cast<int>(dragged.Width()), static_cast<int>(dragged.Height())));
}

TEST_F(AddTextDialogTest, ScrollingKeepsTheTextBoxInTheVisiblePart) {
    Open(Uniform(3000, 2000, Pixel{10, 20, 30}));
    CScrollDialog& view = m_dialog->View();
    ASSERT_TRUE(view.HorizontalBar()->isVisible());
    view.Scroll(ScrollAxisId::Horizontal, ScrollRequest::ToEnd);
    view.Scroll(ScrollAxisId::Vertical, ScrollRequest::PageForward);
    const Point offset = view.Model().Offset();
    EXPECT_EQ(m_dialog->Preview().pos(), QPoint(-offset.x, -offset.y));
    const Rect box = m_dialog->Preview().Tracker().m_rect;
    EXPECT_GE(box.left, offset.x);
    EXPECT_LE(box.right, offset.x + view.width() - 25);
    EXPECT_GE(box.top, offset.y);
    EXPECT_LE(box.bottom, offset.y + view.height() - 25);
    EXPECT_EQ(Box().geometry().topLeft(), QPoint(box.left, box.top));
}

// ---- The scrolling view on its own ------------------------------------------------------------------------------

class ScrollDialogTest : public ::testing::Test {
protected:
    ScrollDialogTest() {
        m_content = new QWidget;
        m_content->resize(100, 80);  // content 120 × 100 with the margin
        m_view.Init(m_content);
        m_window.resize(800, 600);
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    QApplication& m_app = testsupport::QtApp();
    QWidget m_window;
    CScrollDialog m_view{&m_window};
    QWidget* m_content = nullptr;
};

TEST_F(ScrollDialogTest, AViewLargerThanItsContentShowsTheSizeBoxAndNoBars) {
    m_view.resize(300, 200);
    EXPECT_FALSE(m_view.HorizontalBar()->isVisible());
    EXPECT_FALSE(m_view.VerticalBar()->isVisible());
    EXPECT_TRUE(m_view.Gripper()->isVisible());
    EXPECT_EQ(m_view.Gripper()->geometry().bottomRight(), QPoint(299, 199)) << "in the bottom-right corner";

    m_view.resize(60, 50);
    EXPECT_TRUE(m_view.HorizontalBar()->isVisible());
    EXPECT_TRUE(m_view.VerticalBar()->isVisible());
    EXPECT_FALSE(m_view.Gripper()->isVisible());
}

TEST_F(ScrollDialogTest, TheBarsScrollByTheViewsOwnSteps) {
    m_view.resize(60, 50);
    const int maximum = m_view.Model().Vertical().maximum;
    ASSERT_GT(maximum, 1);
    // A click in the vertical bar's page area jumps from one end to the other.
    m_view.VerticalBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(m_view.VerticalBar()->value(), maximum);
    EXPECT_EQ(m_content->pos(), QPoint(0, -4 * maximum));
    m_view.VerticalBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(m_content->pos(), QPoint(0, 0));

    m_view.HorizontalBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(m_content->pos(), QPoint(-8, 0));
    m_view.HorizontalBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    const int right = m_view.Model().Horizontal().maximum;
    EXPECT_EQ(m_content->pos(), QPoint(-8 * right, 0));

    // Narrower still: the view stays at the far right.
    m_view.resize(40, 50);
    EXPECT_GT(m_view.Model().Horizontal().maximum, right);
    EXPECT_EQ(m_content->pos().x(), -8 * m_view.Model().Horizontal().maximum);
}

}  // namespace
