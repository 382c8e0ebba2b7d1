#include "imaging/StageBlur.h"
void BlurStage(BMP_File&, std::int32_t) {}
