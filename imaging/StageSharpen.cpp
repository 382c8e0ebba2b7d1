#include "imaging/StageSharpen.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "imaging/CpuKernel.h"
#include "imaging/RowPipeline.h"

// In the in-place order N is final before a pixel is computed and S, E and P are still old, so only W is new from the
// pixel's own row. Per byte lane the result is
//     v(x) = clamp((b(x) − v(x − 1)) ÷ 2, 0, 255),   b(x) = 6 × P − N − E − S,
// with b computed for a stretch of the row at once by a loop that vectorises. A negative difference gives a quotient
// of at most 0 whichever way it is rounded, so once it is clamped at 0 it can be halved by a shift. What is left is a
// chain of four 16-bit instructions per pixel; RowPipeline.h runs four rows' chains side by side so that they
// overlap. The chain writes 16-bit results to a buffer, which a vectorised loop then narrows into the row.

namespace {

constexpr int kRowsInFlight = 4;
constexpr std::int32_t kChunkPixels = 128;

using Shorts8 = std::int16_t __attribute__((vector_size(16)));
using Longs2 = std::uint64_t __attribute__((vector_size(16)));

inline std::uint8_t* Bytes(BMP_File& image, std::int32_t y) {
    return reinterpret_cast<std::uint8_t*>(image.Row(y));
}

// b for the lanes begin .. end − 1 of a row; −765 ≤ b ≤ 1530.
struct FixedPart {
    static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Avx2};

    LUMIVANE_KERNEL_BODY static void Run(const std::uint8_t* __restrict up, const std::uint8_t* __restrict cur,
                                         const std::uint8_t* __restrict down, std::int16_t* __restrict out,
                                         std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            out[i] = static_cast<std::int16_t>(6 * cur[i] - up[i] - cur[i + 3] - down[i]);
        }
    }
};

// Four 16-bit lanes: a pixel's three channels and one beyond them, which the caller allows for.
inline Shorts8 Load4(const std::int16_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return reinterpret_cast<Shorts8>(Longs2{v, 0});
}

inline void Store4(std::int16_t* p, Shorts8 v) {
    const std::uint64_t lanes = reinterpret_cast<Longs2>(v)[0];
    std::memcpy(p, &lanes, 8);
}

// The recurrence over `length` pixels of N chunks, one channel triple per vector register, into `results`; then the
// results go into the rows.
template <int N>
void SerialPart(BMP_File& image, const std::vector<std::int16_t>* fixedParts, std::vector<std::int16_t>* results,
                const RowChunk* chunks, std::int32_t length) {
    const std::int16_t* fixed[N];
    std::int16_t* out[N];
    Shorts8 w[N];
    const std::size_t lanes = 3 * static_cast<std::size_t>(length);
    for (int g = 0; g < N; ++g) {
        const std::size_t begin = 3 * static_cast<std::size_t>(chunks[g].begin);
        fixed[g] = fixedParts[chunks[g].slot].data() + begin;
        out[g] = results[chunks[g].slot].data() + begin;
        const std::uint8_t* west = Bytes(image, chunks[g].y) + begin - 3;
        w[g] = Shorts8{west[0], west[1], west[2], 0, 0, 0, 0, 0};
    }
    const Shorts8 zero{};
    const Shorts8 top = zero + 255;
    for (std::size_t i = 0; i < lanes; i += 3) {
        for (int g = 0; g < N; ++g) {
            Shorts8 t = Load4(fixed[g] + i) - w[g];
            t = t > zero ? t : zero;
            t >>= 1;
            w[g] = t < top ? t : top;
            Store4(out[g] + i, w[g]);
        }
    }
    for (int g = 0; g < N; ++g) {
        std::uint8_t* const row = Bytes(image, chunks[g].y) + 3 * static_cast<std::size_t>(chunks[g].begin);
        for (std::size_t i = 0; i < lanes; ++i) row[i] = static_cast<std::uint8_t>(out[g][i]);
    }
}

}  // namespace

void SharpenStage(BMP_File& image, CpuLevel level) {
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    if (width < 3 || height < 3) return;
    // One spare lane each: the serial part reads and writes four lanes per pixel.
    const std::size_t lanes = 3 * static_cast<std::size_t>(width) + 1;
    std::array<std::vector<std::int16_t>, kRowsInFlight> fixedParts;
    std::array<std::vector<std::int16_t>, kRowsInFlight> results;
    for (auto& part : fixedParts) part.assign(lanes, 0);
    for (auto& result : results) result.assign(lanes, 0);
    level = RunnableCpuLevel(level);
    const auto prepare = [&](const RowChunk& chunk) {
        RunKernel<FixedPart>(level, Bytes(image, chunk.y - 1), Bytes(image, chunk.y), Bytes(image, chunk.y + 1),
                             fixedParts[chunk.slot].data(), 3 * static_cast<std::size_t>(chunk.begin),
                             3 * static_cast<std::size_t>(chunk.end));
    };
    const auto serial = [&](auto rows, const RowChunk* chunks, std::int32_t length) {
        SerialPart<decltype(rows)::value>(image, fixedParts.data(), results.data(), chunks, length);
    };
    RunRowPipeline<kRowsInFlight>(1, height - 2, 1, width - 2, kChunkPixels, prepare, serial);
}
