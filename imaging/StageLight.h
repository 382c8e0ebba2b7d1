#pragma once
// Light-area stage: pulls the pixels inside the ellipse inscribed in a rectangle towards a target colour, most
// strongly (200 steps) at the centre and not at all on the ellipse. The rectangle is in pane pixels and is scaled to
// the picture like the crop rectangle. The floating-point steps are fixed to the last bit:
//   q = float(double(dx²) ÷ double(rx²) + float(dy²) ÷ float(ry²)),  d = float(√q),
//   k = trunc((1 − d) × 200) in single precision; k < 0 or q not a number skips the pixel.
// Each channel moves k steps towards its target and never passes it. Target values outside 0..255 are clamped at use;
// pixels of the rectangle outside the picture are skipped.

#include <cstdint>

#include "imaging/BMP_File.h"
#include "imaging/CpuLevel.h"
#include "imaging/Rect.h"

// level: the processor level of the row kernels (every level gives the same bytes).
void LightStage(BMP_File& image, const Rect& rcLight, Size pane, std::int32_t red, std::int32_t green,
                std::int32_t blue, int threads, CpuLevel level = BestCpuLevel());
