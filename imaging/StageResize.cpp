#include "imaging/StageResize.h"
bool ResizeStage(BMP_File&, BMP_File&, std::uint32_t, std::uint32_t, int) { return false; }
