#include "imaging/StageRotate.h"
void RotateStage(BMP_File&, BMP_File&, std::int32_t) {}
