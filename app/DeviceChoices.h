#pragma once
// The five device choices kept in the per-user store, not in profiles: the camera's frame size and frame period and
// the names of the chosen scanner and camera sources. Read when the main window is constructed, written when it is
// destroyed, both on the store at UserStore::DefaultPath(); lumivane-cli only reads the scanner name from it (the
// default source of `scan`) and never writes it.
//
// Keys: "Software\Tessary\Lumivane\Settings" holds "WEB Camera Size X" and "WEB Camera Size Y" (32-bit numbers,
// taken only as a pair) and "WEB Camera Frequency" (64-bit number); "Software\Tessary\Lumivane\TwainSources" holds
// "Scanner Twain Src" and "Camera DShow Src" (strings; expandable strings are read as they stand). Failures are
// silent: whatever cannot be read or written keeps its value.

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
    // Creates the Settings key (in the file at once); when that fails nothing is read, the names included. The
    // TwainSources key is only opened.
    void Read(UserStore& store);
    // Writes all five with their types and saves the store. The numbers go only into an existing Settings key; the
    // TwainSources key is created when missing, and empty names are written as empty strings.
    void Write(UserStore& store) const;
};
