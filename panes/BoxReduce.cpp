#include "panes/BoxReduce.h"

#include <algorithm>
#include <vector>

#include "base/Parallel.h"

namespace {

std::int32_t CeilDiv(std::int32_t value, std::int32_t divisor) {
    return (value + divisor - 1) / divisor;
}

}  // namespace

Size BoxReducedSize(Size source, std::int32_t fx, std::int32_t fy) {
    fx = std::max(fx, 1);
    fy = std::max(fy, 1);
    return Size{CeilDiv(std::max(source.width, 0), fx), CeilDiv(std::max(source.height, 0), fy)};
}

void BoxReduce(const BMP_File& picture, std::int32_t fx, std::int32_t fy, std::uint32_t* target, std::size_t stride,
               int threads) {
    fx = std::max(fx, 1);
    fy = std::max(fy, 1);
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    if (picture.IsEmpty()) return;
    const Size reduced = BoxReducedSize(Size{width, height}, fx, fy);

    ParallelRows(reduced.height, picture.PixelCount(), threads, [&](std::int32_t begin, std::int32_t end) {
        // Channel sums of one row of blocks; 64 bits, since a block may be the whole picture.
        std::vector<std::uint64_t> sums(static_cast<std::size_t>(reduced.width) * 3);
        for (std::int32_t j = begin; j < end; ++j) {
            std::fill(sums.begin(), sums.end(), 0);
            const std::int32_t top = j * fy;
            const std::int32_t bottom = std::min(top + fy, height);
            for (std::int32_t y = top; y < bottom; ++y) {
                const Pixel* row = picture.Row(y);
                std::uint64_t* sum = sums.data();
                for (std::int32_t left = 0; left < width; left += fx, sum += 3) {
                    const std::int32_t right = std::min(left + fx, width);
                    // 64 bits here too: a picture may be wider than 2^32 / 255 pixels.
                    std::uint64_t r = 0, g = 0, b = 0;
                    for (std::int32_t x = left; x < right; ++x) {
                        r += row[x].r;
                        g += row[x].g;
                        b += row[x].b;
                    }
                    sum[0] += r;
                    sum[1] += g;
                    sum[2] += b;
                }
            }
            std::uint32_t* out = target + static_cast<std::size_t>(j) * stride;
            const std::uint64_t rows = static_cast<std::uint64_t>(bottom - top);
            const std::uint64_t* sum = sums.data();
            for (std::int32_t i = 0; i < reduced.width; ++i, sum += 3) {
                const std::int32_t left = i * fx;
                const std::uint64_t count = rows * static_cast<std::uint64_t>(std::min(left + fx, width) - left);
                const auto mean = [count](std::uint64_t s) {
                    return static_cast<std::uint32_t>((2 * s + count) / (2 * count));
                };
                out[i] = 0xff000000u | (mean(sum[0]) << 16) | (mean(sum[1]) << 8) | mean(sum[2]);
            }
        }
    });
}
