#include "platform/V4l2Controls.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// The controls shown, in the order shown.
constexpr std::uint32_t kShown[] = {
    V4L2_CID_BRIGHTNESS,
    V4L2_CID_CONTRAST,
    V4L2_CID_SATURATION,
    V4L2_CID_HUE,
    V4L2_CID_GAIN,
    V4L2_CID_EXPOSURE_AUTO,
    V4L2_CID_EXPOSURE_ABSOLUTE,
    V4L2_CID_AUTO_WHITE_BALANCE,
    V4L2_CID_WHITE_BALANCE_TEMPERATURE,
    V4L2_CID_FOCUS_AUTO,
    V4L2_CID_FOCUS_ABSOLUTE,
    V4L2_CID_PAN_ABSOLUTE,
    V4L2_CID_TILT_ABSOLUTE,
    V4L2_CID_ZOOM_ABSOLUTE,
};

int Ioctl(int fd, unsigned long request, void* argument) {
    int result = 0;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result == -1 && errno == EINTR);
    return result;
}

}  // namespace

V4l2Controls::~V4l2Controls() {
    if (m_nFd >= 0) ::close(m_nFd);
}

Status V4l2Controls::Open(const std::string& path) {
    if (m_nFd >= 0) ::close(m_nFd);
    m_nFd = -1;
    m_strPath = path;
    if (path.empty()) return Status::Error("camera: the device has no node for its controls");
    m_nFd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_nFd < 0) return Status::Error(path + ": " + std::strerror(errno));
    return Status::Ok();
}

std::vector<CameraControl> V4l2Controls::List() const {
    std::vector<CameraControl> controls;
    if (m_nFd < 0) return controls;
    for (std::uint32_t id : kShown) {
        v4l2_queryctrl query{};
        query.id = id;
        if (Ioctl(m_nFd, VIDIOC_QUERYCTRL, &query) != 0 || (query.flags & V4L2_CTRL_FLAG_DISABLED) != 0) continue;
        CameraControl control;
        control.id = id;
        control.name.assign(reinterpret_cast<const char*>(query.name),
                            strnlen(reinterpret_cast<const char*>(query.name), sizeof query.name));
        control.minimum = query.minimum;
        control.maximum = query.maximum;
        control.step = query.step > 0 ? query.step : 1;
        control.defaultValue = query.default_value;
        if (query.type == V4L2_CTRL_TYPE_BOOLEAN) {
            control.kind = CameraControl::Kind::CheckBox;
        } else if (id == V4L2_CID_EXPOSURE_AUTO) {
            control.kind = CameraControl::Kind::CheckBox;
            control.onValue = V4L2_EXPOSURE_APERTURE_PRIORITY;
            control.offValue = V4L2_EXPOSURE_MANUAL;
        } else if (query.type != V4L2_CTRL_TYPE_INTEGER) {
            continue;
        }
        if (!Get(id, control.value)) control.value = control.defaultValue;
        controls.push_back(std::move(control));
    }
    return controls;
}

bool V4l2Controls::Get(std::uint32_t id, std::int32_t& value) const {
    if (m_nFd < 0) return false;
    v4l2_control control{};
    control.id = id;
    if (Ioctl(m_nFd, VIDIOC_G_CTRL, &control) != 0) return false;
    value = control.value;
    return true;
}

Status V4l2Controls::Set(std::uint32_t id, std::int32_t value) {
    if (m_nFd < 0) return Status::Error("camera: no device is open for its controls");
    v4l2_control control{};
    control.id = id;
    control.value = value;
    if (Ioctl(m_nFd, VIDIOC_S_CTRL, &control) != 0) return Status::Error(m_strPath + ": " + std::strerror(errno));
    return Status::Ok();
}

std::uint32_t PanControlId() {
    return V4L2_CID_PAN_ABSOLUTE;
}
std::uint32_t TiltControlId() {
    return V4L2_CID_TILT_ABSOLUTE;
}
std::uint32_t ZoomControlId() {
    return V4L2_CID_ZOOM_ABSOLUTE;
}
