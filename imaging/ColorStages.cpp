#include "imaging/ColorStages.h"

#include "imaging/ColorSweep.h"
#include "imaging/CpuLevel.h"

void GreyScaleStage(BMP_File& image, int threads) {
    ColorOps ops;
    ops.greyScale = true;
    ColorPass(image, ops, threads);
}

void InvertStage(BMP_File& image, int channel, int threads) {
    ColorOps ops;
    ops.invertRed = channel == 0;
    ops.invertGreen = channel == 1;
    ops.invertBlue = channel == 2;
    ColorPass(image, ops, threads);
}

void HsbStage(BMP_File& image, std::int32_t hue, std::int32_t saturation, std::int32_t brightness, int threads) {
    ColorOps ops;
    ops.hsb = true;
    ops.hue = hue;
    ops.saturation = saturation;
    ops.hsbBrightness = brightness;
    ColorPass(image, ops, threads);
}

void ContrastStage(BMP_File& image, std::int32_t red, std::int32_t green, std::int32_t blue, int threads) {
    ColorOps ops;
    ops.contrast = true;
    ops.contrastRed = red;
    ops.contrastGreen = green;
    ops.contrastBlue = blue;
    ColorPass(image, ops, threads);
}

void BrightnessStage(BMP_File& image, std::int32_t red, std::int32_t green, std::int32_t blue, int threads) {
    ColorOps ops;
    ops.brightness = true;
    ops.brightRed = red;
    ops.brightGreen = green;
    ops.brightBlue = blue;
    ColorPass(image, ops, threads);
}

void ColorPass(BMP_File& image, const ColorOps& ops, int threads) {
    ColorSweep(image, ops, threads, BestCpuLevel());
}
