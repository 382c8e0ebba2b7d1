#pragma once
// Straightforward versions of the index table, nearest-neighbour scaling and the geometric stages, written pixel by
// pixel over PixelAt exactly as the stages are described, without any of the fast paths. The tests compare the
// optimised stages with these byte for byte.

#include <cstdint>
#include <vector>

#include "imaging/BMP_File.h"
#include "imaging/Rect.h"

namespace reference {

// D source indices for scaling S positions to D; empty on failure (a length that is not positive or beyond
// kMaxPixels).
std::vector<std::int32_t> IndexTable(std::int64_t source, std::int64_t destination);

// destination (width × height) pixel (x, y) = source pixel (X[x], Y[y]), read through PixelAt of a copy of source.
void ScaleNearest(const BMP_File& source, BMP_File& destination, std::int32_t width, std::int32_t height);

// The crop stage; a pane of no size, or a rectangle scaling to an empty, inverted or oversized area, does nothing.
void Crop(BMP_File& image, const Rect& rcCrop, Size pane);

// The resize stage; a size of 0 or one beyond kMaxPixels does nothing.
void Resize(BMP_File& image, std::uint32_t x, std::uint32_t y);

// One light area; a pane of no size does nothing.
void Light(BMP_File& image, const Rect& rcLight, Size pane, std::int32_t r, std::int32_t g, std::int32_t b);

// quarterTurns single clockwise turns (taken modulo 4), each a transpose followed by a horizontal mirror.
void Rotate(BMP_File& image, std::int32_t quarterTurns);

}  // namespace reference
