#pragma once
// The one sweep behind ColorPass and every colour stage: the enabled colour stages of ops, in chain order, over the
// picture's rows on up to `threads` threads, at a given processor level (every level gives the same bytes;
// ColorPass takes the best; a level beyond this processor's runs as its best). A picture with no pixels is left as
// it is. Nothing here fails.

#include "imaging/BMP_File.h"
#include "imaging/ColorStages.h"
#include "imaging/CpuLevel.h"

void ColorSweep(BMP_File& image, const ColorOps& ops, int threads, CpuLevel level);
