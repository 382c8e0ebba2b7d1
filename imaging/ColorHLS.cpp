#include "imaging/ColorHLS.h"
HLS ColorRGBToHLS(std::uint32_t) { return {}; }
std::uint32_t ColorHLSToRGB(std::uint16_t, std::uint16_t, std::uint16_t) { return 0; }
