#pragma once
// The largest picture Lumivane accepts anywhere: every reader, every stage and every size from a profile is held to
// this one limit, checked before anything is allocated. It bounds both the pixel count and each side, so that no row
// buffer can be absurd even for a picture one pixel high.

#include <cstdint>
#include <string>

#include "base/Status.h"

inline constexpr std::int64_t kMaxPixels = 268435456;  // 16384 × 16384
inline constexpr std::int64_t kMaxSide = 65535;        // pixels on either side

// True when width × height is a picture Lumivane accepts: both sides from 1 to kMaxSide and the product at most
// kMaxPixels.
constexpr bool FitsPictureLimit(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
}

// The same as a result: "<what>: the picture has no pixels (0 × 5)" or "<what>: a picture of 70000 × 1 pixels is
// larger than the largest picture accepted (...)". `what` starts the message (a file name, usually).
inline Status CheckPictureLimit(const std::string& what, std::int64_t width, std::int64_t height) {
    const std::string size = std::to_string(width) + " × " + std::to_string(height);
    if (width < 1 || height < 1) return Status::Error(what + ": the picture has no pixels (" + size + ")");
    if (!FitsPictureLimit(width, height)) {
        return Status::Error(what + ": a picture of " + size + " pixels is larger than the largest picture accepted (" +
                             std::to_string(kMaxPixels) + " pixels, " + std::to_string(kMaxSide) + " on a side)");
    }
    return Status::Ok();
}
