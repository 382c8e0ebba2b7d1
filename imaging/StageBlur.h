#pragma once
// Blur stage, in place: radius r = (blurSize − 1) ÷ 2 (truncated toward zero); every pixel, row by row from the top
// and left to right, becomes per channel the mean (remainder dropped) of the window of columns max(x − r, 0) ..
// min(x + r, width − 1) and rows max(y − r, 0) .. min(y + r, height − 1), written at once, so the window already holds
// new values above and to the left. The time does not grow with the size. A radius of 0 (sizes 0, 1, 2) and sizes
// below 0 leave the picture unchanged.

#include <cstdint>

#include "imaging/BMP_File.h"
#include "imaging/CpuLevel.h"

// level: the processor level of the row kernels (every level gives the same bytes).
void BlurStage(BMP_File& image, std::int32_t blurSize, CpuLevel level = BestCpuLevel());
