#pragma once
// The largest picture Lumivane accepts anywhere: every reader, every stage and every size from a profile is held to
// this one limit, checked before anything is allocated.

#include <cstdint>

inline constexpr std::int64_t kMaxPixels = 268435456;  // 16384 × 16384

// True when width × height is a picture Lumivane accepts: both at least 1 and the product at most kMaxPixels.
constexpr bool FitsPictureLimit(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxPixels && height <= kMaxPixels && width * height <= kMaxPixels;
}
