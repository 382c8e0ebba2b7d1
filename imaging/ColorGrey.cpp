#include "imaging/ColorGrey.h"

#include "imaging/ColorFormulas.h"

namespace {

// One source for every level; the compiler vectorises it for the wider ones (three-way interleaved loads and
// stores, division by 3 through a multiplication), which changes no result.
inline __attribute__((always_inline)) void GreyBody(Pixel* row, std::int32_t count) {
    for (std::int32_t x = 0; x < count; ++x) {
        const std::uint8_t v = color::GreyLevel(row[x].r, row[x].g, row[x].b);
        row[x] = Pixel{v, v, v};
    }
}

void GreyPortable(Pixel* row, std::int32_t count) {
    GreyBody(row, count);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void GreyAvx2(Pixel* row, std::int32_t count) {
    GreyBody(row, count);
}
__attribute__((target("arch=x86-64-v4"))) void GreyAvx512(Pixel* row, std::int32_t count) {
    GreyBody(row, count);
}
#endif

}  // namespace

void GreyRow(Pixel* row, std::int32_t count, ColorIsa isa) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (isa == ColorIsa::Avx512) return GreyAvx512(row, count);
    if (isa == ColorIsa::Avx2) return GreyAvx2(row, count);
#endif
    (void)isa;
    GreyPortable(row, count);
}
