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
    const Size reduced = BoxReducedSize(Size{picture.Width(), picture.Height()}, fx, fy);
    BoxReduceBlocks(picture, fx, fy, target, stride, Rect{0, 0, reduced.width, reduced.height}, threads);
}

Rect BoxBlocksOf(const Rect& changed, Size source, std::int32_t fx, std::int32_t fy) {
    fx = std::max(fx, 1);
    fy = std::max(fy, 1);
    const std::int32_t left = std::clamp(changed.left, 0, source.width);
    const std::int32_t top = std::clamp(changed.top, 0, source.height);
    const std::int32_t right = std::clamp(changed.right, left, source.width);
    const std::int32_t bottom = std::clamp(changed.bottom, top, source.height);
    if (left == right || top == bottom) return Rect{};
    return Rect{left / fx, top / fy, CeilDiv(right, fx), CeilDiv(bottom, fy)};
}

void BoxReduceBlocks(const BMP_File& picture, std::int32_t fx, std::int32_t fy, std::uint32_t* target,
                     std::size_t stride, const Rect& blocks, int threads) {
    fx = std::max(fx, 1);
    fy = std::max(fy, 1);
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    if (picture.IsEmpty()) return;
    const Size reduced = BoxReducedSize(Size{width, height}, fx, fy);
    const std::int32_t firstColumn = std::clamp(blocks.left, 0, reduced.width);
    const std::int32_t endColumn = std::clamp(blocks.right, firstColumn, reduced.width);
    const std::int32_t firstRow = std::clamp(blocks.top, 0, reduced.height);
    const std::int32_t endRow = std::clamp(blocks.bottom, firstRow, reduced.height);
    if (firstColumn == endColumn || firstRow == endRow) return;
    const std::int32_t columns = endColumn - firstColumn;
    const std::int32_t sourceLeft = firstColumn * fx;
    const auto sourceRight = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{endColumn} * fx, width));
    const std::int64_t pixels =
        std::int64_t{sourceRight - sourceLeft} *
        (std::min<std::int64_t>(std::int64_t{endRow} * fy, height) - std::int64_t{firstRow} * fy);

    ParallelRows(endRow - firstRow, pixels, threads, [&](std::int32_t begin, std::int32_t end) {
        // Channel sums of one row of blocks; 64 bits, since a block may be the whole picture.
        std::vector<std::uint64_t> sums(static_cast<std::size_t>(columns) * 3);
        for (std::int32_t j = firstRow + begin; j < firstRow + end; ++j) {
            std::fill(sums.begin(), sums.end(), 0);
            const std::int32_t top = j * fy;
            const std::int32_t bottom = std::min(top + fy, height);
            for (std::int32_t y = top; y < bottom; ++y) {
                const Pixel* row = picture.Row(y);
                std::uint64_t* sum = sums.data();
                for (std::int32_t left = sourceLeft; left < sourceRight; left += fx, sum += 3) {
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
            for (std::int32_t i = firstColumn; i < endColumn; ++i, sum += 3) {
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
