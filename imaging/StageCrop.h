#pragma once
// Crop stage: cuts the picture to a rectangle given in pane pixels.

#include "imaging/BMP_File.h"
#include "imaging/Rect.h"

// Scales rcCrop to picture pixels with sx = picture width ÷ pane width and sy = picture height ÷ pane height (double
// precision, each edge truncated toward zero) and makes the picture (R − L) × (B − T), new (i, j) = old (L + i,
// T + j); parts of the rectangle outside the picture come out black. A rectangle that scales to an empty or inverted
// area, or to more than kMaxPixels pixels, leaves the picture uncropped. scratch is a work picture whose block is
// reused; it holds nothing of value afterwards. The rows are copied on up to `threads` threads. Returns whether the
// picture was cropped.
bool CropStage(BMP_File& image, BMP_File& scratch, const Rect& rcCrop, Size pane, int threads = 1);
