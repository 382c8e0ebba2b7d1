#pragma once
// The settings a V4L2 camera offers of its own (brightness, contrast, saturation, hue, gain, exposure, white balance,
// focus, pan, tilt, zoom), read from and written to the device node with the V4L2 control calls. A node is opened for
// the controls alone, beside the capture that streams from it. A device without a node (the test cameras), a node
// that cannot be opened and a device that answers no control call all offer no controls.

#include <cstdint>
#include <string>
#include <vector>

#include "base/Status.h"

struct CameraControl {
    enum class Kind { Slider, CheckBox };
    std::uint32_t id = 0;  // the V4L2 control id
    std::string name;      // as the device names it ("Brightness")
    Kind kind = Kind::Slider;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t step = 1;
    std::int32_t defaultValue = 0;
    std::int32_t value = 0;
    // For a check box: the values of on and off (exposure's automatic mode is a menu of modes on the device).
    std::int32_t onValue = 1;
    std::int32_t offValue = 0;
};

class V4l2Controls {
public:
    V4l2Controls() = default;
    ~V4l2Controls();
    V4l2Controls(const V4l2Controls&) = delete;
    V4l2Controls& operator=(const V4l2Controls&) = delete;

    // Opens the node; the message names it and the cause when it cannot be opened.
    Status Open(const std::string& path);
    bool IsOpen() const { return m_nFd >= 0; }

    // The controls of the list above that the device offers and has not disabled, with their current values.
    std::vector<CameraControl> List() const;
    // Reads or sets one control; false when the device refuses.
    bool Get(std::uint32_t id, std::int32_t& value) const;
    Status Set(std::uint32_t id, std::int32_t value);

private:
    int m_nFd = -1;
    std::string m_strPath;
};

// The V4L2 ids of pan, tilt and zoom (absolute), read for the camera window's status line.
std::uint32_t PanControlId();
std::uint32_t TiltControlId();
std::uint32_t ZoomControlId();
