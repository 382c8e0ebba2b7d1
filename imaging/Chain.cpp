#include "imaging/Chain.h"

#include "imaging/StageBlur.h"
#include "imaging/StageCrop.h"
#include "imaging/StageEmboss.h"
#include "imaging/StageLight.h"
#include "imaging/StageResize.h"
#include "imaging/StageRotate.h"
#include "imaging/StageSharpen.h"

void RunChain(BMP_File& image, BMP_File& scratch, const ChainParams& params) {
    if (image.IsEmpty()) return;
    const auto stop = [&params] { return params.cancel != nullptr && params.cancel->load(std::memory_order_relaxed); };
    if (params.crop) CropStage(image, scratch, params.rcCrop, params.pane, params.threads);
    if (stop()) return;
    if (params.resize) ResizeStage(image, scratch, params.sizeX, params.sizeY, params.threads);
    if (stop()) return;
    if (params.emboss) EmbossStage(image);
    if (stop()) return;
    if (params.sharpen) SharpenStage(image);
    if (stop()) return;
    // Grey scale, the inversions, hue/saturation/brightness, contrast and brightness are per-pixel stages that follow
    // one another directly: one sweep gives the same bytes as running them one by one.
    if (params.color.AnyOn()) ColorPass(image, params.color, params.threads);
    if (stop()) return;
    if (params.blur) BlurStage(image, params.blurSize);
    for (const ChainLight& light : params.lights) {
        if (stop()) return;
        if (light.on) LightStage(image, light.rect, params.pane, light.red, light.green, light.blue, params.threads);
    }
    if (stop()) return;
    if (params.rotate > 0) RotateStage(image, scratch, params.rotate, params.threads);
}
