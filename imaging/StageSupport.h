#pragma once
// Helpers shared by the geometric stages: scaling a pane rectangle to picture pixels, and taking over the pixels that
// a stage built in the scratch picture.

#include <cstdint>

#include "imaging/BMP_File.h"
#include "imaging/Rect.h"

// A rectangle in picture pixels, wide enough for any pane rectangle scaled by any picture-to-pane ratio.
struct ImageRect {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;
};

// Scales a pane rectangle to the picture: sx = picture width ÷ pane width, sy = picture height ÷ pane height in
// double precision, each edge e becoming trunc(e × sx) or trunc(e × sy). Returns false for a pane of no size. With
// picture sides up to kMaxPixels (2^28) and 32-bit edges every product stays below 2^59, so the conversion to 64 bits
// is always exact.
inline bool ScaleRectToImage(const Rect& rect, Size pane, std::int32_t imageWidth, std::int32_t imageHeight,
                             ImageRect& scaled) {
    if (pane.width <= 0 || pane.height <= 0 || imageWidth < 0 || imageHeight < 0) return false;
    const double sx = static_cast<double>(imageWidth) / static_cast<double>(pane.width);
    const double sy = static_cast<double>(imageHeight) / static_cast<double>(pane.height);
    scaled.left = static_cast<std::int64_t>(static_cast<double>(rect.left) * sx);
    scaled.top = static_cast<std::int64_t>(static_cast<double>(rect.top) * sy);
    scaled.right = static_cast<std::int64_t>(static_cast<double>(rect.right) * sx);
    scaled.bottom = static_cast<std::int64_t>(static_cast<double>(rect.bottom) * sy);
    return true;
}

// Makes image hold the pixels built in scratch and scratch hold image's old block for reuse; the image keeps its own
// spare pixel.
inline void AdoptPixels(BMP_File& image, BMP_File& scratch) {
    const Pixel spare = image.Spare();
    image.Swap(scratch);
    image.PixelAt(-1, -1) = spare;  // outside the picture: sets the spare pixel
}
