#include "imaging/Chain.h"

#include "imaging/ColorStages.h"
#include "imaging/StageBlur.h"
#include "imaging/StageCrop.h"
#include "imaging/StageEmboss.h"
#include "imaging/StageLight.h"
#include "imaging/StageResize.h"
#include "imaging/StageRotate.h"
#include "imaging/StageSharpen.h"

namespace {

ColorOps ColorOpsOf(const ChainParams& params) {
    ColorOps ops;
    ops.greyScale = params.greyScale;
    ops.invertRed = params.invertRed;
    ops.invertGreen = params.invertGreen;
    ops.invertBlue = params.invertBlue;
    ops.hsb = params.hsb;
    ops.hue = params.hue;
    ops.saturation = params.saturation;
    ops.hsbBrightness = params.hsbBrightness;
    ops.contrast = params.contrast;
    ops.contrastRed = params.contrastRed;
    ops.contrastGreen = params.contrastGreen;
    ops.contrastBlue = params.contrastBlue;
    ops.brightness = params.brightness;
    ops.brightRed = params.brightRed;
    ops.brightGreen = params.brightGreen;
    ops.brightBlue = params.brightBlue;
    return ops;
}

}  // namespace

void RunChain(BMP_File& image, BMP_File& scratch, const ChainParams& params) {
    if (image.IsEmpty()) return;
    if (params.crop) CropStage(image, scratch, params.rcCrop, params.pane, params.threads);
    if (params.resize) ResizeStage(image, scratch, params.sizeX, params.sizeY, params.threads);
    if (params.emboss) EmbossStage(image);
    if (params.sharpen) SharpenStage(image);
    // Grey scale, the inversions, hue/saturation/brightness, contrast and brightness are per-pixel stages that follow
    // one another directly: one sweep gives the same bytes as running them one by one.
    const ColorOps ops = ColorOpsOf(params);
    if (ops.greyScale || ops.invertRed || ops.invertGreen || ops.invertBlue || ops.hsb || ops.contrast ||
        ops.brightness) {
        ColorPass(image, ops, params.threads);
    }
    if (params.blur) BlurStage(image, params.blurSize);
    for (const ChainLight& light : params.lights) {
        if (light.on) LightStage(image, light.rect, params.pane, light.red, light.green, light.blue, params.threads);
    }
    if (params.rotate > 0) RotateStage(image, scratch, params.rotate, params.threads);
}
