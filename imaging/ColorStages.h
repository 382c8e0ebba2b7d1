#pragma once
// The per-pixel colour stages of the chain, in chain order: grey scale, invert red, invert green, invert blue,
// hue/saturation/brightness, contrast, brightness. Each has its own function; ColorPass runs any subset of them in
// one sweep over the picture with the same result as running them one after the other. Effect values run 0..100
// with 50 neutral; values outside that range (from hand-edited profiles) are computed without overflow.

#include <cstdint>

#include "imaging/BMP_File.h"

// v = (red + green + blue) ÷ 3 in all three channels.
void GreyScaleStage(BMP_File& image, int threads);

// channel 0 red, 1 green, 2 blue: c becomes 255 − c.
void InvertStage(BMP_File& image, int channel, int threads);

// Through ColorRGBToHLS and back, with hue, saturation and luminance moved toward 0 below 50 and toward 360 (hue) or
// 240 above it; fractions in single precision, products in double, truncated, results unsigned 16-bit.
void HsbStage(BMP_File& image, std::int32_t hue, std::int32_t saturation, std::int32_t brightness, int threads);

// v' = trunc((v − 128) × f) + 128 clamped to 0..255, f = ((n ÷ 100) − 0.5) × 2 + 1 held in single precision.
void ContrastStage(BMP_File& image, std::int32_t red, std::int32_t green, std::int32_t blue, int threads);

// v' = v + offset clamped to 0..255, offset = −150 − trunc((n ÷ 100) × (−300)) in double precision.
void BrightnessStage(BMP_File& image, std::int32_t red, std::int32_t green, std::int32_t blue, int threads);

// Which colour stages run, and their values.
struct ColorOps {
    bool greyScale = false;
    bool invertRed = false;
    bool invertGreen = false;
    bool invertBlue = false;
    bool hsb = false;
    std::int32_t hue = 50, saturation = 50, hsbBrightness = 50;
    bool contrast = false;
    std::int32_t contrastRed = 50, contrastGreen = 50, contrastBlue = 50;
    bool brightness = false;
    std::int32_t brightRed = 50, brightGreen = 50, brightBlue = 50;

    bool AnyOn() const { return greyScale || invertRed || invertGreen || invertBlue || hsb || contrast || brightness; }
};

// Runs the enabled stages of ops in chain order in one sweep.
void ColorPass(BMP_File& image, const ColorOps& ops, int threads);
