#pragma once
// The formats a camera offers, read from its capabilities (GStreamer caps text), and the choice of the one to ask
// for: the stored frame size and frame period, or the device's nearest when it offers neither exactly.

#include <cstdint>
#include <string>
#include <vector>

struct CameraFormat {
    std::string media;   // "video/x-raw", "image/jpeg", ...
    std::string format;  // the pixel layout of raw video ("YUY2", "BGRx"); empty for compressed media
    int width = 0;
    int height = 0;
    int rateNum = 0;  // frames per second as rateNum / rateDen; 0 when the device leaves the rate open
    int rateDen = 1;

    // "YUY2 640 x 480, 30 fps", "MJPEG 1920 x 1080, 30 fps"; the rate part only when one is given.
    std::string Describe() const;
    // The average time per frame in 100-nanosecond units, 0 when no rate is given.
    std::int64_t FramePeriod() const;
    friend bool operator==(const CameraFormat&, const CameraFormat&) = default;
};

// Every single format in caps, in their order: lists of formats, sizes and rates are expanded; a size range offers
// the wanted size clamped into it, a rate range no fixed rate. Unparsable caps give none.
std::vector<CameraFormat> FormatsFromCaps(const std::string& capsText, int wantWidth = 320, int wantHeight = 240);

// The format to ask for: among offered, the first of the size nearest to width × height (exact when offered), and
// of those the rate nearest to framePeriod (100-ns units) when framePeriod > 0; otherwise the rate is left open.
// With nothing offered: raw video of exactly that size.
CameraFormat ChooseFormat(const std::vector<CameraFormat>& offered, int width, int height, std::int64_t framePeriod);

// The caps text that asks the device for format ("video/x-raw, format=(string)YUY2, width=(int)640, ...").
std::string RequestCaps(const CameraFormat& format);
