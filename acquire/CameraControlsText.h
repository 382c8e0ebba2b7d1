#pragma once
// The camera controls' read-out shown in the camera window's status line: zoom, pan and tilt as the device reports
// them, each "- auto" while the device sets it itself.

#include <cstdint>
#include <string>

struct CameraControlValues {
    std::int32_t pan = 0;
    std::int32_t tilt = 0;
    std::int32_t zoom = 0;
    std::int32_t panAuto = 0;
    std::int32_t tiltAuto = 0;
    std::int32_t zoomAuto = 0;
};

// "Video     Zoom 100%    Pan 0    Tilt 0"; an automatic one reads "- auto" in place of its value.
std::string CameraControlsText(const CameraControlValues& values);
