#include "imaging/ScaleNearest.h"
bool ScaleNearest(const BMP_File&, BMP_File&, std::int32_t, std::int32_t, int) { return false; }
