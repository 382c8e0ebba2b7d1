#pragma once
// The grey-scale step of the colour sweep: every pixel of a row becomes (red + green + blue) ÷ 3 in all three
// channels, the remainder dropped. Every instruction-set level gives the same bytes.

#include <cstdint>

#include "imaging/ColorIsa.h"
#include "imaging/Pixel.h"

// isa must be a level this processor runs (RunnableColorIsa).
void GreyRow(Pixel* row, std::int32_t count, ColorIsa isa);
