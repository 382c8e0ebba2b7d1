#pragma once
// The five device choices kept in the per-user store, not in profiles: the camera's frame size and frame period and
// the names of the chosen scanner and camera sources. Read when the main window is constructed, written when it is
// destroyed.

#include <cstdint>
#include <string>

class UserStore;

struct DeviceChoices {
    std::int32_t m_nCameraSizeX = 320;
    std::int32_t m_nCameraSizeY = 240;
    std::int64_t m_nCameraFramePeriod = -1;  // 100-nanosecond units; 0 or less keeps the device's own rate
    std::string m_strScannerSrc;
    std::string m_strCameraSrc;

    // Fills the choices from the store as far as it holds them with the right types; the rest keep their values.
    void Read(UserStore& store);
    // Writes all five with their types and saves the store.
    void Write(UserStore& store) const;
};
