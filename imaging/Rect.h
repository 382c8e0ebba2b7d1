#pragma once
// Pane rectangle: left, top, right, bottom in a pane's client pixels, right and bottom exclusive. Width and height
// are right − left and bottom − top and may be zero or negative.

#include <algorithm>
#include <cstdint>
#include <limits>

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int64_t Width() const { return std::int64_t{right} - left; }
    constexpr std::int64_t Height() const { return std::int64_t{bottom} - top; }

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// A coordinate computed in 64 bits, brought back to the 32-bit range of a rectangle edge by saturation.
constexpr std::int32_t SaturateToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// A width and a height in pixels.
struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;

    friend constexpr bool operator==(const Size&, const Size&) = default;
};
