#include "panes/CBmpWnd.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/Parallel.h"
#include "imaging/BMP_File.h"
#include "panes/BoxReduce.h"
#include "panes/CTracker.h"
#include "panes/TrackerPainter.h"

CBmpWnd::CBmpWnd(CPaneModel& model, QWidget* parent) : QFrame(parent), m_model(model) {
    // A plain 1-pixel border: the client area is the widget less one pixel on each side.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setMidLineWidth(0);
    setMouseTracking(true);  // the cursor follows the trackers without a button held
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(true);
}

QSize CBmpWnd::DevicePaneSize() const {
    const QRect client = contentsRect();
    const qreal ratio = devicePixelRatioF();
    return QSize(static_cast<int>(std::lround(client.width() * ratio)),
                 static_cast<int>(std::lround(client.height() * ratio)));
}

void CBmpWnd::ShowExactImage(const QImage& image) {
    if (m_pBitmap == nullptr || image.isNull()) return;
    m_paneImage = image;
    m_bPaneImageStale = false;
    repaint();
}

Size CBmpWnd::ClientSize() const {
    const QRect client = contentsRect();
    return Size{client.width(), client.height()};
}

QPoint CBmpWnd::ClientOrigin() const {
    return contentsRect().topLeft();
}

Qt::CursorShape CBmpWnd::CursorForHit(TrackerHit hit) {
    switch (hit) {
        case hitTopLeft:
        case hitBottomRight:
            return Qt::SizeFDiagCursor;
        case hitTopRight:
        case hitBottomLeft:
            return Qt::SizeBDiagCursor;
        case hitTop:
        case hitBottom:
            return Qt::SizeVerCursor;
        case hitRight:
        case hitLeft:
            return Qt::SizeHorCursor;
        case hitMiddle:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

namespace {

// The whole factors by which a picture is first shrunk for a pane of the given size (1: not shrunk).
Size ReductionFactors(const BMP_File& picture, QSize size) {
    return Size{std::max(1, picture.Width() / size.width()), std::max(1, picture.Height() / size.height())};
}

// The reduced (or the wrapped) picture scaled to size, as RGB32.
QImage SmoothToSize(const QImage& source, QSize size) {
    QImage scaled =
        source.size() == size ? source.copy() : source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) return QImage();
    if (scaled.format() != QImage::Format_RGB32) scaled = scaled.convertToFormat(QImage::Format_RGB32);
    return scaled;
}

}  // namespace

QImage CBmpWnd::ScaleToSize(const BMP_File& picture, QSize size, QImage* reduced) {
    if (reduced != nullptr) *reduced = QImage();
    if (picture.IsEmpty() || size.isEmpty()) return QImage();
    // A picture at least twice the size is first shrunk by whole factors with a box filter, in one pass over its
    // rows, to between one and two times the size: the toolkit's smooth scaling would first convert the whole picture
    // and then average it, several times slower for a large one. The box filter averages whole blocks as the smooth
    // scaling does, so the result is the same picture to the eye.
    const Size factors = ReductionFactors(picture, size);
    if (factors.width > 1 || factors.height > 1) {
        const Size box = BoxReducedSize(Size{picture.Width(), picture.Height()}, factors.width, factors.height);
        QImage source(box.width, box.height, QImage::Format_RGB32);
        if (source.isNull()) return QImage();
        BoxReduce(picture, factors.width, factors.height, reinterpret_cast<std::uint32_t*>(source.bits()),
                  static_cast<std::size_t>(source.bytesPerLine()) / 4, DefaultThreadCount());
        QImage scaled = SmoothToSize(source, size);
        if (reduced != nullptr && !scaled.isNull()) *reduced = std::move(source);
        return scaled;
    }
    // Pixel rows are red, green, blue bytes without padding: exactly QImage's RGB888 with a stride of 3 × width.
    // The wrapper copies nothing.
    const QImage source(reinterpret_cast<const uchar*>(picture.Data()), picture.Width(), picture.Height(),
                        static_cast<qsizetype>(picture.Width()) * 3, QImage::Format_RGB888);
    return SmoothToSize(source, size);
}

bool CBmpWnd::SetBitmap(const BMP_File* picture) {
    m_pBitmap = picture != nullptr && !picture->IsEmpty() ? picture : nullptr;
    const bool built = BuildPaneImage();
    if (!built) m_pBitmap = nullptr;
    return built;
}

bool CBmpWnd::BuildPaneImage() {
    m_bPaneImageStale = false;
    if (m_pBitmap == nullptr) {
        m_paneImage = QImage();
        m_reduced = QImage();
        return true;
    }
    const QSize device = DevicePaneSize();
    m_paneImage = ScaleToSize(*m_pBitmap, device, &m_reduced);
    m_paneImage.setDevicePixelRatio(devicePixelRatioF());
    ++m_nBuilds;
    return !m_paneImage.isNull() || device.isEmpty();
}

bool CBmpWnd::UpdateBitmapRect(const Rect& changed) {
    if (m_pBitmap == nullptr) return true;
    const QSize size = DevicePaneSize();
    const Size factors = size.isEmpty() ? Size{1, 1} : ReductionFactors(*m_pBitmap, size);
    const Size box = BoxReducedSize(Size{m_pBitmap->Width(), m_pBitmap->Height()}, factors.width, factors.height);
    // Only a reduction made for this picture and this pane size can be brought up to date; otherwise all is built.
    if (m_bPaneImageStale || m_reduced.isNull() || m_reduced.size() != QSize(box.width, box.height) ||
        m_paneImage.size() != size) {
        return SetBitmap(m_pBitmap);
    }
    const Rect blocks =
        BoxBlocksOf(changed, Size{m_pBitmap->Width(), m_pBitmap->Height()}, factors.width, factors.height);
    BoxReduceBlocks(*m_pBitmap, factors.width, factors.height, reinterpret_cast<std::uint32_t*>(m_reduced.bits()),
                    static_cast<std::size_t>(m_reduced.bytesPerLine()) / 4, blocks, DefaultThreadCount());
    m_paneImage = SmoothToSize(m_reduced, size);
    m_paneImage.setDevicePixelRatio(devicePixelRatioF());
    ++m_nBuilds;
    if (m_paneImage.isNull()) {
        m_pBitmap = nullptr;
        m_reduced = QImage();
        return false;
    }
    return true;
}

void CBmpWnd::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // background and border
    // On a screen of another scale the size in window units stays, so no resize tells of it: the copy is made again
    // at the new screen's pixels.
    const bool rescaled =
        m_pBitmap != nullptr && !m_paneImage.isNull() && m_paneImage.devicePixelRatio() != devicePixelRatioF();
    if (rescaled) m_bPaneImageStale = true;
    if (m_bPaneImageStale && !BuildPaneImage()) m_pBitmap = nullptr;
    if (rescaled && m_pHost != nullptr) m_pHost->PaneRescaled(*this);

    QPainter painter(this);
    const QRect client = contentsRect();
    painter.setClipRect(client);
    if (m_pBitmap != nullptr && !m_paneImage.isNull()) {
        // The copy is made at the screen's own pixels (twice the client size on a screen at 200 %), so it is drawn
        // 1:1 onto the device, crisp.
        if (m_paneImage.size() == DevicePaneSize()) {
            painter.drawImage(client.topLeft(), m_paneImage);
        } else {
            // Only while a resize is pending; the next paint has a copy of the right size.
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(client, m_paneImage);
        }
    }
    const QPoint origin = client.topLeft();
    for (int index = 0; index < 4; ++index) {
        if (m_model.Shown(index) != 0) PaintTracker(painter, m_model.Tracker(index), origin);
    }
}

void CBmpWnd::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    // A notification without a change of size (a pane shown for the first time) is no resize.
    if (event->size() == m_lastSize) return;
    m_lastSize = event->size();
    const Size outer{event->size().width(), event->size().height()};
    if (m_pHost != nullptr) {
        m_pHost->PaneResized(*this, outer);
    } else {
        m_model.SetClientSize(ClientSize());
    }
    // The host may have shown a new picture for the new size already.
    if (m_pBitmap != nullptr && m_paneImage.size() != DevicePaneSize()) m_bPaneImageStale = true;
}

Point CBmpWnd::ToClient(const QPointF& position) const {
    const QPoint origin = ClientOrigin();
    return Point{static_cast<std::int32_t>(std::floor(position.x())) - origin.x(),
                 static_cast<std::int32_t>(std::floor(position.y())) - origin.y()};
}

void CBmpWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_pDragged != nullptr) {
        QFrame::mousePressEvent(event);
        return;
    }
    m_pDragged = m_model.PressAt(ToClient(event->position()));
    event->accept();
}

void CBmpWnd::mouseMoveEvent(QMouseEvent* event) {
    const Point p = ToClient(event->position());
    if (m_pDragged != nullptr) {
        // AdjustRect pushes the rectangle to the owner, which re-runs the chain and repaints this pane.
        m_pDragged->DragTo(p);
    } else {
        setCursor(CursorForHit(m_model.CursorHit(p)));
    }
    event->accept();
}

void CBmpWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_pDragged == nullptr) {
        QFrame::mouseReleaseEvent(event);
        return;
    }
    CTracker* dragged = m_pDragged;
    m_pDragged = nullptr;
    if (m_model.ReleaseDrag(*dragged)) repaint();
    event->accept();
}

void CBmpWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    // The double-click takes the place of the second press: it starts no drag.
    if (event->button() == Qt::LeftButton && m_pBitmap != nullptr && m_pHost != nullptr) {
        m_pHost->OpenInViewer(*this);
    }
    event->accept();
}
