// The pane widget and its tracker drawing under QT_QPA_PLATFORM=offscreen: cursors of the hit codes, what a tracker
// paints, the pane-sized copy of the picture (made once, not at every paint), smooth scaling, and what the pane tells
// its host.

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <random>

#include "imaging/BMP_File.h"
#include "panes/CBmpWnd.h"
#include "panes/CPaneModel.h"
#include "panes/TrackerPainter.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/TestSupport.h"

namespace {

struct CursorCase {
    TrackerHit hit;
    Qt::CursorShape cursor;
};

TEST(BmpWnd, EveryHitCodeHasItsCursor) {
    const CursorCase cases[] = {
        {hitTopLeft, Qt::SizeFDiagCursor},
        {hitBottomRight, Qt::SizeFDiagCursor},
        {hitTopRight, Qt::SizeBDiagCursor},
        {hitBottomLeft, Qt::SizeBDiagCursor},
        {hitTop, Qt::SizeVerCursor},
        {hitBottom, Qt::SizeVerCursor},
        {hitRight, Qt::SizeHorCursor},
        {hitLeft, Qt::SizeHorCursor},
        {hitMiddle, Qt::SizeAllCursor},
        {hitNothing, Qt::ArrowCursor},
        {static_cast<TrackerHit>(42), Qt::ArrowCursor},
    };
    for (const CursorCase& c : cases) EXPECT_EQ(CBmpWnd::CursorForHit(c.hit), c.cursor) << "hit " << c.hit;
}

bool Dark(QRgb pixel) {
    return qGray(pixel) < 64;
}

bool Inside(const Rect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

struct PaintCase {
    const char* name;
    Rect rect;
    QPoint origin;
};

TEST(TrackerPainter, DrawsHandlesAndAHatchedBandOnlyAroundTheRectangle) {
    testsupport::QtApp();
    const PaintCase cases[] = {
        {"ordinary", {20, 15, 70, 60}, {0, 0}},
        {"moved by the pane's border", {20, 15, 70, 60}, {1, 1}},
        {"minimum size", {30, 30, 38, 38}, {0, 0}},
        {"stored inside out", {70, 60, 20, 15}, {0, 0}},
    };
    for (const PaintCase& c : cases) {
        CTracker tracker;
        tracker.m_rect = c.rect;
        tracker.m_nStyle = CTracker::kHatchedBorder | CTracker::kResizeInside | CTracker::kResizeOutside;
        tracker.m_nHandleSize = 5;
        QImage image(100, 80, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            PaintTracker(painter, tracker, c.origin);
        }
        const Rect border = tracker.BorderRect();
        int hatched = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int cx = x - c.origin.x();
                const int cy = y - c.origin.y();
                if (!Dark(image.pixel(x, y))) continue;
                ASSERT_TRUE(Inside(border, cx, cy)) << c.name << ": ink outside the border at " << cx << ", " << cy;
                ++hatched;
            }
        }
        EXPECT_GT(hatched, 0) << c.name;
        for (const TrackerHit handle : kTrackerHandles) {
            const Rect square = tracker.HandleRect(handle);
            for (int y = square.top; y < square.bottom; ++y) {
                for (int x = square.left; x < square.right; ++x) {
                    ASSERT_TRUE(Dark(image.pixel(x + c.origin.x(), y + c.origin.y())))
                        << c.name << ": handle " << handle << " not filled at " << x << ", " << y;
                }
            }
        }
        // The rectangle's inside, away from the handles, keeps the picture.
        const Rect ordered{std::min(c.rect.left, c.rect.right), std::min(c.rect.top, c.rect.bottom),
                           std::max(c.rect.left, c.rect.right), std::max(c.rect.top, c.rect.bottom)};
        for (int y = ordered.top + 3; y < ordered.bottom - 3; ++y) {
            for (int x = ordered.left + 3; x < ordered.right - 3; ++x) {
                ASSERT_FALSE(Dark(image.pixel(x + c.origin.x(), y + c.origin.y())))
                    << c.name << ": ink inside at " << x << ", " << y;
            }
        }
        // The band is hatched, not filled: it has light pixels between the lines.
        int light = 0;
        for (int y = border.top; y < ordered.top; ++y) {
            for (int x = ordered.left + 5; x < ordered.right - 5; ++x) {
                if (!Dark(image.pixel(x + c.origin.x(), y + c.origin.y()))) ++light;
            }
        }
        if (ordered.right - ordered.left > 20) {
            EXPECT_GT(light, 0) << c.name;
        }
    }
}

// Records what a pane asks of its host.
class HostSpy : public IPaneHost {
public:
    void PaneResized(CBmpWnd& pane, Size outer) override {
        resizes.push_back(outer);
        pane.Model().SetClientSize(Size{outer.width - 2, outer.height - 2});
    }
    void OpenInViewer(CBmpWnd&) override { ++viewerCalls; }
    std::vector<Size> resizes;
    int viewerCalls = 0;
};

class BmpWndTest : public ::testing::Test {
protected:
    BmpWndTest() {
        m_model.Attach(nullptr, Size{286, 191}, nullptr, nullptr, nullptr);
        m_pane.SetHost(&m_host);
        m_parent.resize(640, 480);
        m_pane.resize(288, 193);
        m_parent.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_parent));  // so that repaints really paint
    }

    static BMP_File Uniform(std::int32_t width, std::int32_t height, Pixel color) {
        BMP_File picture;
        EXPECT_TRUE(picture.Create(width, height));
        for (std::size_t i = 0; i < picture.PixelCount(); ++i) picture.Data()[i] = color;
        return picture;
    }

    QApplication& m_app = testsupport::QtApp();  // before any widget
    CPaneModel m_model;
    HostSpy m_host;
    QWidget m_parent;  // a child pane is resized at once; a top-level window waits for the platform
    CBmpWnd m_pane{m_model, &m_parent};
};

TEST_F(BmpWndTest, PictureIsScaledOnceAndNotAtEveryPaint) {
    std::mt19937 random(11);
    const BMP_File picture = testsupport::RandomImage(random, 1200, 800);
    ASSERT_TRUE(m_pane.SetBitmap(&picture));
    EXPECT_EQ(m_pane.PaneImageBuilds(), 1);
    EXPECT_EQ(m_pane.PaneImage().size(), QSize(286, 191));
    for (int i = 0; i < 3; ++i) m_pane.repaint();
    EXPECT_EQ(m_pane.PaneImageBuilds(), 1) << "repainting rescales nothing";

    m_pane.resize(400, 300);
    m_pane.repaint();
    EXPECT_EQ(m_pane.PaneImageBuilds(), 2) << "a new size is scaled once";
    EXPECT_EQ(m_pane.PaneImage().size(), QSize(398, 298));
    m_pane.repaint();
    EXPECT_EQ(m_pane.PaneImageBuilds(), 2);

    EXPECT_TRUE(m_pane.SetBitmap(nullptr));
    EXPECT_EQ(m_pane.Bitmap(), nullptr);
    BMP_File empty;
    EXPECT_TRUE(m_pane.SetBitmap(&empty));
    EXPECT_EQ(m_pane.Bitmap(), nullptr) << "an empty picture is no picture";
}

TEST_F(BmpWndTest, UpdatingAChangedRectangleGivesTheCopyAFullBuildGives) {
    std::mt19937 random(12);
    for (const QSize size : {QSize(1500, 1000), QSize(300, 200)}) {  // reduced first, and scaled directly
        BMP_File picture = testsupport::RandomImage(random, size.width(), size.height());
        ASSERT_TRUE(m_pane.SetBitmap(&picture));
        const Rect changed{700 % size.width(), 100, 700 % size.width() + 260, 160};
        for (std::int32_t y = changed.top; y < changed.bottom; ++y) {
            for (std::int32_t x = changed.left; x < std::min(changed.right, size.width()); ++x) {
                picture.Row(y)[x] = Pixel{255, 0, 0};
            }
        }
        const int builds = m_pane.PaneImageBuilds();
        ASSERT_TRUE(m_pane.UpdateBitmapRect(changed));
        EXPECT_EQ(m_pane.PaneImageBuilds(), builds + 1);
        EXPECT_EQ(m_pane.PaneImage(), CBmpWnd::ScaleToSize(picture, QSize(286, 191))) << size.width();
    }
}

TEST_F(BmpWndTest, PaintingFillsTheClientAreaWithThePictureInsideTheBorder) {
    const BMP_File red = Uniform(7, 5, Pixel{200, 10, 30});
    ASSERT_TRUE(m_pane.SetBitmap(&red));
    const QImage shown = m_pane.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(288, 193));
    for (QPoint p : {QPoint(1, 1), QPoint(286, 191), QPoint(144, 96), QPoint(1, 191)}) {
        EXPECT_EQ(shown.pixelColor(p), QColor(200, 10, 30)) << p.x() << ", " << p.y();
    }
    EXPECT_NE(shown.pixelColor(0, 0), QColor(200, 10, 30)) << "the border is drawn";
}

TEST_F(BmpWndTest, SmoothScalingKeepsTheHalvesOfATwoColourPicture) {
    BMP_File picture = Uniform(600, 400, Pixel{0, 0, 255});
    for (std::int32_t y = 0; y < 400; ++y) {
        for (std::int32_t x = 303; x < 600; ++x) picture.Row(y)[x] = Pixel{255, 255, 0};
    }
    const QImage scaled = CBmpWnd::ScaleToSize(picture, QSize(100, 50));
    ASSERT_EQ(scaled.size(), QSize(100, 50));
    EXPECT_EQ(scaled.format(), QImage::Format_RGB32);
    EXPECT_EQ(scaled.pixelColor(10, 25), QColor(0, 0, 255));
    EXPECT_EQ(scaled.pixelColor(90, 25), QColor(255, 255, 0));
    // At the seam the filter mixes the two colours rather than picking one.
    bool mixed = false;
    for (int x = 45; x < 55; ++x) {
        const QColor c = scaled.pixelColor(x, 25);
        if (c.red() > 0 && c.red() < 255) mixed = true;
    }
    EXPECT_TRUE(mixed);
    EXPECT_TRUE(CBmpWnd::ScaleToSize(picture, QSize(0, 10)).isNull());
    EXPECT_TRUE(CBmpWnd::ScaleToSize(BMP_File(), QSize(10, 10)).isNull());
}

TEST_F(BmpWndTest, SizeChangesGoToTheHostAndDoubleClicksOnlyWithAPicture) {
    m_pane.resize(300, 200);
    ASSERT_FALSE(m_host.resizes.empty());
    EXPECT_EQ(m_host.resizes.back(), (Size{300, 200}));
    EXPECT_EQ(m_model.ClientSize(), (Size{298, 198}));
    const std::size_t resizes = m_host.resizes.size();
    m_pane.resize(300, 200);
    EXPECT_EQ(m_host.resizes.size(), resizes) << "no change, no notice";

    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(50, 50), QPointF(50, 50), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&m_pane, &twice);
    EXPECT_EQ(m_host.viewerCalls, 0) << "no picture, no viewer";
    const BMP_File picture = Uniform(3, 3, Pixel{1, 2, 3});
    ASSERT_TRUE(m_pane.SetBitmap(&picture));
    QApplication::sendEvent(&m_pane, &twice);
    EXPECT_EQ(m_host.viewerCalls, 1);
}

TEST_F(BmpWndTest, APaneWithoutAHostResizesItsModel) {
    CPaneModel model;
    model.Attach(nullptr, Size{10, 10}, nullptr, nullptr, nullptr);
    CBmpWnd plain(model, &m_parent);
    plain.resize(120, 90);
    plain.show();
    EXPECT_EQ(model.ClientSize(), (Size{118, 88}));
}

TEST_F(BmpWndTest, ShownTrackersArePaintedOverThePicture) {
    const BMP_File white = Uniform(4, 4, Pixel{255, 255, 255});
    ASSERT_TRUE(m_pane.SetBitmap(&white));
    const QImage plain = m_pane.grab().toImage();
    m_model.m_bLight2 = 1;
    const QImage withTracker = m_pane.grab().toImage();
    const Rect handle = m_model.m_cLightTracker2.HandleRect(hitTopLeft);
    const QPoint at = m_pane.ClientOrigin() + QPoint(handle.left + 2, handle.top + 2);
    EXPECT_EQ(plain.pixelColor(at), QColor(Qt::white));
    EXPECT_EQ(withTracker.pixelColor(at), QColor(Qt::black));
}

}  // namespace
