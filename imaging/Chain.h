#pragma once
// The chain of corrections: up to 16 stages in a fixed order, each only when it is switched on, each working on the
// picture as the one before left it: crop, resize, emboss, sharpen, grey scale, invert red, green, blue,
// hue/saturation/brightness, contrast, brightness, blur, light 1, 2, 3, rotate. Rectangles are in pane pixels and are
// scaled to the picture with the outer size of the processed pane.

#include <atomic>
#include <cstdint>

#include "imaging/BMP_File.h"
#include "imaging/ColorStages.h"
#include "imaging/Rect.h"

struct ChainLight {
    bool on = false;
    Rect rect;
    std::int32_t red = 255, green = 255, blue = 255;
};

struct ChainParams {
    Size pane;  // outer size of the processed pane

    bool crop = false;
    Rect rcCrop;
    bool resize = false;
    std::uint32_t sizeX = 400, sizeY = 300;
    bool emboss = false;
    bool sharpen = false;
    ColorOps color;  // grey scale, the inversions, hue/saturation/brightness, contrast, brightness
    bool blur = false;
    std::int32_t blurSize = 5;
    ChainLight lights[3];
    std::int32_t rotate = 0;  // clockwise quarter turns

    int threads = 1;  // threads a stage may use

    // When given and set (by another thread), the chain stops before its next stage; the picture is then unfinished
    // and only fit to be thrown away.
    const std::atomic<bool>* cancel = nullptr;
};

// Runs the enabled stages over image. scratch is a work picture whose block is reused from run to run; it holds
// nothing of value afterwards.
void RunChain(BMP_File& image, BMP_File& scratch, const ChainParams& params);
