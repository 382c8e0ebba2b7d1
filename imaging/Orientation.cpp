#include "imaging/Orientation.h"

#include <utility>

bool ApplyOrientation(BMP_File& picture, std::int32_t orientation) {
    if (orientation < 2 || orientation > 8 || picture.IsEmpty()) return true;
    const std::int32_t w = picture.Width();
    const std::int32_t h = picture.Height();
    const bool swaps = orientation >= 5;
    BMP_File turned;
    if (!turned.Reshape(swaps ? h : w, swaps ? w : h)) return false;
    for (std::int32_t y = 0; y < h; ++y) {
        const Pixel* row = picture.Row(y);
        for (std::int32_t x = 0; x < w; ++x) {
            // Where the stored pixel (x, y) is seen.
            std::int32_t tx = x, ty = y;
            switch (orientation) {
                case 2: tx = w - 1 - x; break;
                case 3: tx = w - 1 - x; ty = h - 1 - y; break;
                case 4: ty = h - 1 - y; break;
                case 5: tx = y; ty = x; break;
                case 6: tx = h - 1 - y; ty = x; break;
                case 7: tx = h - 1 - y; ty = w - 1 - x; break;
                case 8: tx = y; ty = w - 1 - x; break;
                default: break;
            }
            turned.Row(ty)[tx] = row[x];
        }
    }
    picture = std::move(turned);
    return true;
}
