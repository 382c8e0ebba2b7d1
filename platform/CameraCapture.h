#pragma once
// The capture pipeline of one camera: the device's own source element, a caps filter asking for the chosen format,
// a JPEG decoder when the device sends JPEG, videoconvert, and an application sink that hands BGRx frames to a
// CameraRendererBase. Every GStreamer object is owned here and released by Stop or the destructor.
//
// Start looks the device up by its display name, builds and runs the pipeline and returns when the renderer has
// agreed a media type (SetMediaType has run), or with the first failure, or after the timeout. Failures while running
// (an unplugged camera posts an error on the bus) come from a bus watch on a thread of the capture's own and are told
// to the listener once per run, on that thread. Stop sets the pipeline to NULL, which waits until the streaming thread
// has left the renderer; no renderer call runs after Stop returns.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/CameraFormats.h"

class CameraRendererBase;

struct CameraFailure {
    enum class Kind {
        None,
        NoGStreamer,    // GStreamer could not be initialised
        NotFound,       // no device of that name
        NoConverter,    // videoconvert (or the JPEG decoder) is not installed
        NoSource,       // the device gave no source element
        NoPipeline,     // the elements could not be linked: no common format
        Busy,           // the device is held by another program
        Refused,        // the renderer refused the media type
        Failed,         // any other error from the device or the pipeline
        Timeout,        // no media type agreed in time
    };
    Kind kind = Kind::None;
    unsigned code = 0;    // the GStreamer error code for Busy and Failed
    std::string text;     // the cause, in GStreamer's words where it gave one

    explicit operator bool() const { return kind != Kind::None; }
};

class CameraCapture {
public:
    using FailureListener = std::function<void(const CameraFailure&)>;

    explicit CameraCapture(CameraRendererBase& renderer);
    ~CameraCapture();
    CameraCapture(const CameraCapture&) = delete;
    CameraCapture& operator=(const CameraCapture&) = delete;

    // Called on the bus thread with the first failure of a running capture (after Start has succeeded).
    void SetFailureListener(FailureListener listener);

    // Opens deviceName asking for format (see ChooseFormat) and runs it. A capture already running is stopped first.
    CameraFailure Start(const std::string& deviceName, const CameraFormat& format,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The format Start would ask deviceName for, for the stored size and period; empty media when no such device.
    static CameraFormat FormatFor(const std::string& deviceName, int width, int height, std::int64_t framePeriod);
    void Stop();

    bool IsRunning() const;
    // What the open device offers (from its caps), the format asked for, and its node for direct control access
    // (empty when it has none).
    std::vector<CameraFormat> OfferedFormats() const;
    CameraFormat RequestedFormat() const;
    std::string DevicePath() const;
    // Frames refused because their mapped bytes did not hold width × height BGRx pixels.
    std::uint64_t RefusedFrames() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
