#include "imaging/ColorChannelTable.h"

#include "imaging/ColorFormulas.h"
#include "imaging/CpuKernel.h"

#ifdef LUMIVANE_X86_LEVELS
#include <immintrin.h>
#endif

ColorChannelTable::ColorChannelTable() {
    for (auto& channel : m_table) {
        for (int v = 0; v < 256; ++v) channel[v] = static_cast<std::uint8_t>(v);
    }
}

ColorChannelTable ColorChannelTable::Invert(bool red, bool green, bool blue) {
    ColorChannelTable table;
    const bool on[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c) {
        if (!on[c]) continue;
        for (int v = 0; v < 256; ++v) table.m_table[c][v] = static_cast<std::uint8_t>(255 - v);
    }
    return table;
}

ColorChannelTable ColorChannelTable::Contrast(std::int32_t red, std::int32_t green, std::int32_t blue) {
    ColorChannelTable table;
    const std::int32_t values[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c) {
        const float factor = color::ContrastFactor(values[c]);
        for (int v = 0; v < 256; ++v) {
            table.m_table[c][v] = color::ContrastChannel(static_cast<std::uint8_t>(v), factor);
        }
    }
    return table;
}

ColorChannelTable ColorChannelTable::Brightness(std::int32_t red, std::int32_t green, std::int32_t blue) {
    ColorChannelTable table;
    const std::int32_t values[3] = {red, green, blue};
    for (int c = 0; c < 3; ++c) {
        const std::int32_t offset = color::BrightnessOffset(values[c]);
        for (int v = 0; v < 256; ++v) {
            table.m_table[c][v] = color::BrightnessChannel(static_cast<std::uint8_t>(v), offset);
        }
    }
    return table;
}

ColorChannelTable ColorChannelTable::Then(const ColorChannelTable& next) const {
    ColorChannelTable composed;
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < 256; ++v) composed.m_table[c][v] = next.m_table[c][m_table[c][v]];
    }
    return composed;
}

bool ColorChannelTable::IsIdentity() const {
    return m_table == ColorChannelTable().m_table;
}

namespace {

void ApplyPortable(const std::array<std::array<std::uint8_t, 256>, 3>& table, Pixel* row, std::int32_t count) {
    const std::uint8_t* red = table[0].data();
    const std::uint8_t* green = table[1].data();
    const std::uint8_t* blue = table[2].data();
    for (std::int32_t x = 0; x < count; ++x) {
        Pixel& p = row[x];
        p.r = red[p.r];
        p.g = green[p.g];
        p.b = blue[p.b];
    }
}

#ifdef LUMIVANE_X86_LEVELS

// Lane i of the k-th 64-byte vector of a 192-byte group (64 pixels) carries channel (k + i) mod 3.
constexpr std::uint64_t ChannelLanes(int k, int channel) {
    std::uint64_t lanes = 0;
    for (int i = 0; i < 64; ++i) {
        if ((k + i) % 3 == channel) lanes |= std::uint64_t{1} << i;
    }
    return lanes;
}

constexpr std::uint64_t kChannelLanes[3][3] = {
    {ChannelLanes(0, 0), ChannelLanes(0, 1), ChannelLanes(0, 2)},
    {ChannelLanes(1, 0), ChannelLanes(1, 1), ChannelLanes(1, 2)},
    {ChannelLanes(2, 0), ChannelLanes(2, 1), ChannelLanes(2, 2)},
};

// 64 bytes at a time: each 256-entry table is four registers; a two-source byte permute looks up the low 128 and
// the high 128 entries, and the top bit of each byte picks between them. Each lane then takes its own channel's
// result.
LUMIVANE_TARGET_AVX512 void ApplyAvx512(const std::array<std::array<std::uint8_t, 256>, 3>& table, Pixel* row,
                                        std::int32_t count) {
    __m512i quarter[3][4];
    for (int c = 0; c < 3; ++c) {
        for (int q = 0; q < 4; ++q) quarter[c][q] = _mm512_loadu_si512(table[c].data() + 64 * q);
    }
    auto* bytes = reinterpret_cast<std::uint8_t*>(row);
    const std::size_t total = static_cast<std::size_t>(count) * 3;
    std::size_t i = 0;
    for (; i + 192 <= total; i += 192) {
        for (int k = 0; k < 3; ++k) {
            const __m512i index = _mm512_loadu_si512(bytes + i + 64 * k);
            const __mmask64 high = _mm512_movepi8_mask(index);
            __m512i result = _mm512_setzero_si512();
            for (int c = 0; c < 3; ++c) {
                const __m512i low = _mm512_permutex2var_epi8(quarter[c][0], index, quarter[c][1]);
                const __m512i top = _mm512_permutex2var_epi8(quarter[c][2], index, quarter[c][3]);
                result = _mm512_mask_blend_epi8(kChannelLanes[k][c], result, _mm512_mask_blend_epi8(high, low, top));
            }
            _mm512_storeu_si512(bytes + i + 64 * k, result);
        }
    }
    ApplyPortable(table, row + i / 3, static_cast<std::int32_t>((total - i) / 3));
}

#endif

}  // namespace

// Below AVX-512 the plain lookup is the fastest: the compiler cannot vectorise it, and gathers are slower.
void ColorChannelTable::ApplyRow(Pixel* row, std::int32_t count, CpuLevel level) const {
#ifdef LUMIVANE_X86_LEVELS
    if (level >= CpuLevel::Avx512) {
        ApplyAvx512(m_table, row, count);
        return;
    }
#endif
    (void)level;
    ApplyPortable(m_table, row, count);
}
