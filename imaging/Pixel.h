#pragma once
// One colour sample: three bytes in the order red, green, blue, 0..255 each, no alpha and no padding. Blue-green-red
// order exists only in BMP files, device bitmaps and camera frames and is converted at those borders.

#include <cstdint>

struct Pixel {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(const Pixel&, const Pixel&) = default;
};

static_assert(sizeof(Pixel) == 3, "Pixel rows are unpadded runs of three bytes");
