#pragma once
// Integer conversion between RGB and hue, luminance and saturation on the 0..240 scale (HLSMAX 240, RGBMAX 255, hue
// 160 for greys, C integer division throughout), the classic published algorithm. Colour values carry red in the low
// byte, green in the second and blue in the third.

#include <cstdint>

struct HLS {
    std::uint16_t hue = 0;
    std::uint16_t luminance = 0;
    std::uint16_t saturation = 0;
};

HLS ColorRGBToHLS(std::uint32_t rgb);

// Hue is taken modulo 240, so 240..360 close the colour wheel. Values beyond 0..240 for luminance or saturation (only
// reachable from hand-edited profiles) are computed without overflow and each channel keeps its low byte.
std::uint32_t ColorHLSToRGB(std::uint16_t hue, std::uint16_t luminance, std::uint16_t saturation);

inline constexpr std::uint32_t MakeRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return std::uint32_t{r} | (std::uint32_t{g} << 8) | (std::uint32_t{b} << 16);
}
