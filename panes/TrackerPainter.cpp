#include "panes/TrackerPainter.h"

#include <QBrush>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <utility>

#include "panes/CTracker.h"

namespace {

// Client rectangle (right and bottom exclusive) to a QRect moved by origin; an empty or inverted one gives a null rect.
QRect ToQRect(const Rect& rect, QPoint origin) {
    if (rect.Width() <= 0 || rect.Height() <= 0) return QRect();
    return QRect(rect.left + origin.x(), rect.top + origin.y(), static_cast<int>(rect.Width()),
                 static_cast<int>(rect.Height()));
}

Rect Ordered(Rect rect) {
    if (rect.left > rect.right) std::swap(rect.left, rect.right);
    if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
    return rect;
}

}  // namespace

void PaintTracker(QPainter& painter, const CTracker& tracker, QPoint origin) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QRect border = ToQRect(tracker.BorderRect(), origin);
    const QRect inner = ToQRect(Ordered(tracker.m_rect), origin);
    if ((tracker.m_nStyle & CTracker::kHatchedBorder) != 0 && !border.isNull()) {
        // The hatching is anchored to the pane, so it stands still while the rectangle moves.
        QBrush hatch(Qt::black, Qt::BDiagPattern);
        painter.save();
        painter.setBrushOrigin(origin);
        QRegion band(border);
        if (!inner.isNull()) band -= QRegion(inner);
        painter.setClipRegion(band, Qt::IntersectClip);
        painter.fillRect(border, hatch);
        painter.restore();
    }
    if ((tracker.m_nStyle & (CTracker::kResizeInside | CTracker::kResizeOutside)) != 0) {
        for (const TrackerHit handle : kTrackerHandles) {
            const QRect square = ToQRect(tracker.HandleRect(handle), origin);
            if (!square.isNull()) painter.fillRect(square, Qt::black);
        }
    }
    painter.restore();
}
