#pragma once
// The rectangle model of one image pane, without a window: the crop tracker and the three light trackers in client
// pixels, which of them are shown, and the same rectangles as fractions of the pane's usable extent (client size less
// 5 pixels) so that they follow the pane when it is resized and can be stored in profiles. It pushes the rectangles
// into its owner (the crop rectangle and the light rectangles of the shared state) and has the owner re-run the
// chain whenever a rectangle moves. A pane without an owner is a plain picture surface and pushes nothing.
//
// Conversions between the two forms, with W = client width − 5 and H = client height − 5:
// - relative from tracker: top ÷ H, left ÷ W, bottom ÷ H, right ÷ W, stored as float. Along an axis whose usable
//   extent is 0 or less (a pane narrower than 6 pixels) nothing can be measured: those fractions keep their values,
//   so a pane squeezed that small and grown again still has its rectangles.
// - tracker from relative: each coordinate is the single-precision product float(fraction) × float(W or H),
//   truncated toward zero and saturated to 32 bits (NaN gives 0, ±infinity and huge values the 32-bit limits),
//   because profiles may hold any number.
// - pushed to the owner: the tracker rectangle widened by 5 on each side, saturated at the 32-bit limits.
//
// The widget that shows the pane only forwards to this model: the size of the client area to SetClientSize, a left
// press to PressAt (then the mouse movements to the returned tracker's DragTo and the release to ReleaseDrag,
// repainting when it reports a change), and mouse movements to CursorHit to choose the cursor. It draws the shown
// trackers (crop first, then lights 1, 2, 3) from CTracker::BorderRect and CTracker::HandleRect.

#include <cstdint>

#include "imaging/Rect.h"
#include "panes/CTracker.h"

class CPaneModel;

// What a pane needs of the state that owns it.
class IPaneOwner {
public:
    virtual ~IPaneOwner() = default;
    virtual Rect& CropRectangle() = 0;                  // m_rcCrop
    virtual bool LightEditSwitch(int light) const = 0;  // m_bLightEdit1..3 (light 0..2) is on
    virtual void ProcessImage(bool preview) = 0;        // re-run the chain
    virtual void RepaintPane(CPaneModel& pane) = 0;     // invalidate, erase, update now
};

// A relative rectangle: fractions of the usable extent, in the stored order top, left, bottom, right.
struct RelativeRect {
    float top = 0;
    float left = 0;
    float bottom = 0;
    float right = 0;
};

class CPaneModel {
public:
    CPaneModel() = default;

    CPaneModel(const CPaneModel&) = delete;
    CPaneModel& operator=(const CPaneModel&) = delete;

    // Sets the pane up for a client area of the given size: every tracker at (5, 5, w − 5, h − 5) with its style,
    // minimum size 8 × 8, handle size 5, maximum size (w − 10, h − 10) and this pane as owner; every relative
    // rectangle from its tracker; light targets 1..3 pointing at lightTargets[0..2] (may be null for a plain pane).
    void Attach(IPaneOwner* owner, Size client, Rect* lightTarget1, Rect* lightTarget2, Rect* lightTarget3);

    // For every shown tracker in the order crop, light 1, 2, 3: push its rectangle widened by 5 pixels on each side
    // to the owner, re-run the chain and repaint.
    void ApplyTrackers();

    // Rebuilds the four tracker rectangles and their maximum sizes from the relative rectangles for the present client
    // size, applies the trackers, then copies the three light tracker rectangles unchanged into the light targets.
    // Without an owner only the trackers are rebuilt: nothing is pushed, copied, run or repainted.
    void RemapTrackers();

    // Shows the light trackers whose edit switch is on in the owner (never hides one), then applies the trackers.
    void EnableLightTrackers();

    // The client area changed size: remember it and remap (a minimised pane, of no size, is left alone: a size
    // whose width or height is 0 or less changes nothing).
    void SetClientSize(Size client);
    Size ClientSize() const { return m_client; }

    // Left button pressed at p: the first shown tracker (crop, light 1, 2, 3) whose hit test at p is not nothing
    // starts its drag and is returned; with none, the relative rectangles are recomputed at once and null is
    // returned.
    CTracker* PressAt(Point p);
    // The drag of PressAt's tracker ended: returns whether its rectangle changed (the pane is then repainted by the
    // caller) and recomputes every relative rectangle from its tracker.
    bool ReleaseDrag(CTracker& tracker);

    // Relative rectangle from tracker rectangle, for all four, with the present client size.
    void RecomputeRelativeRects();

    // The hit code whose cursor the pane shows at p: the crop tracker's hit test when m_bCrop is on, else hitNothing;
    // then each shown light tracker, in the order 1, 2, 3, overrides it with its own hit test (so with a light
    // tracker shown and p not on it, the arrow shows even over the crop tracker). The widget maps the codes to
    // cursors: 0 and 2 diagonal north-west/south-east sizing, 1 and 3 diagonal north-east/south-west sizing, 4 and 6
    // vertical sizing, 5 and 7 horizontal sizing, 8 four-way move, −1 the arrow.
    TrackerHit CursorHit(Point p) const;

    // The tracker of index 0 (crop) .. 3 (light 3), its shown flag and its relative rectangle. The index must be
    // 0..3; another index is taken as the nearest of them.
    CTracker& Tracker(int index);
    std::int32_t& Shown(int index);
    RelativeRect& Relative(int index);

    IPaneOwner* Owner() const { return m_pOwner; }

    std::int32_t m_bCrop = 0;
    CTracker m_cRectTracker;
    CTracker m_cLightTracker1;
    CTracker m_cLightTracker2;
    CTracker m_cLightTracker3;
    std::int32_t m_bLight1 = 0;
    std::int32_t m_bLight2 = 0;
    std::int32_t m_bLight3 = 0;
    RelativeRect m_rcRelCrop;
    RelativeRect m_rcRelLight1;
    RelativeRect m_rcRelLight2;
    RelativeRect m_rcRelLight3;

private:
    IPaneOwner* m_pOwner = nullptr;
    Rect* m_pLightTarget[3] = {nullptr, nullptr, nullptr};
    Size m_client;
};
