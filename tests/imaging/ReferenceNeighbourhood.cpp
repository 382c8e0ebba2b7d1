#include "tests/imaging/ReferenceNeighbourhood.h"

#include <algorithm>
#include <cstdlib>

namespace reference {

namespace {

std::uint8_t Channel(const Pixel& p, int channel) {
    return channel == 0 ? p.r : channel == 1 ? p.g : p.b;
}

void SetChannel(Pixel& p, int channel, int value) {
    const auto byte = static_cast<std::uint8_t>(value);
    if (channel == 0) p.r = byte;
    if (channel == 1) p.g = byte;
    if (channel == 2) p.b = byte;
}

}  // namespace

void Emboss(BMP_File& image) {
    for (std::int32_t y = 1; y < image.Height() - 1; ++y) {
        for (std::int32_t x = 1; x < image.Width() - 1; ++x) {
            const Pixel nw = image.PixelAt(x - 1, y - 1), n = image.PixelAt(x, y - 1), ne = image.PixelAt(x + 1, y - 1);
            const Pixel w = image.PixelAt(x - 1, y), e = image.PixelAt(x + 1, y);
            const Pixel sw = image.PixelAt(x - 1, y + 1), s = image.PixelAt(x, y + 1), se = image.PixelAt(x + 1, y + 1);
            Pixel result;
            for (int c = 0; c < 3; ++c) {
                const int v =
                    std::max({std::abs(Channel(ne, c) - Channel(sw, c)), std::abs(Channel(se, c) - Channel(nw, c)),
                              std::abs(Channel(n, c) - Channel(s, c)), std::abs(Channel(e, c) - Channel(w, c))});
                SetChannel(result, c, v);
            }
            image.PixelAt(x, y) = result;
        }
    }
}

void Sharpen(BMP_File& image) {
    for (std::int32_t y = 1; y < image.Height() - 1; ++y) {
        for (std::int32_t x = 1; x < image.Width() - 1; ++x) {
            const Pixel p = image.PixelAt(x, y), n = image.PixelAt(x, y - 1), w = image.PixelAt(x - 1, y);
            const Pixel e = image.PixelAt(x + 1, y), s = image.PixelAt(x, y + 1);
            Pixel result;
            for (int c = 0; c < 3; ++c) {
                const int v = (6 * Channel(p, c) - Channel(n, c) - Channel(w, c) - Channel(e, c) - Channel(s, c)) / 2;
                SetChannel(result, c, std::clamp(v, 0, 255));
            }
            image.PixelAt(x, y) = result;
        }
    }
}

void Blur(BMP_File& image, std::int32_t size) {
    if (size < 0) return;  // only a damaged profile holds one; the window would be empty
    const std::int64_t r = (std::int64_t{size} - 1) / 2;
    if (r == 0) return;
    for (std::int64_t y = 0; y < image.Height(); ++y) {
        for (std::int64_t x = 0; x < image.Width(); ++x) {
            const std::int64_t left = std::max<std::int64_t>(x - r, 0);
            const std::int64_t right = std::min<std::int64_t>(x + r, image.Width() - 1);
            const std::int64_t top = std::max<std::int64_t>(y - r, 0);
            const std::int64_t bottom = std::min<std::int64_t>(y + r, image.Height() - 1);
            std::int64_t sum[3] = {0, 0, 0};
            for (std::int64_t wy = top; wy <= bottom; ++wy) {
                for (std::int64_t wx = left; wx <= right; ++wx) {
                    const Pixel& p = image.PixelAt(static_cast<std::int32_t>(wx), static_cast<std::int32_t>(wy));
                    for (int c = 0; c < 3; ++c) sum[c] += Channel(p, c);
                }
            }
            const std::int64_t count = (right - left + 1) * (bottom - top + 1);
            Pixel result;
            for (int c = 0; c < 3; ++c) SetChannel(result, c, static_cast<int>(sum[c] / count));
            image.PixelAt(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)) = result;
        }
    }
}

}  // namespace reference
