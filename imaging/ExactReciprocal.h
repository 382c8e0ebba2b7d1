#pragma once
// Division of a window sum by the window's pixel count through one multiply, exact over the whole range the
// neighbourhood stages need: for a count n with 2 ≤ n ≤ kMaxPixels and a sum s with 0 ≤ s ≤ 255 · n,
// DivideByReciprocal(s, ReciprocalOf(n)) == s / n (the remainder dropped).
//
// Why it is exact: m = ⌈2^64 / n⌉ = (2^64 + e) / n with 0 ≤ e < n. Write s = q · n + ρ with 0 ≤ ρ < n; then
// s · m / 2^64 = q + ρ / n + s · e / (n · 2^64), whose integer part is q as long as s · e < 2^64 · (n − ρ). The
// hardest case is ρ = n − 1 with the largest such s, 255 · n − 1, which needs (255 · n − 1) · e < 2^64; and indeed
// (255 · n − 1) · e < 255 · n² ≤ 255 · 2^56 < 2^64.

#include <cstdint>

#include "base/Limits.h"

static_assert(kMaxPixels <= (std::int64_t{1} << 28), "the exactness bound above assumes n ≤ 2^28");

// ⌈2^64 / n⌉ for 2 ≤ n ≤ kMaxPixels (for n = 1 it would not fit in 64 bits).
inline std::uint64_t ReciprocalOf(std::uint64_t n) {
    return ~std::uint64_t{0} / n + 1;
}

// ⌊sum · reciprocal / 2^64⌋: the high half of the 128-bit product.
inline std::uint64_t DivideByReciprocal(std::uint64_t sum, std::uint64_t reciprocal) {
    __extension__ using Wide = unsigned __int128;
    return static_cast<std::uint64_t>((static_cast<Wide>(sum) * reciprocal) >> 64);
}
