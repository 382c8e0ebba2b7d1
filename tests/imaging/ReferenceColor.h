#pragma once
// Straightforward versions of the colour conversion and the colour stages: plain per-pixel loops over PixelAt,
// written line by line from the algorithm text, with no tables and no threads. The fast code is compared with these.
// Any signed 32-bit effect value is accepted: products are held in 64 bits, which every such value fits.

#include <cstdint>

#include "imaging/BMP_File.h"
#include "imaging/ColorHLS.h"

namespace reference {

HLS RgbToHls(std::uint32_t rgb);
std::uint32_t HlsToRgb(std::uint16_t h, std::uint16_t l, std::uint16_t s);

void GreyScale(BMP_File& image);
// channel 0 red, 1 green, 2 blue
void Invert(BMP_File& image, int channel);
void Hsb(BMP_File& image, std::int32_t hue, std::int32_t saturation, std::int32_t brightness);
void Contrast(BMP_File& image, std::int32_t r, std::int32_t g, std::int32_t b);
void Brightness(BMP_File& image, std::int32_t r, std::int32_t g, std::int32_t b);

}  // namespace reference
