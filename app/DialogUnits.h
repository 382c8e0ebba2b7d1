#pragma once
// The main window's controls as dialog units give them, and the mapping of their rectangles to pixels (the unit
// mapping itself is in base/DialogUnitMapping.h). A rectangle maps its left, top, right and bottom separately (not its
// width and height), so two controls that touch in dialog units still touch in pixels. Qt's own high-DPI scaling
// works in these logical pixels. No Qt.

#include <cstdint>
#include <span>

#include "base/DialogUnitMapping.h"
#include "imaging/Rect.h"

namespace dlg {

// Control ids of the main window (template 102). The numbers are the ones profiles and documentation use.
enum ControlId : int {
    kSave = 1000,
    kSaveAs = 1001,
    kOriginalPane = 1002,
    kProcessedPane = 1003,
    kLightColor1 = 1004,
    kLightColor2 = 1005,
    kWebCamera = 1006,
    kScan = 1007,
    kLightColor3 = 1008,
    kLoadConfiguration = 1009,
    kSaveConfiguration = 1010,
    kSources = 1022,
    kBlur = 10000,
    kBlurSettings = 10001,
    kLoadFromDisk = 10002,
    kBrightness = 10003,
    kBrightnessSettings = 10004,
    kContrast = 10005,
    kContrastSettings = 10006,
    kHsb = 10007,
    kHsbSettings = 10008,
    kInvertRed = 10009,
    kInvertGreen = 10010,
    kInvertBlue = 10011,
    kGreyScale = 10012,
    kSharpen = 10013,
    kEmboss = 10014,
    kHelp = 10015,
    kAbout = 10016,
    kOriginalGroup = 10017,
    kProcessedGroup = 10018,
    kCrop = 10019,
    kLight1 = 10020,
    kEditLight1 = 10021,
    kLight2 = 10022,
    kEditLight2 = 10023,
    kLight3 = 10024,
    kEditLight3 = 10025,
    kResize = 10026,
    kSizeX = 10027,
    kSizeY = 10028,
    kResizeGroup = 10029,
    kSizeXLabel = 10030,
    kSizeYLabel = 10031,
    kAddText = 10039,
    kRotateLeft = 10040,
    kRotateRight = 10041,
    kRotateGroup = 10045,
};

enum class ControlKind { PushButton, CheckBox, GroupBox, Pane, Swatch, Label, Edit };

// A rectangle in dialog units as templates give it: left, top, width, height.
struct DluRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    DluRect rect;
    const char* label;    // the text the control shows (empty for panes, swatches and edits)
    const char* toolTip;  // a longer description, or empty
};

// Maps left (x), top (y), right (x + width) and bottom (y + height) separately.
Rect MapDialogRect(const DluRect& rect);

// The main window's template: its client size in dialog units and its 48 controls in creation order (the panes
// after their group boxes, so they are drawn above them).
inline constexpr DluRect kMainTemplateSize{0, 0, 435, 302};
std::span<const ControlTemplate> MainTemplate();

// The template entry of a control, or null when the id is not in the template.
const ControlTemplate* FindControl(int id);

}  // namespace dlg
