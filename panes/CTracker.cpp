#include "panes/CTracker.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "panes/CPaneModel.h"

namespace {

using Wide = std::int64_t;

Rect Ordered(Rect rect) {
    if (rect.left > rect.right) std::swap(rect.left, rect.right);
    if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
    return rect;
}

bool Contains(const Rect& rect, Point p) {
    return p.x >= rect.left && p.x < rect.right && p.y >= rect.top && p.y < rect.bottom;
}

// Handles that move the left or the top side of the rectangle.
bool MovesLeft(TrackerHit hit) {
    return hit == hitTopLeft || hit == hitBottomLeft || hit == hitLeft;
}
bool MovesRight(TrackerHit hit) {
    return hit == hitTopRight || hit == hitBottomRight || hit == hitRight;
}
bool MovesTop(TrackerHit hit) {
    return hit == hitTopLeft || hit == hitTopRight || hit == hitTop;
}
bool MovesBottom(TrackerHit hit) {
    return hit == hitBottomRight || hit == hitBottomLeft || hit == hitBottom;
}

}  // namespace

TrackerHit CTracker::HitTest(Point p) const {
    if ((m_nStyle & (kResizeInside | kResizeOutside)) != 0) {
        for (const TrackerHit handle : kTrackerHandles) {
            if (Contains(HandleRect(handle), p)) return handle;
        }
    }
    const Rect area = (m_nStyle & kHatchedBorder) != 0 ? BorderRect() : Ordered(m_rect);
    return Contains(area, p) ? hitMiddle : hitNothing;
}

Rect CTracker::HandleRect(TrackerHit handle) const {
    if (handle < hitTopLeft || handle > hitLeft || m_nHandleSize <= 0) return Rect{};
    const Rect rect = Ordered(m_rect);
    // The outermost ring of pixels; an empty rectangle has its "last" column or row on its first.
    const Wide firstX = rect.left;
    const Wide lastX = std::max<Wide>(firstX, Wide{rect.right} - 1);
    const Wide firstY = rect.top;
    const Wide lastY = std::max<Wide>(firstY, Wide{rect.bottom} - 1);
    const Wide middleX = firstX + (lastX - firstX) / 2;
    const Wide middleY = firstY + (lastY - firstY) / 2;

    Wide x = firstX;
    Wide y = firstY;
    switch (handle) {
        case hitTopLeft:
            x = firstX, y = firstY;
            break;
        case hitTopRight:
            x = lastX, y = firstY;
            break;
        case hitBottomRight:
            x = lastX, y = lastY;
            break;
        case hitBottomLeft:
            x = firstX, y = lastY;
            break;
        case hitTop:
            x = middleX, y = firstY;
            break;
        case hitRight:
            x = lastX, y = middleY;
            break;
        case hitBottom:
            x = middleX, y = lastY;
            break;
        default:
            x = firstX, y = middleY;
            break;  // hitLeft
    }
    const Wide size = m_nHandleSize;
    const Wide before = (size - 1) / 2;
    return Rect{SaturateToInt32(x - before), SaturateToInt32(y - before), SaturateToInt32(x - before + size),
                SaturateToInt32(y - before + size)};
}

Rect CTracker::BorderRect() const {
    const Rect rect = Ordered(m_rect);
    const Wide band = std::max<Wide>(0, m_nHandleSize / 2);
    // An empty rectangle is measured as one pixel, like its handles.
    const Wide right = std::max<Wide>(rect.right, Wide{rect.left} + 1);
    const Wide bottom = std::max<Wide>(rect.bottom, Wide{rect.top} + 1);
    return Rect{SaturateToInt32(rect.left - band), SaturateToInt32(rect.top - band), SaturateToInt32(right + band),
                SaturateToInt32(bottom + band)};
}

void CTracker::BeginDrag(TrackerHit hit, Point p) {
    if (hit < hitTopLeft || hit > hitMiddle) {
        m_nDragHit = hitNothing;
        return;
    }
    m_nDragHit = hit;
    m_ptDragStart = p;
    m_rcDragStart = m_rect;
}

void CTracker::DragTo(Point p) {
    if (!IsDragging()) return;
    const Rect start = Ordered(m_rcDragStart);
    const Wide dx = Wide{p.x} - m_ptDragStart.x;
    const Wide dy = Wide{p.y} - m_ptDragStart.y;
    const Wide minWidth = std::max<Wide>(0, m_sizeMin.width);
    const Wide minHeight = std::max<Wide>(0, m_sizeMin.height);

    Wide left = start.left;
    Wide top = start.top;
    Wide right = start.right;
    Wide bottom = start.bottom;
    if (m_nDragHit == hitMiddle) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    } else {
        // The grabbed side follows the mouse but stops the minimum size short of the opposite side.
        if (MovesLeft(m_nDragHit)) left = std::min(left + dx, right - minWidth);
        if (MovesRight(m_nDragHit)) right = std::max(right + dx, left + minWidth);
        if (MovesTop(m_nDragHit)) top = std::min(top + dy, bottom - minHeight);
        if (MovesBottom(m_nDragHit)) bottom = std::max(bottom + dy, top + minHeight);
    }
    m_rect = Rect{SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(right), SaturateToInt32(bottom)};
    AdjustRect(m_nDragHit, m_rect);
}

bool CTracker::EndDrag() {
    if (!IsDragging()) return false;
    m_nDragHit = hitNothing;
    return !(m_rect == m_rcDragStart);
}

void CTracker::AdjustRect(TrackerHit handle, Rect& rect) {
    const Wide maxWidth = m_nMaxWidth;
    const Wide maxHeight = m_nMaxHeight;
    Wide left = rect.left;
    Wide top = rect.top;
    Wide right = rect.right;
    Wide bottom = rect.bottom;

    const Wide width = std::max<Wide>(0, std::min(right - left, maxWidth));
    const Wide height = std::max<Wide>(0, std::min(bottom - top, maxHeight));
    if (right > maxWidth + 5) {
        right = maxWidth + 5;
        left = right - width;
    }
    if (bottom > maxHeight + 5) {
        bottom = maxHeight + 5;
        top = bottom - height;
    }
    if (left < 5) {
        left = 5;
        right = width + 5;
    }
    if (top < 5) {
        top = 5;
        bottom = height + 5;
    }

    const Wide minWidth = std::max<Wide>(0, m_sizeMin.width);
    const Wide minHeight = std::max<Wide>(0, m_sizeMin.height);
    if (right - left < minWidth) {
        if (MovesLeft(handle)) {
            left = right - minWidth;
        } else {
            right = left + minWidth;
        }
    }
    if (bottom - top < minHeight) {
        if (MovesTop(handle)) {
            top = bottom - minHeight;
        } else {
            bottom = top + minHeight;
        }
    }

    rect = Rect{SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(right), SaturateToInt32(bottom)};
    m_rcLastAdjusted = rect;
    if (m_pOwner != nullptr) m_pOwner->ApplyTrackers();
}
