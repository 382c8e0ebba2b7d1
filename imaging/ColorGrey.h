#pragma once
// The grey-scale step of the colour sweep: every pixel of a row becomes (red + green + blue) ÷ 3 in all three
// channels, the remainder dropped. Every processor level gives the same bytes.

#include <cstdint>

#include "imaging/CpuLevel.h"
#include "imaging/Pixel.h"

// level must be one this processor runs (RunnableCpuLevel).
void GreyRow(Pixel* row, std::int32_t count, CpuLevel level);
