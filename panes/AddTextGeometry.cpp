#include "panes/AddTextGeometry.h"

#include <algorithm>

namespace {

using Wide = std::int64_t;

// One axis of KeepTextBoxVisible: [low, high) inside [offset, offset + visible), moved in by inset when it must move
// right (down) and the view is scrolled.
void KeepInside(std::int32_t& low, std::int32_t& high, Wide visible, Wide offset, Wide inset) {
    Wide lo = low;
    Wide hi = high;
    const Wide extent = hi - lo;
    if (visible < extent) {
        lo = offset;
        hi = offset + visible;
    } else {
        if (lo < offset) {
            lo = offset + inset;
            hi = lo + extent;
        }
        if (hi > offset + visible) {
            hi = offset + visible;
            lo = hi - extent;
        }
    }
    low = SaturateToInt32(lo);
    high = SaturateToInt32(hi);
}

}  // namespace

bool KeepTextBoxVisible(Rect& rect, Size viewOuter, const CScrollModel& scroll) {
    const Rect before = rect;
    const Point offset = scroll.Offset();
    KeepInside(rect.left, rect.right, Wide{viewOuter.width} - 25, offset.x, scroll.Horizontal().fraction > 0 ? 5 : 0);
    KeepInside(rect.top, rect.bottom, Wide{viewOuter.height} - 25, offset.y, scroll.Vertical().fraction > 0 ? 5 : 0);
    return !(rect == before);
}

Size AddTextDialogSize(Size outer, Size preview) {
    Wide width = outer.width;
    Wide height = outer.height;
    if (width > Wide{preview.width} + 10) width = Wide{preview.width} + 30;
    if (height > Wide{preview.height} + 55) height = Wide{preview.height} + 105;
    return Size{SaturateToInt32(std::max<Wide>(width, kAddTextMinimumSize.width)),
                SaturateToInt32(std::max<Wide>(height, kAddTextMinimumSize.height))};
}

Rect AddTextViewRect(const Rect& dialogOuter) {
    const Wide left = Wide{dialogOuter.left} + 5;
    const Wide top = Wide{dialogOuter.top} + 30;
    const Wide width = std::max<Wide>(0, dialogOuter.Width() - 10);
    const Wide height = std::max<Wide>(0, dialogOuter.Height() - 80);
    return Rect{SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(left + width),
                SaturateToInt32(top + height)};
}
