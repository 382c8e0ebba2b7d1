#pragma once
// The neighbourhood stages written the plain way, pixel by pixel through PixelAt and a fresh window sum for every
// blurred pixel, in the in-place order (rows from the top, left to right, each result written at once). They are
// slow on purpose: the fast stages must give the same bytes.

#include <cstdint>

#include "imaging/BMP_File.h"

namespace reference {

void Emboss(BMP_File& image);
void Sharpen(BMP_File& image);
void Blur(BMP_File& image, std::int32_t size);

}  // namespace reference
