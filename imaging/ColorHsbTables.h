#pragma once
// The tables of one hue/saturation/brightness run. They are built once from the three effect values; ApplyRow then
// gives every pixel exactly what ColorRGBToHLS, the three moves of ColorFormulas.h and ColorHLSToRGB give, without an
// integer division per pixel. Read-only after construction, so threads may share one object. About 270 KB, most of
// it on the heap; when that memory cannot be had, the exact per-pixel road serves instead.

#include <cstdint>
#include <vector>

#include "imaging/CpuLevel.h"
#include "imaging/Pixel.h"

class ColorHsbTables {
public:
    // level: the processor level of ApplyRow (a level beyond this processor's runs as its best).
    ColorHsbTables(std::int32_t hue, std::int32_t saturation, std::int32_t brightness, CpuLevel level);

    // Converts row[0 .. count − 1] in place.
    void ApplyRow(Pixel* row, std::int32_t count) const;

    // False when a moved luminance or saturation leaves 0..240 (values from hand-edited profiles); every pixel then
    // takes the straightforward road through the two conversions, which handles any value.
    bool UsesTables() const { return m_tables; }

private:
    void ApplyRowExact(Pixel* row, std::int32_t count) const;
    void ApplyRowPortable(Pixel* row, std::int32_t count) const;

    // The moved hue, luminance and saturation for each value the forward conversion gives (0..240).
    std::uint16_t m_hue[241];
    std::uint16_t m_luminance[241];
    std::uint16_t m_saturation[241];

    CpuLevel m_level;
    bool m_vector;  // the vector kernel (AVX2 and up, x86-64 only) rather than the portable one
    bool m_tables = false;
    // ceil(2^32 ÷ d) for d = 1..255 (0 for d = 0); Portable only.
    std::uint64_t m_reciprocal[256];
    // Per source hue 0..240: the ramp position 0..40 of red, green and blue (bytes 0, 1, 2) after the hue move.
    std::uint32_t m_spread[241];
    // Per (cMax << 8 | cMin), the levels of the way back. Portable: the scale index of the low level in bits 0..15
    // and the ramp row in bits 16..31. Vector levels: low level n1 in bits 0..7, n2 − n1 in bits 8..15, the rounding
    // term of the scale (120, or 0 for greys) in bits 16..23.
    std::vector<std::uint32_t> m_levels;
    // Portable only: (k × t + 20) ÷ 40 for k = 0..240 (rows of 41) and t = 0..40.
    std::vector<std::uint8_t> m_ramp;
    // Portable only: 0..240 to a channel, rounded (x × 255 + 120) ÷ 240 at 0..240, truncated x × 255 ÷ 240 (greys)
    // at 256..496.
    std::uint8_t m_scale[512];
};
