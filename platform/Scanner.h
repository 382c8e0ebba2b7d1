#pragma once
// The scanner layer's small interface: the installed sources of a scanner system and one open source, with the
// operations the scan command needs (colour mode, physical size, scan area, feeder, frames of a page). SaneScanner.h
// puts SANE behind it; tests put a fake device behind it where no real one can behave as they need (a network
// scanner that dies in the middle of a page).
//
// Every result is a ScanCode: 0 for success, otherwise a library code of ScanCodes.h (-57 with a condition code),
// so the texts shown to the user are the same whatever stands behind the interface.
//
// Geometry is in thousandths of the source's own unit of length (millimetres for most SANE backends), as integers.
// Frames follow SANE's model: parameters are known only after Start; `lines` may be -1 (hand and sheet-fed
// scanners, the height is known at the end of the frame); a colour page comes as one RGB frame or as three frames
// (red, green, blue); depths 1, 8 and 16 (16-bit samples in the machine's byte order); reads are not row-aligned.
// No Qt.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Resolution.h"

// A library code (0 success, negative failure) and, for -57, the condition code that says more.
struct ScanCode {
    std::int32_t code = 0;
    std::int32_t condition = 0;

    bool ok() const { return code == 0; }
    bool operator==(const ScanCode&) const = default;
};

enum class FrameFormat { Gray, Rgb, Red, Green, Blue };

struct FrameParams {
    FrameFormat format = FrameFormat::Rgb;
    bool lastFrame = true;
    std::int32_t bytesPerLine = 0;
    std::int32_t pixelsPerLine = 0;
    std::int32_t lines = 0;  // -1: not known before the frame ends
    std::int32_t depth = 8;  // bits per sample: 1, 8 or 16
    Resolution resolution;   // as the source reads it back once started; unknown (0) without a resolution option
};

// A scan rectangle in thousandths of the source's unit.
struct ScanArea {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const ScanArea&) const = default;
};

// One open source. Cancel may be called from any thread, also while another thread is inside Read; every other
// operation belongs to one thread at a time. Destroying the object closes the source.
class IScannerDevice {
public:
    virtual ~IScannerDevice() = default;

    // The colour pixel type: the backend's colour mode. A source without a mode choice is left as it is.
    virtual ScanCode SetColorMode() = 0;
    // The scan bed, in thousandths of the source's unit; -57 with condition 6 when the source cannot tell.
    virtual ScanCode GetPhysicalSize(std::int32_t& width, std::int32_t& height) = 0;
    // The area of the next pages; values outside the bed are brought inside it.
    virtual ScanCode SetScanArea(const ScanArea& area) = 0;
    // The document feeder as the source of the next pages; `found` is false (and nothing changes) without one.
    virtual ScanCode SelectFeeder(bool& found) = 0;
    // Any option by its name, the value as text ("yes", "12", "12.5", "Color"), read back after the backend's
    // rounding into `applied` when given.
    virtual ScanCode SetOption(const std::string& name, const std::string& value, std::string* applied = nullptr) = 0;

    // Starts the next frame and tells its parameters, the resolution the source really scans at included.
    virtual ScanCode Start(FrameParams& params) = 0;
    // Reads up to `capacity` bytes of the frame into data. `length` 0 with endOfFrame true: the frame is complete.
    virtual ScanCode Read(std::uint8_t* data, std::int32_t capacity, std::int32_t& length, bool& endOfFrame) = 0;
    // Ends the page, or breaks off a page in progress.
    virtual void Cancel() = 0;
};

// The scanner system: listing and opening sources. Methods may block (network scanners); ListSources bounds its
// wait and answers -34 ("Function timed out") when the system does not.
class IScannerSystem {
public:
    virtual ~IScannerSystem() = default;
    virtual ScanCode ListSources(std::vector<std::string>& names) = 0;
    virtual ScanCode Open(const std::string& name, std::shared_ptr<IScannerDevice>& device) = 0;
};
