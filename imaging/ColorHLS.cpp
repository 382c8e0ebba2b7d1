#include "imaging/ColorHLS.h"

#include <algorithm>

namespace {

// The scale of hue, luminance and saturation, and of a colour channel.
constexpr std::int64_t kHlsMax = 240;
constexpr std::int64_t kRgbMax = 255;
// The hue reported for greys, where hue has no meaning.
constexpr std::int64_t kUndefinedHue = kHlsMax * 2 / 3;

// One channel of the way back: n1 and n2 are the two "magic" levels, hue is one third of the wheel away from the
// channel's own. Signed 64-bit, so levels from out-of-range luminance or saturation neither overflow nor lose their
// sign; division truncates toward zero as in C.
std::int64_t HueToRGB(std::int64_t n1, std::int64_t n2, std::int64_t hue) {
    if (hue < 0) hue += kHlsMax;
    if (hue > kHlsMax) hue -= kHlsMax;
    if (hue < kHlsMax / 6) return n1 + ((n2 - n1) * hue + kHlsMax / 12) / (kHlsMax / 6);
    if (hue < kHlsMax / 2) return n2;
    if (hue < kHlsMax * 2 / 3) return n1 + ((n2 - n1) * (kHlsMax * 2 / 3 - hue) + kHlsMax / 12) / (kHlsMax / 6);
    return n1;
}

// A packed colour value keeps the low byte of each channel.
std::uint32_t Pack(std::int64_t r, std::int64_t g, std::int64_t b) {
    return MakeRGB(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
}

}  // namespace

HLS ColorRGBToHLS(std::uint32_t rgb) {
    const std::int64_t r = rgb & 0xFF;
    const std::int64_t g = (rgb >> 8) & 0xFF;
    const std::int64_t b = (rgb >> 16) & 0xFF;
    const std::int64_t cMax = std::max({r, g, b});
    const std::int64_t cMin = std::min({r, g, b});

    HLS hls;
    const std::int64_t l = ((cMax + cMin) * kHlsMax + kRgbMax) / (2 * kRgbMax);
    hls.luminance = static_cast<std::uint16_t>(l);
    if (cMax == cMin) {
        hls.saturation = 0;
        hls.hue = static_cast<std::uint16_t>(kUndefinedHue);
        return hls;
    }

    const std::int64_t sum = cMax + cMin;
    const std::int64_t spread = cMax - cMin;
    const std::int64_t s = l <= kHlsMax / 2 ? (spread * kHlsMax + sum / 2) / sum
                                            : (spread * kHlsMax + (2 * kRgbMax - sum) / 2) / (2 * kRgbMax - sum);
    const auto delta = [&](std::int64_t c) { return ((cMax - c) * (kHlsMax / 6) + spread / 2) / spread; };
    const std::int64_t rDelta = delta(r);
    const std::int64_t gDelta = delta(g);
    const std::int64_t bDelta = delta(b);

    std::int64_t h;
    if (r == cMax) {
        h = bDelta - gDelta;
    } else if (g == cMax) {
        h = kHlsMax / 3 + rDelta - bDelta;
    } else {
        h = kHlsMax * 2 / 3 + gDelta - rDelta;
    }
    if (h < 0) h += kHlsMax;
    if (h > kHlsMax) h -= kHlsMax;

    hls.hue = static_cast<std::uint16_t>(h);
    hls.saturation = static_cast<std::uint16_t>(s);
    return hls;
}

std::uint32_t ColorHLSToRGB(std::uint16_t hue, std::uint16_t luminance, std::uint16_t saturation) {
    const std::int64_t h = hue % kHlsMax;
    const std::int64_t l = luminance;
    const std::int64_t s = saturation;
    if (s == 0) {
        const std::int64_t grey = l * kRgbMax / kHlsMax;
        return Pack(grey, grey, grey);
    }
    const std::int64_t magic2 =
        l <= kHlsMax / 2 ? (l * (kHlsMax + s) + kHlsMax / 2) / kHlsMax : l + s - (l * s + kHlsMax / 2) / kHlsMax;
    const std::int64_t magic1 = 2 * l - magic2;
    const auto channel = [&](std::int64_t channelHue) {
        return (HueToRGB(magic1, magic2, channelHue) * kRgbMax + kHlsMax / 2) / kHlsMax;
    };
    return Pack(channel(h + kHlsMax / 3), channel(h), channel(h - kHlsMax / 3));
}
