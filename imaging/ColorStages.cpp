#include "imaging/ColorStages.h"
void GreyScaleStage(BMP_File&, int) {}
void InvertStage(BMP_File&, int, int) {}
void HsbStage(BMP_File&, std::int32_t, std::int32_t, std::int32_t, int) {}
void ContrastStage(BMP_File&, std::int32_t, std::int32_t, std::int32_t, int) {}
void BrightnessStage(BMP_File&, std::int32_t, std::int32_t, std::int32_t, int) {}
void ColorPass(BMP_File&, const ColorOps&, int) {}
