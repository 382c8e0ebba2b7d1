#pragma once
// Sharpen stage, in place: every pixel but the outermost rows and columns becomes, per channel,
// (6 × P − N − W − E − S) ÷ 2, truncated toward zero and clamped to 0..255, in the same row-by-row in-place order as
// emboss (N and W are already new when P is computed).

#include "imaging/BMP_File.h"
#include "imaging/CpuLevel.h"

// level: the processor level of the row kernels (every level gives the same bytes).
void SharpenStage(BMP_File& image, CpuLevel level = BestCpuLevel());
