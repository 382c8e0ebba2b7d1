#pragma once
// Resize stage: scales the picture to a fixed size by nearest neighbour (ScaleNearest).

#include <cstdint>

#include "imaging/BMP_File.h"

// Makes the picture sizeX × sizeY. A size of 0, or one beyond the picture limit (base/Limits.h), does nothing and
// allocates nothing. scratch is a work picture whose block is reused. Returns whether the picture was resized.
bool ResizeStage(BMP_File& image, BMP_File& scratch, std::uint32_t sizeX, std::uint32_t sizeY, int threads);
