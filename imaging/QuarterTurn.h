#pragma once
// Turning a picture by quarter turns into another picture, in one pass.

#include "imaging/BMP_File.h"
#include "imaging/CpuLevel.h"

// Makes target the source turned `turns` quarter turns clockwise (1, 2 or 3), with W and H the source's size:
//   1: target is H × W, target (x, y) = source (y, H − 1 − x)          (the old bottom-left becomes the top-left)
//   2: target is W × H, target (x, y) = source (W − 1 − x, H − 1 − y)
//   3: target is H × W, target (x, y) = source (W − 1 − y, x)          (the old top-right becomes the top-left)
// which is what that many single clockwise turns give. target's block is reused when it is large enough. Works on up to
// `threads` threads; quarter turns use SSSE3 byte shuffles at level SSSE3 and above (the pixel-by-pixel path of the
// lower levels gives the same bytes). Returns false, leaving target unchanged, when target is source, turns is not
// 1..3, or memory cannot be had.
bool QuarterTurnInto(const BMP_File& source, BMP_File& target, int turns, int threads, CpuLevel level = BestCpuLevel());
