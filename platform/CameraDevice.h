#pragma once
// A video capture device found by its display name through GStreamer's device monitor (class "Video/Source"). The
// name is compared exactly, case included, as the source dialog stored it. Only platform/ sources include this header.

#include <gst/gst.h>

#include <string>

#include "base/Status.h"
#include "platform/GstHandles.h"

// Initialises GStreamer when it is not yet; the message names the cause when it cannot be.
Status EnsureGStreamer();

// The first device whose display name equals name, or null when none does (or the monitor cannot list).
gsthandles::ObjectPtr<GstDevice> FindCameraDevice(const std::string& name);

// The device's node for direct access (its "api.v4l2.path" or "device.path" property), empty when it has none.
std::string CameraDevicePath(GstDevice* device);
