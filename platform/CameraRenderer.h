#pragma once
// The last element of the camera's capture pipeline as the camera code sees it: the base that a frame renderer
// derives from. The capture (CameraCapture) calls its three operations:
// - CheckMediaType for the type the converter settled on; a renderer that refuses it gets no frames, and the capture
//   fails as if the device had;
// - SetMediaType once a type is agreed, before the first frame of that type;
// - DoRenderSample for every frame, on GStreamer's streaming thread, while the sample's bytes are mapped; they are
//   valid only during the call.
// Frames are top-down (row 0 is the top of the picture), 4 bytes a pixel in the order blue, green, red, unused
// ("BGRx", the byte order of QImage::Format_RGB32 on this machine), rows `stride` bytes apart. The capture hands over
// only samples that hold at least stride × height bytes with stride ≥ width × 4; others are refused and counted.
// None of the operations may throw.

#include <cstddef>
#include <cstdint>
#include <string>

struct VideoMediaType {
    std::string media;   // "video/x-raw" for uncompressed video
    std::string format;  // the pixel layout ("BGRx")
    int width = 0;
    int height = 0;
    int stride = 0;                 // bytes from one row to the next
    std::int64_t framePeriod = 0;   // 100-nanosecond units, 0 when the rate is not fixed
};

struct VideoSample {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    int width = 0;
    int height = 0;
    int stride = 0;
};

class CameraRendererBase {
public:
    virtual ~CameraRendererBase() = default;
    virtual bool CheckMediaType(const VideoMediaType& type) = 0;
    virtual void SetMediaType(const VideoMediaType& type) = 0;
    virtual void DoRenderSample(const VideoSample& sample) = 0;
};

// Whether sample may be read as width × height BGRx pixels at its stride without reading past its end.
bool SampleFits(const VideoSample& sample);
