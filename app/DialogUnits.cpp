#include "app/DialogUnits.h"

#include <array>
#include <cstdint>

namespace dlg {

namespace {

using K = ControlKind;

// Template 102, in the order its controls are created (which is also the keyboard focus order).
constexpr std::array<ControlTemplate, 48> kControls{{
    {kScan, K::PushButton, {210, 9, 70, 14}, "Scan", "Scan a page with the chosen scanner"},
    {kWebCamera, K::PushButton, {284, 9, 70, 14}, "Web camera", "Take a picture with the chosen camera"},
    {kSources, K::PushButton, {359, 9, 70, 14}, "Sources...", "Choose the scanner and the camera"},
    {kLoadFromDisk, K::PushButton, {210, 30, 70, 14}, "Open file...", "Open a PNG, JPEG, GIF or BMP picture"},
    {kHelp, K::PushButton, {284, 30, 70, 14}, "Help", "Show the help pages in the web browser"},
    {kAbout, K::PushButton, {359, 30, 70, 14}, "About", "Program name and version"},
    {kBlur, K::CheckBox, {222, 53, 27, 10}, "Blur", "Soften the picture"},
    {kBlurSettings, K::PushButton, {273, 51, 12, 11}, "...", "Blur strength"},
    {kBrightness, K::CheckBox, {222, 68, 46, 10}, "Brightness", "Brightness of red, green and blue"},
    {kBrightnessSettings, K::PushButton, {273, 66, 12, 11}, "...", "Brightness per colour channel"},
    {kContrast, K::CheckBox, {222, 83, 46, 10}, "Contrast", "Contrast of red, green and blue"},
    {kContrastSettings, K::PushButton, {273, 81, 12, 11}, "...", "Contrast per colour channel"},
    {kHsb, K::CheckBox, {222, 98, 50, 10}, "Hue/Sat", "Hue, saturation and brightness"},
    {kHsbSettings, K::PushButton, {273, 96, 12, 11}, "...", "Hue, saturation and brightness"},
    {kInvertRed, K::CheckBox, {222, 112, 57, 10}, "Invert red", "Turn the red channel into its negative"},
    {kInvertGreen, K::CheckBox, {222, 127, 57, 10}, "Invert green", "Turn the green channel into its negative"},
    {kInvertBlue, K::CheckBox, {222, 142, 57, 10}, "Invert blue", "Turn the blue channel into its negative"},
    {kGreyScale, K::CheckBox, {222, 156, 50, 10}, "Grey scale", "Remove the colour"},
    {kSharpen, K::CheckBox, {222, 170, 43, 10}, "Sharpen", "Make edges crisper"},
    {kEmboss, K::CheckBox, {222, 184, 42, 10}, "Emboss", "Relief effect"},
    {kLoadConfiguration, K::PushButton, {313, 87, 88, 14}, "Load profile...", "Load corrections from a .qmx file"},
    {kSaveConfiguration, K::PushButton, {313, 108, 88, 14}, "Save profile...", "Save the corrections as a .qmx file"},
    {kSave, K::PushButton, {7, 281, 70, 14}, "Save", "Save the corrected picture under its name"},
    {kSaveAs, K::PushButton, {133, 281, 70, 14}, "Save as...", "Save the corrected picture under a new name"},
    {kOriginalGroup, K::GroupBox, {7, 7, 200, 133}, "Original", ""},
    {kOriginalPane, K::Pane, {11, 16, 192, 119}, "", "The picture as taken; with Crop on, drag the frame"},
    {kProcessedGroup, K::GroupBox, {7, 142, 200, 133}, "Result", ""},
    {kProcessedPane, K::Pane, {11, 152, 192, 119}, "", "The corrected picture; drag the edited light area"},
    {kCrop, K::CheckBox, {222, 199, 31, 10}, "Crop", "Keep only the framed part of the original"},
    {kLight1, K::CheckBox, {222, 213, 35, 10}, "Light 1", "Pull light area 1 towards its colour"},
    {kEditLight1, K::CheckBox, {264, 213, 49, 10}, "Edit area", "Show and move light area 1"},
    {kLight2, K::CheckBox, {222, 227, 35, 10}, "Light 2", "Pull light area 2 towards its colour"},
    {kEditLight2, K::CheckBox, {264, 227, 49, 10}, "Edit area", "Show and move light area 2"},
    {kLight3, K::CheckBox, {222, 241, 35, 10}, "Light 3", "Pull light area 3 towards its colour"},
    {kEditLight3, K::CheckBox, {264, 241, 49, 10}, "Edit area", "Show and move light area 3"},
    {kLightColor1, K::Swatch, {325, 213, 42, 10}, "", "Colour of light 1: click to choose"},
    {kLightColor2, K::Swatch, {325, 227, 42, 10}, "", "Colour of light 2: click to choose"},
    {kLightColor3, K::Swatch, {325, 241, 42, 10}, "", "Colour of light 3: click to choose"},
    {kResizeGroup, K::GroupBox, {218, 251, 106, 36}, "", ""},
    {kResize, K::CheckBox, {222, 266, 40, 10}, "Resize", "Scale the result to the width and height given"},
    {kSizeXLabel, K::Label, {267, 259, 11, 8}, "W", ""},
    {kSizeX, K::Edit, {281, 256, 40, 12}, "", "Width in pixels"},
    {kSizeYLabel, K::Label, {267, 275, 11, 8}, "H", ""},
    {kSizeY, K::Edit, {281, 273, 40, 12}, "", "Height in pixels"},
    {kAddText, K::PushButton, {300, 141, 36, 13}, "Text...", "Write text into the picture"},
    {kRotateGroup, K::GroupBox, {329, 251, 90, 36}, "Rotate", ""},
    {kRotateLeft, K::PushButton, {332, 264, 36, 13}, "Left", "Turn the result a quarter turn to the left"},
    {kRotateRight, K::PushButton, {379, 264, 36, 13}, "Right", "Turn the result a quarter turn to the right"},
}};

}  // namespace

Rect MapDialogRect(const DluRect& rect) {
    return Rect{DluToPixelsX(rect.x), DluToPixelsY(rect.y), DluToPixelsX(rect.x + rect.width),
                DluToPixelsY(rect.y + rect.height)};
}

std::span<const ControlTemplate> MainTemplate() {
    return kControls;
}

const ControlTemplate* FindControl(int id) {
    for (const ControlTemplate& control : kControls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

}  // namespace dlg
