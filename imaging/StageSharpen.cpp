#include "imaging/StageSharpen.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// In the in-place order N is final before a row starts and S, E and P are still old, so only W changes while the row
// is worked on. Per byte lane the result is
//     v(x) = clamp((b(x) − v(x − 1)) ÷ 2, 0, 255),   b(x) = 6 × P − N − E − S,
// with b computed for the whole row first by a loop that vectorises. A negative difference gives a quotient of at
// most 0 whichever way it is rounded, so the serial part can halve by shifting the difference clamped at 0.

namespace {

// b(x) for the interior lanes of a row; −765 ≤ b ≤ 1530.
void FixedPart(const std::uint8_t* __restrict up, const std::uint8_t* __restrict cur,
               const std::uint8_t* __restrict down, std::int16_t* __restrict out, std::size_t begin,
               std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
        out[i] = static_cast<std::int16_t>(6 * cur[i] - up[i] - cur[i + 3] - down[i]);
    }
}

inline int Halve(int difference) { return std::min(std::max(difference, 0) >> 1, 255); }

void SerialPart(std::uint8_t* cur, const std::int16_t* fixed, std::size_t width) {
    int w0 = cur[0], w1 = cur[1], w2 = cur[2];
    for (std::size_t i = 3; i < 3 * (width - 1); i += 3) {
        w0 = Halve(fixed[i] - w0);
        w1 = Halve(fixed[i + 1] - w1);
        w2 = Halve(fixed[i + 2] - w2);
        cur[i] = static_cast<std::uint8_t>(w0);
        cur[i + 1] = static_cast<std::uint8_t>(w1);
        cur[i + 2] = static_cast<std::uint8_t>(w2);
    }
}

}  // namespace

void SharpenStage(BMP_File& image) {
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    if (width < 3 || height < 3) return;
    const std::size_t lanes = 3 * static_cast<std::size_t>(width);
    std::vector<std::int16_t> fixed(lanes);
    for (std::int32_t y = 1; y < height - 1; ++y) {
        const auto* up = reinterpret_cast<const std::uint8_t*>(image.Row(y - 1));
        auto* cur = reinterpret_cast<std::uint8_t*>(image.Row(y));
        const auto* down = reinterpret_cast<const std::uint8_t*>(image.Row(y + 1));
        FixedPart(up, cur, down, fixed.data(), 3, lanes - 3);
        SerialPart(cur, fixed.data(), static_cast<std::size_t>(width));
    }
}
