#pragma once
// Rotate stage: turns the picture quarterTurns quarter turns clockwise (1 clockwise, 2 a half turn, 3 anticlockwise;
// values outside 0..3 are taken modulo 4). scratch is a work picture whose block is reused. A quarter turn runs on up
// to `threads` threads; the picture is left as it was when memory cannot be had.

#include <cstdint>

#include "imaging/BMP_File.h"

void RotateStage(BMP_File& image, BMP_File& scratch, std::int32_t quarterTurns, int threads = 1);
