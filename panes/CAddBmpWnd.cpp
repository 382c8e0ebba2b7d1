#include "panes/CAddBmpWnd.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <cmath>

#include "imaging/BMP_File.h"
#include "panes/AddTextGeometry.h"
#include "panes/CBmpWnd.h"
#include "panes/CEditBox.h"
#include "panes/CScrollDialog.h"
#include "panes/TrackerPainter.h"

namespace {

QRect ToQRect(const Rect& rect) {
    return QRect(rect.left, rect.top, static_cast<int>(rect.Width()), static_cast<int>(rect.Height()));
}

// The preview pixel under the mouse.
Point PixelAt(const QPointF& position) {
    return Point{static_cast<std::int32_t>(std::floor(position.x())),
                 static_cast<std::int32_t>(std::floor(position.y()))};
}

}  // namespace

CAddBmpWnd::CAddBmpWnd(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("preview10043"));
    // The picture covers the whole widget: nothing under it needs painting, and moving it can blit.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);

    m_cTracker.m_rect = Rect{5, 5, 300, 200};
    m_cTracker.m_sizeMin = Size{40, 20};
    m_cTracker.m_nStyle = CTracker::kHatchedBorder | CTracker::kResizeInside | CTracker::kResizeOutside;
    m_cTracker.m_nHandleSize = 5;
    m_cTracker.m_pOwner = nullptr;

    m_pTextBox = new CEditBox(this);
    PlaceTextBox();
    m_pTextBox->show();
}

void CAddBmpWnd::SetPicture(const BMP_File* picture) {
    m_pPicture = picture != nullptr && !picture->IsEmpty() ? picture : nullptr;
    if (m_pPicture != nullptr) {
        resize(m_pPicture->Width(), m_pPicture->Height());
    } else {
        resize(0, 0);
    }
    update();
}

void CAddBmpWnd::SetTextStyle(const QFont& font, const QColor& color) {
    m_textFont = font;
    m_textColor = color;
    m_pTextBox->setFont(font);
    m_pTextBox->SetTextColor(color);
    update();
}

void CAddBmpWnd::KeepTextBoxVisible() {
    if (m_pView != nullptr) {
        const Rect before = m_cTracker.m_rect;
        if (::KeepTextBoxVisible(m_cTracker.m_rect, Size{m_pView->width(), m_pView->height()}, m_pView->Model())) {
            UpdateTrackerArea(before);
        }
    }
    PlaceTextBox();
}

void CAddBmpWnd::PlaceTextBox() {
    if (m_cTracker.m_rect == m_rcPlaced) return;
    m_pTextBox->setGeometry(ToQRect(m_cTracker.m_rect));
    m_rcPlaced = m_cTracker.m_rect;
}

void CAddBmpWnd::UpdateTrackerArea(const Rect& before) {
    // The frame and handles lie within the border rectangle; the old place is repainted with the picture.
    CTracker old = m_cTracker;
    old.m_rect = before;
    QRegion area(ToQRect(old.BorderRect()));
    area += ToQRect(m_cTracker.BorderRect());
    update(area);
}

void CAddBmpWnd::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (m_pPicture != nullptr) {
        // A view of the picture's rows, which are RGB888 without padding; nothing is copied.
        const QImage picture(reinterpret_cast<const uchar*>(m_pPicture->Data()), m_pPicture->Width(),
                             m_pPicture->Height(), static_cast<qsizetype>(m_pPicture->Width()) * 3,
                             QImage::Format_RGB888);
        for (const QRect& exposed : event->region()) painter.drawImage(exposed.topLeft(), picture, exposed);
    } else {
        painter.fillRect(event->rect(), palette().window());
    }
    PaintTracker(painter, m_cTracker, QPoint(0, 0));
}

void CAddBmpWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_cTracker.m_nMaxWidth = width() - 10;
    m_cTracker.m_nMaxHeight = height() - 10;
}

void CAddBmpWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !m_cTracker.IsDragging()) {
        const Point at = PixelAt(event->position());
        const TrackerHit hit = m_cTracker.HitTest(at);
        if (hit != hitNothing) {
            m_cTracker.BeginDrag(hit, at);
            event->accept();
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void CAddBmpWnd::mouseMoveEvent(QMouseEvent* event) {
    const Point at = PixelAt(event->position());
    if (m_cTracker.IsDragging()) {
        const Rect before = m_cTracker.m_rect;
        m_cTracker.DragTo(at);
        KeepTextBoxVisible();
        UpdateTrackerArea(before);
    } else {
        setCursor(CBmpWnd::CursorForHit(m_cTracker.HitTest(at)));
    }
    event->accept();
}

void CAddBmpWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_cTracker.IsDragging()) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (m_cTracker.EndDrag()) update();
    event->accept();
}
