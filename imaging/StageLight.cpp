#include "imaging/StageLight.h"
void LightStage(BMP_File&, const Rect&, Size, std::int32_t, std::int32_t, std::int32_t, int) {}
