#include "imaging/ColorGrey.h"

#include "imaging/ColorFormulas.h"
#include "imaging/CpuKernel.h"

namespace {

// The compiler vectorises it for the wider levels (three-way interleaved loads and stores, division by 3 through a
// multiplication), which changes no result.
struct Grey {
    static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Avx2, CpuLevel::Avx512};

    LUMIVANE_KERNEL_BODY static void Run(Pixel* row, std::int32_t count) {
        for (std::int32_t x = 0; x < count; ++x) {
            const std::uint8_t v = color::GreyLevel(row[x].r, row[x].g, row[x].b);
            row[x] = Pixel{v, v, v};
        }
    }
};

}  // namespace

void GreyRow(Pixel* row, std::int32_t count, CpuLevel level) {
    RunKernel<Grey>(level, row, count);
}
