#pragma once
// The rectangle tracker of the panes, without a window: the rectangle in pane client pixels, its hit test, the drag
// of a corner, an edge or the whole rectangle, the minimum size, and the pane's own adjustment (AdjustRect) that keeps
// the rectangle inside the band 5 .. client size − 5 and hands every change to the owning pane. The widgets draw it
// from HandleRect and BorderRect and feed it mouse positions.

#include <cstdint>

#include "imaging/Rect.h"

class CPaneModel;

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Hit codes of a point on a tracker.
enum TrackerHit : int {
    hitNothing = -1,
    hitTopLeft = 0,
    hitTopRight = 1,
    hitBottomRight = 2,
    hitBottomLeft = 3,
    hitTop = 4,
    hitRight = 5,
    hitBottom = 6,
    hitLeft = 7,
    hitMiddle = 8,
};

class CTracker {
public:
    // Style bits: hatched border (0x04), resize handles inside (0x08) and outside (0x10).
    static constexpr int kHatchedBorder = 0x04;
    static constexpr int kResizeInside = 0x08;
    static constexpr int kResizeOutside = 0x10;

    virtual ~CTracker() = default;

    // The hit code of point p (pane client pixels): a corner or edge handle, the inside, or nothing.
    int HitTest(Point p) const;

    // A drag: BeginDrag at the press, DragTo at every mouse movement, EndDrag at the release. The grabbed corner or
    // edge follows the mouse (the whole rectangle for hitMiddle), the rectangle never turns inside out and never gets
    // smaller than m_sizeMin, then AdjustRect runs. EndDrag returns whether the rectangle differs from the start.
    void BeginDrag(int hit, Point p);
    void DragTo(Point p);
    bool EndDrag();
    bool IsDragging() const { return m_nDragHit != hitNothing; }

    // Keeps rect inside the band from 5 to m_nMaxWidth + 5 and from 5 to m_nMaxHeight + 5 without changing its size
    // when it is pushed back in (and cuts it to the maximum size), enforces the minimum size for the grabbed handle,
    // remembers the result in m_rcLastAdjusted and has the owner pane apply its trackers.
    virtual void AdjustRect(int handle, Rect& rect);

    // Where a handle (hit codes 0..7) is drawn, and the hatched border around the rectangle.
    Rect HandleRect(int handle) const;
    Rect BorderRect() const;

    Rect m_rect;
    int m_nStyle = 0;
    Size m_sizeMin{8, 8};
    std::int32_t m_nHandleSize = 5;
    std::int32_t m_nMaxWidth = 0;   // pane client width − 10
    std::int32_t m_nMaxHeight = 0;  // pane client height − 10
    CPaneModel* m_pOwner = nullptr;
    Rect m_rcLastAdjusted;

private:
    int m_nDragHit = hitNothing;
    Point m_ptDragStart;
    Rect m_rcDragStart;
};
