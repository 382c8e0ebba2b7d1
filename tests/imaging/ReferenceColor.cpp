#include "tests/imaging/ReferenceColor.h"

#include <cmath>

namespace reference {

namespace {

constexpr std::int64_t HLSMAX = 240;
constexpr std::int64_t RGBMAX = 255;
constexpr std::int64_t UNDEFINED = HLSMAX * 2 / 3;

std::int64_t HueToRgb(std::int64_t n1, std::int64_t n2, std::int64_t hue) {
    if (hue < 0) hue += HLSMAX;
    if (hue > HLSMAX) hue -= HLSMAX;
    if (hue < HLSMAX / 6) return n1 + (((n2 - n1) * hue + HLSMAX / 12) / (HLSMAX / 6));
    if (hue < HLSMAX / 2) return n2;
    if (hue < HLSMAX * 2 / 3) return n1 + (((n2 - n1) * (HLSMAX * 2 / 3 - hue) + HLSMAX / 12) / (HLSMAX / 6));
    return n1;
}

// The values in these stages are at most about 2^31 × 720, so truncation through 64 bits is defined.
std::int64_t Trunc(double x) {
    return static_cast<std::int64_t>(std::trunc(x));
}

std::uint8_t Clamp(std::int64_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

std::uint8_t& Channel(Pixel& p, int channel) {
    return channel == 0 ? p.r : channel == 1 ? p.g : p.b;
}

}  // namespace

HLS RgbToHls(std::uint32_t rgb) {
    const std::int64_t R = rgb & 0xFF;
    const std::int64_t G = (rgb >> 8) & 0xFF;
    const std::int64_t B = (rgb >> 16) & 0xFF;
    const std::int64_t cMax = std::max(std::max(R, G), B);
    const std::int64_t cMin = std::min(std::min(R, G), B);
    std::int64_t H, S;
    const std::int64_t L = ((cMax + cMin) * HLSMAX + RGBMAX) / (2 * RGBMAX);
    if (cMax == cMin) {
        S = 0;
        H = UNDEFINED;
    } else {
        if (L <= HLSMAX / 2)
            S = ((cMax - cMin) * HLSMAX + (cMax + cMin) / 2) / (cMax + cMin);
        else
            S = ((cMax - cMin) * HLSMAX + (2 * RGBMAX - cMax - cMin) / 2) / (2 * RGBMAX - cMax - cMin);
        const std::int64_t Rdelta = ((cMax - R) * (HLSMAX / 6) + (cMax - cMin) / 2) / (cMax - cMin);
        const std::int64_t Gdelta = ((cMax - G) * (HLSMAX / 6) + (cMax - cMin) / 2) / (cMax - cMin);
        const std::int64_t Bdelta = ((cMax - B) * (HLSMAX / 6) + (cMax - cMin) / 2) / (cMax - cMin);
        if (R == cMax)
            H = Bdelta - Gdelta;
        else if (G == cMax)
            H = HLSMAX / 3 + Rdelta - Bdelta;
        else
            H = 2 * HLSMAX / 3 + Gdelta - Rdelta;
        if (H < 0) H += HLSMAX;
        if (H > HLSMAX) H -= HLSMAX;
    }
    return HLS{static_cast<std::uint16_t>(H), static_cast<std::uint16_t>(L), static_cast<std::uint16_t>(S)};
}

std::uint32_t HlsToRgb(std::uint16_t h, std::uint16_t l, std::uint16_t s) {
    const std::int64_t H = h % HLSMAX;
    const std::int64_t L = l;
    const std::int64_t S = s;
    std::int64_t R, G, B;
    if (S == 0) {
        R = G = B = L * RGBMAX / HLSMAX;
    } else {
        std::int64_t Magic2;
        if (L <= HLSMAX / 2)
            Magic2 = (L * (HLSMAX + S) + HLSMAX / 2) / HLSMAX;
        else
            Magic2 = L + S - (L * S + HLSMAX / 2) / HLSMAX;
        const std::int64_t Magic1 = 2 * L - Magic2;
        R = (HueToRgb(Magic1, Magic2, H + HLSMAX / 3) * RGBMAX + HLSMAX / 2) / HLSMAX;
        G = (HueToRgb(Magic1, Magic2, H) * RGBMAX + HLSMAX / 2) / HLSMAX;
        B = (HueToRgb(Magic1, Magic2, H - HLSMAX / 3) * RGBMAX + HLSMAX / 2) / HLSMAX;
    }
    // A packed colour value keeps the low byte of each channel.
    return static_cast<std::uint32_t>(R & 0xFF) | static_cast<std::uint32_t>(G & 0xFF) << 8 |
           static_cast<std::uint32_t>(B & 0xFF) << 16;
}

void GreyScale(BMP_File& image) {
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            Pixel& p = image.PixelAt(x, y);
            const int v = (p.r + p.g + p.b) / 3;
            p.r = p.g = p.b = static_cast<std::uint8_t>(v);
        }
    }
}

void Invert(BMP_File& image, int channel) {
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            std::uint8_t& c = Channel(image.PixelAt(x, y), channel);
            c = static_cast<std::uint8_t>(255 - c);
        }
    }
}

void Hsb(BMP_File& image, std::int32_t hue, std::int32_t saturation, std::int32_t brightness) {
    const float fh = static_cast<float>(hue / 100.0);
    const float fs = static_cast<float>(saturation / 100.0);
    const float fb = static_cast<float>(brightness / 100.0);
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            Pixel& p = image.PixelAt(x, y);
            const std::uint32_t rgb = std::uint32_t{p.r} | std::uint32_t{p.g} << 8 | std::uint32_t{p.b} << 16;
            const HLS hls = RgbToHls(rgb);
            const double H = hls.hue, L = hls.luminance, S = hls.saturation;
            std::int64_t newH, newS, newL;
            if (fh < 0.5)
                newH = Trunc(double{fh} * 2 * H);
            else
                newH = hls.hue + Trunc((double{fh} - 0.5) * 2 * (360 - H));
            if (fs < 0.5)
                newS = Trunc(double{fs} * 2 * S);
            else
                newS = hls.saturation + Trunc((double{fs} - 0.5) * 2 * (240 - S));
            if (fb < 0.5)
                newL = Trunc(double{fb} * 2 * L);
            else
                newL = hls.luminance + Trunc((double{fb} - 0.5) * 2 * (240 - L));
            const std::uint32_t out = HlsToRgb(static_cast<std::uint16_t>(newH), static_cast<std::uint16_t>(newL),
                                               static_cast<std::uint16_t>(newS));
            p.r = static_cast<std::uint8_t>(out);
            p.g = static_cast<std::uint8_t>(out >> 8);
            p.b = static_cast<std::uint8_t>(out >> 16);
        }
    }
}

void Contrast(BMP_File& image, std::int32_t r, std::int32_t g, std::int32_t b) {
    const std::int32_t values[3] = {r, g, b};
    float f[3];
    for (int c = 0; c < 3; ++c) f[c] = static_cast<float>(((values[c] / 100.0) - 0.5) * 2 + 1);
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            Pixel& p = image.PixelAt(x, y);
            for (int c = 0; c < 3; ++c) {
                std::uint8_t& v = Channel(p, c);
                v = Clamp(Trunc((v - 128) * double{f[c]}) + 128);
            }
        }
    }
}

void Brightness(BMP_File& image, std::int32_t r, std::int32_t g, std::int32_t b) {
    const std::int32_t values[3] = {r, g, b};
    std::int64_t offset[3];
    for (int c = 0; c < 3; ++c) offset[c] = -150 - Trunc((values[c] / 100.0) * (-300));
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            Pixel& p = image.PixelAt(x, y);
            for (int c = 0; c < 3; ++c) {
                std::uint8_t& v = Channel(p, c);
                v = Clamp(v + offset[c]);
            }
        }
    }
}

}  // namespace reference
