#include "imaging/ColorHsbTables.h"

#include <algorithm>
#include <new>

#include "imaging/ColorFormulas.h"
#include "imaging/ColorHLS.h"
#include "imaging/CpuKernel.h"

// Why the tables give the exact result of the two conversions:
//
// - Luminance and saturation depend only on cMax and cMin, so their moved values, and the two "magic" levels of the
//   way back (n1 = Magic1, n2 = Magic2), come from one table over (cMax, cMin).
// - For moved luminance and saturation in 0..240, 0 ≤ n1 ≤ n2 ≤ 240. Each channel of the way back is then
//   n1 + ((n2 − n1) × t + 20) ÷ 40 with t = h below 40, 40 up to 120 (giving n2), 160 − h up to 160 and 0 beyond
//   (giving n1), h being the channel's hue. t comes from the moved hue alone: a table over the source hue. A grey
//   (saturation 0) is n1 = luminance, n2 − n1 = 0 and the scale without its rounding term.
// - Of the three hue deltas ((cMax − c) × 40 + d ÷ 2) ÷ d, d = cMax − cMin, the largest channel's is 0 and the
//   smallest's is 40; only a channel strictly between needs the division. Its numerator N is below 2^14.
//   Portable: with m = ceil(2^32 ÷ d), e = m × d − 2^32 < d ≤ 255, N × m ÷ 2^32 = N ÷ d + N × e ÷ (d × 2^32) and
//   N × e < 2^32 keeps the floor. Vector levels: the single-precision quotient of N and d, truncated, is the integer
//   quotient, because N ÷ d is either an integer (exact in single precision) or at least 1 ÷ d below the next one,
//   farther than the rounding error N ÷ d × 2^−24 can reach for N + d < 2^24.

namespace {

constexpr int kRampRow = 41;  // t = 0..40

// The ramp position of one channel whose hue, already taken modulo 240 and shifted by a third, is h.
int RampPosition(int h) {
    if (h < 0) h += 240;
    if (h > 240) h -= 240;
    if (h < 40) return h;
    if (h < 120) return 40;
    if (h < 160) return 160 - h;
    return 0;
}

// Larger and smaller of two channel values without a branch (a − b fits easily in an int).
inline int Max(int a, int b) {
    return a - ((a - b) & ((a - b) >> 31));
}
inline int Min(int a, int b) {
    return b + ((a - b) & ((a - b) >> 31));
}

// Pixels per block of the vector kernel: split into channel arrays, converted, merged back.
constexpr int kBlock = 64;

// The vector kernel: plain C++ written so that the compiler vectorises the middle loop whole (masks instead of
// branches, the division in single precision, table reads as gathers). It is compiled only for AVX2 and AVX-512;
// without gathers it would be slower than the portable kernel.
LUMIVANE_KERNEL_BODY void VectorBody(const std::uint32_t* spread, const std::uint32_t* levels, Pixel* row,
                                     std::int32_t count) {
    alignas(64) std::int32_t red[kBlock];
    alignas(64) std::int32_t green[kBlock];
    alignas(64) std::int32_t blue[kBlock];
    for (std::int32_t start = 0; start < count; start += kBlock) {
        const int n = std::min<std::int32_t>(kBlock, count - start);
        Pixel* p = row + start;
        for (int i = 0; i < n; ++i) {
            red[i] = p[i].r;
            green[i] = p[i].g;
            blue[i] = p[i].b;
        }
        for (int i = 0; i < n; ++i) {
            const int r = red[i];
            const int g = green[i];
            const int b = blue[i];
            const int cMax = std::max(r, std::max(g, b));
            const int cMin = std::min(r, std::min(g, b));
            const int d = cMax - cMin;
            const int middle = r + g + b - cMax - cMin;
            const int middleDelta = static_cast<int>(static_cast<float>((cMax - middle) * 40 + (d >> 1)) /
                                                     static_cast<float>(d | static_cast<int>(d == 0)));
            // All ones where the condition holds.
            const int grey = -static_cast<int>(d == 0);
            const int redMax = -static_cast<int>(r == cMax);
            const int greenMax = -static_cast<int>(g == cMax);
            const int blueMax = -static_cast<int>(b == cMax);
            const int redMin = -static_cast<int>(r == cMin);
            const int greenMin = -static_cast<int>(g == cMin);
            const int blueMin = -static_cast<int>(b == cMin);
            const int rDelta = ~redMax & ((40 & redMin) | (middleDelta & ~redMin));
            const int gDelta = ~greenMax & ((40 & greenMin) | (middleDelta & ~greenMin));
            const int bDelta = ~blueMax & ((40 & blueMin) | (middleDelta & ~blueMin));
            const int greenCase = ~redMax & greenMax;
            const int blueCase = ~redMax & ~greenMax;
            int h = ((bDelta - gDelta) & redMax) | ((80 + rDelta - bDelta) & greenCase) |
                    ((160 + gDelta - rDelta) & blueCase);
            h += 240 & (h >> 31);
            h = (h & ~grey) | (160 & grey);

            const std::uint32_t positions = spread[h];
            const std::uint32_t entry = levels[(cMax << 8) | cMin];
            const std::uint32_t n1 = entry & 0xFF;
            const std::uint32_t k = (entry >> 8) & 0xFF;
            const std::uint32_t rounding = entry >> 16;
            const std::uint32_t xr = n1 + (k * (positions & 0xFF) + 20) / 40;
            const std::uint32_t xg = n1 + (k * ((positions >> 8) & 0xFF) + 20) / 40;
            const std::uint32_t xb = n1 + (k * (positions >> 16) + 20) / 40;
            red[i] = static_cast<std::int32_t>((xr * 255 + rounding) / 240);
            green[i] = static_cast<std::int32_t>((xg * 255 + rounding) / 240);
            blue[i] = static_cast<std::int32_t>((xb * 255 + rounding) / 240);
        }
        for (int i = 0; i < n; ++i) {
            p[i] = Pixel{static_cast<std::uint8_t>(red[i]), static_cast<std::uint8_t>(green[i]),
                         static_cast<std::uint8_t>(blue[i])};
        }
    }
}

#ifdef LUMIVANE_X86_LEVELS
LUMIVANE_TARGET_AVX2 void VectorAvx2(const std::uint32_t* spread, const std::uint32_t* levels, Pixel* row,
                                     std::int32_t count) {
    VectorBody(spread, levels, row, count);
}
LUMIVANE_TARGET_AVX512 void VectorAvx512(const std::uint32_t* spread, const std::uint32_t* levels, Pixel* row,
                                         std::int32_t count) {
    VectorBody(spread, levels, row, count);
}
#endif

}  // namespace

ColorHsbTables::ColorHsbTables(std::int32_t hue, std::int32_t saturation, std::int32_t brightness, CpuLevel level)
    : m_level(RunnableCpuLevel(level)), m_vector(m_level >= CpuLevel::Avx2) {
    const float fh = color::HsbFraction(hue);
    const float fs = color::HsbFraction(saturation);
    const float fb = color::HsbFraction(brightness);
    bool inRange = true;
    for (int v = 0; v <= 240; ++v) {
        const auto value = static_cast<std::uint16_t>(v);
        m_hue[v] = color::MoveToward(value, fh, color::kHueUpper);
        m_saturation[v] = color::MoveToward(value, fs, color::kLevelUpper);
        m_luminance[v] = color::MoveToward(value, fb, color::kLevelUpper);
        inRange = inRange && m_saturation[v] <= 240 && m_luminance[v] <= 240;
    }
    if (!inRange) return;

    const bool portable = !m_vector;
    // Without room for the large tables the exact road serves; it needs none.
    try {
        m_levels.assign(256 * 256, 0);
        if (portable) m_ramp.resize(241 * kRampRow);
    } catch (const std::bad_alloc&) {
        return;
    }
    m_tables = true;

    for (int h = 0; h <= 240; ++h) {
        const int moved = m_hue[h] % 240;
        m_spread[h] = static_cast<std::uint32_t>(RampPosition(moved + 80)) |
                      static_cast<std::uint32_t>(RampPosition(moved)) << 8 |
                      static_cast<std::uint32_t>(RampPosition(moved - 80)) << 16;
    }
    if (portable) {
        m_reciprocal[0] = 0;
        for (std::uint64_t d = 1; d < 256; ++d) m_reciprocal[d] = ((std::uint64_t{1} << 32) + d - 1) / d;
        for (int k = 0; k <= 240; ++k) {
            for (int t = 0; t < kRampRow; ++t) m_ramp[k * kRampRow + t] = static_cast<std::uint8_t>((k * t + 20) / 40);
        }
        std::fill(std::begin(m_scale), std::end(m_scale), std::uint8_t{0});
        for (int x = 0; x <= 240; ++x) {
            m_scale[x] = static_cast<std::uint8_t>((x * 255 + 120) / 240);
            m_scale[256 + x] = static_cast<std::uint8_t>(x * 255 / 240);
        }
    }

    // Only entries with cMin ≤ cMax are ever read; the others stay 0.
    for (int cMax = 0; cMax < 256; ++cMax) {
        for (int cMin = 0; cMin <= cMax; ++cMin) {
            const HLS hls = ColorRGBToHLS(MakeRGB(static_cast<std::uint8_t>(cMax), static_cast<std::uint8_t>(cMin),
                                                  static_cast<std::uint8_t>(cMin)));
            const int l = m_luminance[hls.luminance];
            const int s = m_saturation[hls.saturation];
            int n1 = l;
            int spread = 0;
            if (s != 0) {
                const int magic2 = l <= 120 ? (l * (240 + s) + 120) / 240 : l + s - (l * s + 120) / 240;
                n1 = 2 * l - magic2;
                spread = magic2 - n1;
            }
            std::uint32_t entry;
            if (portable) {
                entry = static_cast<std::uint32_t>(s == 0 ? 256 + n1 : n1) |
                        static_cast<std::uint32_t>(spread * kRampRow) << 16;
            } else {
                entry = static_cast<std::uint32_t>(n1) | static_cast<std::uint32_t>(spread) << 8 |
                        static_cast<std::uint32_t>(s == 0 ? 0 : 120) << 16;
            }
            m_levels[static_cast<std::size_t>(cMax << 8 | cMin)] = entry;
        }
    }
}

void ColorHsbTables::ApplyRowExact(Pixel* row, std::int32_t count) const {
    for (std::int32_t x = 0; x < count; ++x) {
        Pixel& p = row[x];
        const HLS hls = ColorRGBToHLS(MakeRGB(p.r, p.g, p.b));
        const std::uint32_t rgb =
            ColorHLSToRGB(m_hue[hls.hue], m_luminance[hls.luminance], m_saturation[hls.saturation]);
        p.r = static_cast<std::uint8_t>(rgb);
        p.g = static_cast<std::uint8_t>(rgb >> 8);
        p.b = static_cast<std::uint8_t>(rgb >> 16);
    }
}

void ColorHsbTables::ApplyRow(Pixel* row, std::int32_t count) const {
    if (!m_tables) return ApplyRowExact(row, count);
#ifdef LUMIVANE_X86_LEVELS
    if (m_vector) {
        if (m_level >= CpuLevel::Avx512) return VectorAvx512(m_spread, m_levels.data(), row, count);
        return VectorAvx2(m_spread, m_levels.data(), row, count);
    }
#endif
    ApplyRowPortable(row, count);
}

void ColorHsbTables::ApplyRowPortable(Pixel* row, std::int32_t count) const {
    const std::uint64_t* reciprocal = m_reciprocal;
    const std::uint32_t* spread = m_spread;
    const std::uint32_t* levels = m_levels.data();
    const std::uint8_t* rampTable = m_ramp.data();
    const std::uint8_t* scaleTable = m_scale;
    // Branch-free: which channel is largest is unpredictable on photographs and noise alike, and a mispredicted
    // branch costs more than computing the three candidate hues and choosing with masks.
    for (std::int32_t x = 0; x < count; ++x) {
        Pixel& p = row[x];
        const int r = p.r;
        const int g = p.g;
        const int b = p.b;
        const int cMax = Max(r, Max(g, b));
        const int cMin = Min(r, Min(g, b));
        const int d = cMax - cMin;
        const std::uint64_t m = reciprocal[d];
        const auto half = static_cast<std::uint64_t>(d >> 1);
        const auto delta = [&](int c) {
            return static_cast<int>(((static_cast<std::uint64_t>(cMax - c) * 40 + half) * m) >> 32);
        };
        const int rDelta = delta(r);
        const int gDelta = delta(g);
        const int bDelta = delta(b);
        const int redMax = -static_cast<int>(r == cMax);              // all ones when red is the largest
        const int greenMax = ~redMax & -static_cast<int>(g == cMax);  // green, when red is not
        const int blueMax = ~(redMax | greenMax);
        int h =
            ((bDelta - gDelta) & redMax) | ((80 + rDelta - bDelta) & greenMax) | ((160 + gDelta - rDelta) & blueMax);
        h += 240 & (h >> 31);  // below 0: once round the wheel
        const int grey = -static_cast<int>(d == 0);
        h = (h & ~grey) | (160 & grey);

        const std::uint32_t positions = spread[h];
        const std::uint32_t entry = levels[static_cast<unsigned>(cMax << 8 | cMin)];
        const std::uint8_t* ramp = rampTable + (entry >> 16);
        const std::uint8_t* scale = scaleTable + (entry & 0xFFFF);
        p.r = scale[ramp[positions & 0xFF]];
        p.g = scale[ramp[(positions >> 8) & 0xFF]];
        p.b = scale[ramp[positions >> 16]];
    }
}
