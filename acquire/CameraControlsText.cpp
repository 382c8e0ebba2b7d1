#include "acquire/CameraControlsText.h"

#include <cstdio>

std::string CameraControlsText(const CameraControlValues& v) {
    char text[160];
    if (v.panAuto == 0 && v.tiltAuto == 0 && v.zoomAuto == 0) {
        std::snprintf(text, sizeof text, "Video     Zoom %d%%    Pan %d    Tilt %d", v.zoom, v.pan, v.tilt);
        return text;
    }
    char zoom[24];
    char pan[24];
    char tilt[24];
    if (v.zoomAuto != 0) std::snprintf(zoom, sizeof zoom, "- auto"); else std::snprintf(zoom, sizeof zoom, "%d%%", v.zoom);
    if (v.panAuto != 0) std::snprintf(pan, sizeof pan, "- auto"); else std::snprintf(pan, sizeof pan, "%d", v.pan);
    if (v.tiltAuto != 0) std::snprintf(tilt, sizeof tilt, "- auto"); else std::snprintf(tilt, sizeof tilt, "%d", v.tilt);
    std::snprintf(text, sizeof text, "Video     Zoom %s    Pan %s    Tilt %s", zoom, pan, tilt);
    return text;
}
