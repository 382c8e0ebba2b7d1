#pragma once
// The geometry of the add-text dialog, without a window: where the text box may stand in the scrolled view, how large
// the dialog may be for the picture it shows, and where the view lies over it. All sizes are in pixels; the dialog's
// sizes are outer sizes (frame included), as the window manager reports them.

#include <cstdint>

#include "imaging/Rect.h"
#include "panes/CScrollModel.h"

// Keeps the text box's tracker rectangle (preview pixels, which are picture pixels) inside the part of the picture
// that the view shows. With vw = view outer width − 25, hx = horizontal position × 8 and ox = 5 when the horizontal
// fraction is above 0 (else 0):
//   1. a rectangle wider than vw becomes left = hx, right = hx + vw;
//   2. otherwise a rectangle left of hx moves to left = hx + ox keeping its width, and then one reaching beyond
//      hx + vw moves to right = hx + vw keeping its width.
// The same vertically with vh = view outer height − 25, vy = vertical position × 4 and oy. Returns whether the
// rectangle changed (the preview is then repainted).
bool KeepTextBoxVisible(Rect& rect, Size viewOuter, const CScrollModel& scroll);

// The dialog can never be smaller than this (outer size).
inline constexpr Size kAddTextMinimumSize{400, 300};

// The size the dialog takes after a change of its outer size to outer, for a preview (the picture) of the given
// size: wider than preview width + 10 gives preview width + 30, taller than preview height + 55 gives preview height
// + 105 (room for the whole picture, the scroll bars and the buttons, and no more); never below kAddTextMinimumSize.
Size AddTextDialogSize(Size outer, Size preview);

// Where the view lies, given the dialog's outer rectangle (both in the same coordinates): 5 pixels in from the left,
// 30 down from the top, the dialog's width less 10 and its height less 80 (never negative).
Rect AddTextViewRect(const Rect& dialogOuter);
