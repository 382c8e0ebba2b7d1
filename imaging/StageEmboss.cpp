#include "imaging/StageEmboss.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// In the in-place order the row above is final before a row starts and the row below is untouched, so of the eight
// neighbours only W changes while the row is worked on. Per byte lane the result is
//     v(x) = max(a(x), |E(x) − v(x − 1)|),   a(x) = max(|NE − SW|, |SE − NW|, |N − S|),
// where a reads only the row above and the row below and is computed for the whole row first by a loop that
// vectorises, and E is the old value of the next pixel, not yet overwritten when x is written.

namespace {

inline std::uint8_t AbsDiff(std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(std::max(a, b) - std::min(a, b));
}

// The part of every interior lane of a row that does not depend on the row's own new values.
void VerticalPart(const std::uint8_t* __restrict up, const std::uint8_t* __restrict down, std::uint8_t* __restrict out,
                  std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
        const std::uint8_t diagonal1 = AbsDiff(up[i + 3], down[i - 3]);
        const std::uint8_t diagonal2 = AbsDiff(down[i + 3], up[i - 3]);
        out[i] = std::max({diagonal1, diagonal2, AbsDiff(up[i], down[i])});
    }
}

// The recurrence along row `cur` from pixel 1 to pixel width − 2; `vertical` holds a(x) per lane.
void SerialPart(std::uint8_t* cur, const std::uint8_t* vertical, std::size_t width) {
    int w0 = cur[0], w1 = cur[1], w2 = cur[2];
    for (std::size_t i = 3; i < 3 * (width - 1); i += 3) {
        const int e0 = cur[i + 3], e1 = cur[i + 4], e2 = cur[i + 5];
        w0 = std::max<int>(vertical[i], std::abs(e0 - w0));
        w1 = std::max<int>(vertical[i + 1], std::abs(e1 - w1));
        w2 = std::max<int>(vertical[i + 2], std::abs(e2 - w2));
        cur[i] = static_cast<std::uint8_t>(w0);
        cur[i + 1] = static_cast<std::uint8_t>(w1);
        cur[i + 2] = static_cast<std::uint8_t>(w2);
    }
}

}  // namespace

void EmbossStage(BMP_File& image) {
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    if (width < 3 || height < 3) return;
    const std::size_t lanes = 3 * static_cast<std::size_t>(width);
    std::vector<std::uint8_t> vertical(lanes);
    for (std::int32_t y = 1; y < height - 1; ++y) {
        const auto* up = reinterpret_cast<const std::uint8_t*>(image.Row(y - 1));
        auto* cur = reinterpret_cast<std::uint8_t*>(image.Row(y));
        const auto* down = reinterpret_cast<const std::uint8_t*>(image.Row(y + 1));
        VerticalPart(up, down, vertical.data(), 3, lanes - 3);
        SerialPart(cur, vertical.data(), static_cast<std::size_t>(width));
    }
}
