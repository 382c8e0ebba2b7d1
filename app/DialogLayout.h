#pragma once
// The main window's layout on resize, as arithmetic without a window.
//
// At initialisation the window records its size and the rectangle of every control it moves (client pixels). On every
// size change, with dx and dy the change of width and height against that initial size and half = dy / 2 truncated
// toward zero, each control is placed relative to its recorded rectangle, never to the previous layout:
// - the 44 controls of the right-hand column (kRightColumn, in that order): left and right + dx; Save and Save As
//   also top and bottom + dy;
// - the original pane and its group box: right + dx, bottom + half;
// - the processed pane and its group box: top + half, right + dx, bottom + dy.
// Shrinking back to the initial size therefore restores every rectangle exactly. The panes are placed in the order
// original pane, processed pane, their group boxes, so the original pane's size change is handled first.
//
// The minimum window size is 680 × 520 pixels including the frame. MinimumClientSize turns it into the size the
// toolkit manages: the frame's extra width and height are taken off when known (all zero when the window has no
// frame or the frame is not known yet, and then the limit applies to the client size itself). No Qt.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/Rect.h"

namespace dlg {

// The controls that follow the window's right edge, in their layout order.
inline constexpr std::array<int, 44> kRightColumn{
    1007,  1006,  1022,  10002, 10015, 10016, 10000, 10001, 10003, 10004, 10005, 10006, 10007, 10008, 10009,
    10010, 10011, 10012, 10013, 10014, 1009,  1010,  1000,  1001,  10019, 10020, 10022, 10024, 10021, 10023,
    10025, 10027, 10028, 10030, 10031, 10026, 10029, 1004,  1005,  1008,  10039, 10041, 10040, 10045};

// The panes and their group boxes, in the order they are placed.
inline constexpr std::array<int, 4> kPaneOrder{1002, 1003, 10017, 10018};

inline constexpr Size kMinimumWindowSize{680, 520};

struct Placement {
    int id = 0;
    Rect rect;
};

class DialogLayout {
public:
    // Records the initial window size and the rectangles of the controls (any order; ids not moved by the layout
    // are ignored). A control missing from `controls` is left out of every arrangement.
    void Record(Size initialWindow, std::span<const Placement> controls);

    Size InitialWindow() const { return m_initial; }

    // Where every recorded control goes for the given window size: first the right-hand column in its order, then
    // the panes and group boxes in kPaneOrder.
    std::vector<Placement> Arrange(Size window) const;

    // The recorded rectangle of a control, or an empty one.
    Rect Recorded(int id) const;

private:
    Size m_initial;
    std::vector<Placement> m_column;  // right-hand column, layout order
    std::vector<Placement> m_panes;   // kPaneOrder
};

// dy / 2, truncated toward zero (61 gives 30, −61 gives −30).
std::int32_t HalfTowardZero(std::int32_t dy);

// The minimum of the size the toolkit manages, given how much wider and taller the frame makes the window.
Size MinimumClientSize(Size frameExtra);

}  // namespace dlg
