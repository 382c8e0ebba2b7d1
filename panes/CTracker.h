#pragma once
// The rectangle tracker of the panes, without a window: the rectangle in pane client pixels, its hit test, the drag
// of a corner, an edge or the whole rectangle, the minimum size, and the pane's own adjustment (AdjustRect) that keeps
// the rectangle inside the band 5 .. client size − 5 and hands every change to the owning pane. The widgets draw it
// from HandleRect and BorderRect and feed it mouse positions.
//
// Geometry (all in client pixels, right and bottom exclusive). Hit tests and handles use the rectangle with its
// corners put in order, so a rectangle stored inside out (from a profile, say) is hit and dragged as its ordered form.
// - A handle is a square of m_nHandleSize pixels centred on a pixel of the rectangle's outermost ring: the corner
//   pixels (left, top), (right − 1, top), (right − 1, bottom − 1), (left, bottom − 1) and the middle pixels of the
//   edges (middle = first + (last − first) / 2). With size 5 a handle covers its centre ± 2 pixels, so it straddles
//   the border: 2 pixels outside the rectangle, 3 inside. Handles exist when the style has kResizeInside or
//   kResizeOutside; a handle size of 0 or less gives none.
// - The hatched border is a band of m_nHandleSize / 2 pixels (2 for size 5) all around the outside of the rectangle;
//   BorderRect is the rectangle grown by it, so every handle lies within BorderRect. An empty rectangle is measured
//   as one pixel wide or high, for its handles and its band alike.
// - HitTest: the corners 0..3 first, then the edge handles 4..7 (where small rectangles make handles overlap, the
//   first in that order wins), then hitMiddle for a point inside BorderRect (inside the rectangle itself when the
//   style has no kHatchedBorder), else hitNothing.
// - All arithmetic is done in 64 bits and saturated to 32 bits, so any stored rectangle is safe to test and drag.

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

// The eight handles, corners first, in the order the hit test tries them.
inline constexpr TrackerHit kTrackerHandles[] = {hitTopLeft, hitTopRight, hitBottomRight, hitBottomLeft,
                                                 hitTop,     hitRight,    hitBottom,      hitLeft};

class CTracker {
public:
    // Style bits: hatched border (0x04), resize handles inside (0x08) and outside (0x10).
    static constexpr int kHatchedBorder = 0x04;
    static constexpr int kResizeInside = 0x08;
    static constexpr int kResizeOutside = 0x10;

    virtual ~CTracker() = default;

    // The hit code of point p (pane client pixels): a corner or edge handle, the inside, or nothing.
    TrackerHit HitTest(Point p) const;

    // A drag: BeginDrag at the press, DragTo at every mouse movement, EndDrag at the release. The grabbed corner or
    // edge follows the mouse (the whole rectangle for hitMiddle), the rectangle never turns inside out and never gets
    // smaller than m_sizeMin, then AdjustRect runs. EndDrag returns whether the rectangle differs from the start.
    // Each DragTo places the rectangle from the one at the press moved by the mouse's offset from the press point (so
    // a pointer that comes back gives back the start), writes it to m_rect and calls AdjustRect(hit, m_rect), so the
    // owner pane sees the adjusted rectangle. BeginDrag with a code outside 0..8 starts nothing; DragTo and EndDrag
    // without a drag do nothing (EndDrag then returns false).
    void BeginDrag(TrackerHit hit, Point p);
    void DragTo(Point p);
    bool EndDrag();
    bool IsDragging() const { return m_nDragHit != hitNothing; }

    // Keeps rect inside the band from 5 to m_nMaxWidth + 5 and from 5 to m_nMaxHeight + 5 without changing its size
    // when it is pushed back in (and cuts it to the maximum size), enforces the minimum size for the grabbed handle,
    // remembers the result in m_rcLastAdjusted and has the owner pane apply its trackers. In this order:
    //  1. width = min(rect width, m_nMaxWidth), height = min(rect height, m_nMaxHeight), neither below 0;
    //  2. right beyond m_nMaxWidth + 5: right = m_nMaxWidth + 5, left = right − width;
    //  3. bottom beyond m_nMaxHeight + 5: bottom = m_nMaxHeight + 5, top = bottom − height;
    //  4. left below 5: left = 5, right = width + 5;   5. top below 5: top = 5, bottom = height + 5;
    //  6. minimum size: a rectangle narrower than m_sizeMin.width grows on the side that `handle` moves (left for
    //     handles 0, 3, 7, else right), one lower than m_sizeMin.height on the side it moves (top for 0, 1, 4, else
    //     bottom). In a pane too small for the minimum inside the band, the minimum wins;
    //  7. m_rcLastAdjusted = rect;   8. m_pOwner->ApplyTrackers() when an owner is set.
    virtual void AdjustRect(TrackerHit handle, Rect& rect);

    // Where a handle (hit codes 0..7) is drawn, and the hatched border around the rectangle (see Geometry above).
    // HandleRect gives an empty rectangle for any other code.
    Rect HandleRect(TrackerHit handle) const;
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
    TrackerHit m_nDragHit = hitNothing;
    Point m_ptDragStart;
    Rect m_rcDragStart;  // m_rect at the press, as it was (not put in order)
};
