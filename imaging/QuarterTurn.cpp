#include "imaging/QuarterTurn.h"

#include <algorithm>
#include <cstring>

#include "imaging/Parallel.h"

namespace {

// Output rows [begin, end) of a clockwise (clockwise = true) or anticlockwise quarter turn. Output row y is source
// column y (clockwise) or W − 1 − y (anticlockwise), read from the bottom up (clockwise) or from the top down. The work
// goes in tiles of kTileRows output rows × kTileColumns output columns, so that the source rows a tile reads and the
// output rows it writes stay in the first-level cache.
void TurnRows(const BMP_File& source, BMP_File& target, bool clockwise, std::int32_t begin, std::int32_t end) {
    constexpr std::int32_t kTileRows = 16;
    constexpr std::int32_t kTileColumns = 64;
    const std::int32_t sourceWidth = source.Width();
    const std::int32_t sourceHeight = source.Height();  // the output width
    for (std::int32_t y0 = begin; y0 < end; y0 += kTileRows) {
        const std::int32_t y1 = std::min(y0 + kTileRows, end);
        for (std::int32_t x0 = 0; x0 < sourceHeight; x0 += kTileColumns) {
            const std::int32_t x1 = std::min(x0 + kTileColumns, sourceHeight);
            for (std::int32_t x = x0; x < x1; ++x) {
                const Pixel* in = source.Row(clockwise ? sourceHeight - 1 - x : x);
                if (clockwise) {
                    for (std::int32_t y = y0; y < y1; ++y) target.Row(y)[x] = in[y];
                } else {
                    for (std::int32_t y = y0; y < y1; ++y) target.Row(y)[x] = in[sourceWidth - 1 - y];
                }
            }
        }
    }
}

// Output rows [begin, end) of a half turn: output row y is source row H − 1 − y read backwards.
void HalfTurnRows(const BMP_File& source, BMP_File& target, std::int32_t begin, std::int32_t end) {
    const std::int32_t width = source.Width();
    const std::int32_t height = source.Height();
    for (std::int32_t y = begin; y < end; ++y) {
        const Pixel* in = source.Row(height - 1 - y);
        Pixel* out = target.Row(y);
        for (std::int32_t x = 0; x < width; ++x) out[x] = in[width - 1 - x];
    }
}

}  // namespace

bool QuarterTurnInto(const BMP_File& source, BMP_File& target, int turns, int threads) {
    if (&source == &target || turns < 1 || turns > 3) return false;
    const std::int32_t width = source.Width();
    const std::int32_t height = source.Height();
    const bool half = turns == 2;
    if (!(half ? target.Reshape(width, height) : target.Reshape(height, width))) return false;
    const std::int32_t outputRows = half ? height : width;
    ParallelRows(outputRows, std::int64_t{width} * height, threads, [&](std::int32_t begin, std::int32_t end) {
        if (half) {
            HalfTurnRows(source, target, begin, end);
        } else {
            TurnRows(source, target, turns == 1, begin, end);
        }
    });
    return true;
}
