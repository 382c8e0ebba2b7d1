#pragma once
// The camera window's geometry in pixels: the controls of its template (dialog units mapped with the 6 × 13 base
// units) and LayoutControls' rule for a frame of W × H pixels:
// - the picture pane at (5, 5), W + 4 by H + 4; R = W + 9 its right edge;
// - the buttons Freeze, Exit, Take and Format keep their template tops and sizes and move to the left edge R + 10, the
//   group box to R + 5; Controls sits 5 pixels below Format with Format's height and its own width;
// - the window W + 34 + the width of Freeze wide, H + 49 high when H > 200, else 345;
// - the status line (the camera controls' read-out) under the pane, across its width.

#include <array>

#include "imaging/Rect.h"

namespace camera {

// Control identifiers of the camera window, in the order of m_rcControls.
enum ControlId { kFreeze = 1012, kExit = 1010, kGroup = 1014, kTake = 1013, kFormat = 1015, kControls = 1016 };
inline constexpr std::array<int, 6> kControlOrder{kFreeze, kExit, kGroup, kTake, kFormat, kControls};

struct WindowLayout {
    Rect pane;
    std::array<Rect, 6> controls;  // in kControlOrder
    Rect status;
    Size window;
};

// The controls' rectangles as the template lays them out, in kControlOrder (client pixels).
std::array<Rect, 6> TemplateControls();
// The template's client size and its picture area, before any frame size is known.
Size TemplateSize();
Rect TemplatePane();

WindowLayout LayoutControls(int width, int height, const std::array<Rect, 6>& recorded);

}  // namespace camera
