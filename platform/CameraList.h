#pragma once
// The video capture devices of this machine, as GStreamer's device monitor sees them (class "Video/Source"). The
// names are the devices' display names, the same names the camera window looks a device up by.

#include <chrono>
#include <string>
#include <vector>

#include "base/Status.h"

// Fills `names` with the display name of every video source, in the monitor's order. Initialises GStreamer when it
// is not yet. Fails with a message when the monitor cannot start. Device providers probe their devices when the
// monitor starts; `timeout` bounds how long the listing may take (a provider that hangs gives an error, not a hang).
Status ListCameraNames(std::vector<std::string>& names,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));
