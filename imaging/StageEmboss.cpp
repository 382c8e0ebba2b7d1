#include "imaging/StageEmboss.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "imaging/CpuKernel.h"
#include "imaging/RowPipeline.h"

// In the in-place order the row above is final before a pixel is computed and the row below is untouched, so of the
// eight neighbours only W is new from the pixel's own row. Per byte lane the result is
//     v(x) = max(a(x), |E(x) − v(x − 1)|),   a(x) = max(|NE − SW|, |SE − NW|, |N − S|),
// where a reads only the rows above and below and is computed for a stretch of the row at once by a loop that
// vectorises, and E is the old value of the next pixel, not yet overwritten when x is written. What is left is a
// chain of three byte instructions per pixel; RowPipeline.h runs four rows' chains side by side so that they overlap.

namespace {

constexpr int kRowsInFlight = 4;
constexpr std::int32_t kChunkPixels = 128;

using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Words4 = std::uint32_t __attribute__((vector_size(16)));

inline std::uint8_t* Bytes(BMP_File& image, std::int32_t y) {
    return reinterpret_cast<std::uint8_t*>(image.Row(y));
}

inline std::uint8_t AbsDiff(std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(std::max(a, b) - std::min(a, b));
}

// a for the lanes begin .. end − 1 of a row.
struct VerticalPart {
    static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Avx2};

    LUMIVANE_KERNEL_BODY static void Run(const std::uint8_t* __restrict up, const std::uint8_t* __restrict down,
                                         std::uint8_t* __restrict out, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const std::uint8_t diagonal1 = AbsDiff(up[i + 3], down[i - 3]);
            const std::uint8_t diagonal2 = AbsDiff(down[i + 3], up[i - 3]);
            out[i] = std::max(std::max(diagonal1, diagonal2), AbsDiff(up[i], down[i]));
        }
    }
};

// Four bytes: a pixel's three channels and one byte beyond them, which the caller allows for.
inline Bytes16 Load4(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return reinterpret_cast<Bytes16>(Words4{v, 0, 0, 0});
}

inline void Store4(std::uint8_t* p, Bytes16 v) {
    const std::uint32_t bytes = reinterpret_cast<Words4>(v)[0];
    std::memcpy(p, &bytes, 4);
}

// The recurrence over `length` pixels of N chunks, one channel triple per vector register. Each pixel is stored with
// four bytes, the fourth landing on the next pixel, which has been read already and is written next; the byte after a
// chunk's last pixel is put back afterwards.
template <int N>
void SerialPart(BMP_File& image, const std::vector<std::uint8_t>* verticals, const RowChunk* chunks,
                std::int32_t length) {
    std::uint8_t* cur[N];
    const std::uint8_t* vertical[N];
    Bytes16 w[N];
    std::uint8_t kept[N];
    const std::size_t lanes = 3 * static_cast<std::size_t>(length);
    for (int g = 0; g < N; ++g) {
        const std::size_t begin = 3 * static_cast<std::size_t>(chunks[g].begin);
        cur[g] = Bytes(image, chunks[g].y) + begin;
        vertical[g] = verticals[chunks[g].slot].data() + begin;
        w[g] = Load4(cur[g] - 3);
        kept[g] = cur[g][lanes];
    }
    for (std::size_t i = 0; i < lanes; i += 3) {
        for (int g = 0; g < N; ++g) {
            const Bytes16 e = Load4(cur[g] + i + 3);  // old: pixel x + 1 has not been written yet
            const Bytes16 a = Load4(vertical[g] + i);
            const Bytes16 difference = (e > w[g] ? e : w[g]) - (e > w[g] ? w[g] : e);
            w[g] = a > difference ? a : difference;
            Store4(cur[g] + i, w[g]);
        }
    }
    for (int g = 0; g < N; ++g) cur[g][lanes] = kept[g];
}

}  // namespace

void EmbossStage(BMP_File& image, CpuLevel level) {
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    if (width < 3 || height < 3) return;
    // One spare byte: the serial part reads four bytes per pixel. Reading one byte past the end of an interior row
    // stays inside the picture, as the row below exists.
    std::array<std::vector<std::uint8_t>, kRowsInFlight> verticals;
    for (auto& vertical : verticals) vertical.assign(3 * static_cast<std::size_t>(width) + 1, 0);
    level = RunnableCpuLevel(level);
    const auto prepare = [&](const RowChunk& chunk) {
        RunKernel<VerticalPart>(level, Bytes(image, chunk.y - 1), Bytes(image, chunk.y + 1),
                                verticals[chunk.slot].data(), 3 * static_cast<std::size_t>(chunk.begin),
                                3 * static_cast<std::size_t>(chunk.end));
    };
    const auto serial = [&](auto rows, const RowChunk* chunks, std::int32_t length) {
        SerialPart<decltype(rows)::value>(image, verticals.data(), chunks, length);
    };
    RunRowPipeline<kRowsInFlight>(1, height - 2, 1, width - 2, kChunkPixels, prepare, serial);
}
