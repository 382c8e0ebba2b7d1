#include "acquire/CameraLayout.h"

#include "base/DialogUnitMapping.h"

namespace camera {

namespace {

// Template rectangles in dialog units: left, top, width, height.
struct DluRect {
    int x, y, cx, cy;
};
constexpr DluRect kTemplate[6] = {
    {232, 7, 50, 14},   // Freeze
    {232, 25, 50, 14},  // Exit
    {228, 46, 58, 52},  // group box
    {232, 106, 50, 14}, // Take
    {232, 58, 50, 14},  // Format
    {232, 76, 50, 14},  // Controls
};
constexpr DluRect kTemplatePane{4, 4, 216, 162};
constexpr int kTemplateWidth = 292;
constexpr int kTemplateHeight = 170;

Rect Map(const DluRect& r) {
    return Rect{dlg::DluToPixelsX(r.x), dlg::DluToPixelsY(r.y), dlg::DluToPixelsX(r.x + r.cx),
                dlg::DluToPixelsY(r.y + r.cy)};
}

Rect MoveTo(const Rect& r, int left, int top) {
    return Rect{left, top, SaturateToInt32(left + r.Width()), SaturateToInt32(top + r.Height())};
}

}  // namespace

std::array<Rect, 6> TemplateControls() {
    std::array<Rect, 6> controls;
    for (std::size_t i = 0; i < controls.size(); ++i) controls[i] = Map(kTemplate[i]);
    return controls;
}

Size TemplateSize() {
    return Size{dlg::DluToPixelsX(kTemplateWidth), dlg::DluToPixelsY(kTemplateHeight)};
}

Rect TemplatePane() {
    return Map(kTemplatePane);
}

WindowLayout LayoutControls(int width, int height, const std::array<Rect, 6>& recorded) {
    WindowLayout layout;
    layout.pane = Rect{5, 5, width + 9, height + 9};
    const int right = width + 9;
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        const int left = kControlOrder[i] == kGroup ? right + 5 : right + 10;
        layout.controls[i] = MoveTo(recorded[i], left, recorded[i].top);
    }
    // Controls goes 5 pixels below Format, with Format's height and its own width.
    const Rect& format = layout.controls[4];
    const Rect& own = recorded[5];
    layout.controls[5] = Rect{right + 10, format.bottom + 5, SaturateToInt32(right + 10 + own.Width()),
                              SaturateToInt32(format.bottom + 5 + format.Height())};
    layout.window = Size{SaturateToInt32(width + 34 + recorded[0].Width()), height > 200 ? height + 49 : 345};
    layout.status = Rect{5, height + 14, width + 9, height + 32};
    return layout;
}

}  // namespace camera
