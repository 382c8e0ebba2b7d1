#pragma once
// Nearest-neighbour scaling through BuildIndexTable: destination pixel (x, y) is source pixel (X[x], Y[y]), where
// X = BuildIndexTable(source width, width) and Y = BuildIndexTable(source height, height). An index outside the
// source reads black, as the bounds-safe accessor would.

#include <cstdint>

#include "imaging/BMP_File.h"

// Makes destination width × height, scaled from source (which must be a different picture). Returns false, leaving
// destination unchanged, when source is empty, a size is not positive or beyond kMaxPixels, or memory cannot be had.
bool ScaleNearest(const BMP_File& source, BMP_File& destination, std::int32_t width, std::int32_t height,
                  int threads);
