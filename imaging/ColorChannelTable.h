#pragma once
// A per-channel byte table: red, green and blue each go through their own 256-entry table. Tables compose, so any run
// of per-channel stages (the inversions, contrast, brightness) becomes one lookup per channel. Plain value type.

#include <array>
#include <cstdint>

#include "imaging/CpuLevel.h"
#include "imaging/Pixel.h"

class ColorChannelTable {
public:
    // Every value maps to itself.
    ColorChannelTable();

    // 255 − c for each channel whose switch is on.
    static ColorChannelTable Invert(bool red, bool green, bool blue);
    // trunc((c − 128) × f) + 128 clamped, f the single-precision contrast factor of each channel's value.
    static ColorChannelTable Contrast(std::int32_t red, std::int32_t green, std::int32_t blue);
    // c + offset clamped, offset the brightness offset of each channel's value.
    static ColorChannelTable Brightness(std::int32_t red, std::int32_t green, std::int32_t blue);

    // This table followed by next.
    ColorChannelTable Then(const ColorChannelTable& next) const;

    bool IsIdentity() const;

    // channel 0 red, 1 green, 2 blue.
    std::uint8_t Map(int channel, std::uint8_t value) const { return m_table[channel][value]; }

    // Replaces every pixel of row[0 .. count − 1] by its mapped value. level must be one this processor runs
    // (RunnableCpuLevel); every level gives the same bytes.
    void ApplyRow(Pixel* row, std::int32_t count, CpuLevel level) const;

private:
    std::array<std::array<std::uint8_t, 256>, 3> m_table;
};
