#pragma once
// The per-value arithmetic of the colour stages, one function per rule, shared by the stages and their tables.
// Effect values run 0..100 with 50 neutral; any signed 32-bit value is accepted and computed without overflow or
// undefined conversions (doubles are saturated before they become integers).

#include <cmath>
#include <cstdint>

namespace color {

// A double truncated toward zero to a 64-bit integer, saturating beyond ±2^62 (far outside anything that matters).
inline std::int64_t TruncSaturated(double x) {
    constexpr double kLimit = 4611686018427387904.0;  // 2^62
    if (std::isnan(x)) return 0;
    if (x <= -kLimit) return -static_cast<std::int64_t>(kLimit);
    if (x >= kLimit) return static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(x);  // the conversion truncates toward zero
}

// n ÷ 100 in double precision, then held in single precision (the hue, saturation and brightness fractions).
inline float HsbFraction(std::int32_t n) {
    return static_cast<float>(n / 100.0);
}

// Moves a value toward 0 when f < 0.5 and toward upper when f ≥ 0.5: f × 2 × v, or v + (f − 0.5) × 2 × (upper − v),
// the products in double from the single-precision f and truncated toward zero. The result is kept modulo 2^16, as
// an unsigned 16-bit variable would keep it. upper is 360 for hue and 240 for saturation and luminance.
inline std::uint16_t MoveToward(std::uint16_t v, float f, std::int64_t upper) {
    const double fraction = f;
    std::int64_t moved;
    if (fraction < 0.5) {
        moved = TruncSaturated(fraction * 2 * static_cast<double>(v));
    } else {
        moved = std::int64_t{v} + TruncSaturated((fraction - 0.5) * 2 * static_cast<double>(upper - v));
    }
    return static_cast<std::uint16_t>(moved);  // modulo 2^16, well defined for unsigned targets
}

inline constexpr std::int64_t kHueUpper = 360;
inline constexpr std::int64_t kLevelUpper = 240;

// Contrast factor ((n ÷ 100) − 0.5) × 2 + 1, computed in double and held in single precision: 70 gives 1.39999997.
inline float ContrastFactor(std::int32_t n) {
    return static_cast<float>(((n / 100.0) - 0.5) * 2 + 1);
}

// trunc((v − 128) × f) + 128, the product in double, clamped to 0..255.
inline std::uint8_t ContrastChannel(std::uint8_t v, float f) {
    const double product = (static_cast<double>(v) - 128) * static_cast<double>(f);
    const std::int64_t result = TruncSaturated(product) + 128;
    return static_cast<std::uint8_t>(result < 0 ? 0 : result > 255 ? 255 : result);
}

// Brightness offset −150 − trunc((n ÷ 100) × (−300)) in double: 3n − 150, one lower for 41, 57, 69 and 82. Offsets
// beyond ±255 all clamp every channel to 0 or 255, so the value is held to −256..256.
inline std::int32_t BrightnessOffset(std::int32_t n) {
    const std::int64_t offset = -150 - TruncSaturated((n / 100.0) * -300.0);
    return static_cast<std::int32_t>(offset < -256 ? -256 : offset > 256 ? 256 : offset);
}

// v + offset clamped to 0..255.
inline std::uint8_t BrightnessChannel(std::uint8_t v, std::int32_t offset) {
    const std::int32_t result = v + offset;
    return static_cast<std::uint8_t>(result < 0 ? 0 : result > 255 ? 255 : result);
}

// (red + green + blue) ÷ 3, remainder dropped.
inline std::uint8_t GreyLevel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<std::uint8_t>((r + g + b) / 3);
}

}  // namespace color
