#pragma once
// The mapping of dialog units to pixels that every fixed-size window of Lumivane uses.
//
// A dialog unit is a quarter of the average character width horizontally and an eighth of the character height
// vertically; Lumivane maps them with the fixed base units 6 × 13, so x pixels = dlu × 6 / 4 and y pixels =
// dlu × 13 / 8, each rounded half away from zero. Qt's own high-DPI scaling works in these logical pixels. No Qt.

#include <cstdint>

namespace dlg {

// The base units of the mapping.
inline constexpr std::int32_t kBaseUnitX = 6;
inline constexpr std::int32_t kBaseUnitY = 13;

// value × numerator ÷ denominator rounded half away from zero; the denominator must be positive.
constexpr std::int32_t MulDivRound(std::int32_t value, std::int32_t numerator, std::int32_t denominator) {
    // In 64 bits so that no product overflows; the magnitude is rounded, then the sign put back.
    const std::int64_t product = std::int64_t{value} * numerator;
    const std::int64_t magnitude = product < 0 ? -product : product;
    const std::int64_t rounded = (2 * magnitude + denominator) / (2 * std::int64_t{denominator});
    return static_cast<std::int32_t>(product < 0 ? -rounded : rounded);
}

constexpr std::int32_t DluToPixelsX(std::int32_t dlu) {
    return MulDivRound(dlu, kBaseUnitX, 4);
}
constexpr std::int32_t DluToPixelsY(std::int32_t dlu) {
    return MulDivRound(dlu, kBaseUnitY, 8);
}

}  // namespace dlg
