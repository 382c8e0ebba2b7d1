#pragma once
// Emboss stage, in place: every pixel but the outermost rows and columns becomes, per channel, the largest of
// |NE − SW|, |SE − NW|, |N − S| and |E − W| of its eight neighbours. Pixels are visited row by row from the top, left
// to right, and each result is written at once, so the neighbours above and to the left are already new; this order
// is part of the result. A picture less than 3 pixels wide or high is left unchanged.

#include "imaging/BMP_File.h"
#include "imaging/CpuLevel.h"

// level: the processor level of the row kernels (every level gives the same bytes).
void EmbossStage(BMP_File& image, CpuLevel level = BestCpuLevel());
