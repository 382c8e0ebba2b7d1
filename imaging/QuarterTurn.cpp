#include "imaging/QuarterTurn.h"

#include <algorithm>
#include <cstring>

#include "base/Parallel.h"
#include "imaging/CpuKernel.h"

#ifdef LUMIVANE_X86_LEVELS
#include <immintrin.h>
#endif

namespace {

// A quarter turn writes output row y from source column y (clockwise) or W − 1 − y (anticlockwise), and output
// column x from source row H − 1 − x (clockwise) or x (anticlockwise).
struct TurnGeometry {
    const unsigned char* source;
    unsigned char* target;
    std::size_t sourceStride;  // bytes of a source row
    std::size_t targetStride;  // bytes of a target row
    std::int32_t sourceWidth;
    std::int32_t sourceHeight;
    bool clockwise;

    const unsigned char* SourcePixel(std::int32_t targetX, std::int32_t targetY) const {
        const std::int32_t row = clockwise ? sourceHeight - 1 - targetX : targetX;
        const std::int32_t column = clockwise ? targetY : sourceWidth - 1 - targetY;
        return source + static_cast<std::size_t>(row) * sourceStride + static_cast<std::size_t>(column) * 3;
    }
    unsigned char* TargetPixel(std::int32_t targetX, std::int32_t targetY) const {
        return target + static_cast<std::size_t>(targetY) * targetStride + static_cast<std::size_t>(targetX) * 3;
    }
};

// Target rows [y0, y1) × columns [x0, x1), pixel by pixel, in tiles small enough for the first-level cache.
void TurnScalar(const TurnGeometry& g, std::int32_t y0, std::int32_t y1, std::int32_t x0, std::int32_t x1) {
    constexpr std::int32_t kTileRows = 16;
    constexpr std::int32_t kTileColumns = 256;
    for (std::int32_t ty = y0; ty < y1; ty += kTileRows) {
        const std::int32_t tyEnd = std::min(ty + kTileRows, y1);
        for (std::int32_t tx = x0; tx < x1; tx += kTileColumns) {
            const std::int32_t txEnd = std::min(tx + kTileColumns, x1);
            for (std::int32_t y = ty; y < tyEnd; ++y) {
                for (std::int32_t x = tx; x < txEnd; ++x) std::memcpy(g.TargetPixel(x, y), g.SourcePixel(x, y), 3);
            }
        }
    }
}

#ifdef LUMIVANE_X86_LEVELS

constexpr std::int32_t kStripRows = 16;

// Target rows [begin, end) with SSSE3: strips of 16 target rows walk down all target columns in steps of 4. For each
// step four source rows give 16 pixels each (four 16-byte loads, each spread from 3 to 4 bytes a pixel), four 4 × 4
// transposes of 32-bit lanes put them in target order, and each target row takes 12 packed bytes. Rows and columns
// that do not fill a whole strip or step go pixel by pixel. Only bytes are moved, so the result is the scalar one.
template <bool kClockwise>
LUMIVANE_TARGET_SSSE3 void TurnSsse3(const TurnGeometry& g, std::int32_t begin, std::int32_t end) {
    const std::int32_t columns = g.sourceHeight;  // target width
    // Clockwise, group q of a strip is source columns y0 + 4q … y0 + 4q + 3, loaded from its first byte.
    // Anticlockwise it is source columns b … b + 3 with b = W − 4 − y0 − 4q, in reverse, loaded from 4 bytes
    // before b so that no load passes the end of the picture.
    const __m128i spread = kClockwise ? _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1)
                                      : _mm_setr_epi8(13, 14, 15, -1, 10, 11, 12, -1, 7, 8, 9, -1, 4, 5, 6, -1);
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);

    // A strip's loads reach 4 bytes past its 16 source pixels (clockwise) or 4 bytes before them (anticlockwise),
    // which stays inside the source picture while two more columns follow or precede the strip.
    // Strips are taken so that they move from the right end of the source rows to the left; the other order measured
    // about half as fast.
    const std::int32_t strips = std::max(0, (std::min(end, g.sourceWidth - 2) - begin) / kStripRows);
    for (std::int32_t strip = 0; strip < strips; ++strip) {
        const std::int32_t y0 = begin + kStripRows * (kClockwise ? strips - 1 - strip : strip);
        const std::int32_t blocks = columns / 4;
        for (std::int32_t block = 0; block < blocks; ++block) {
            const std::int32_t x = 4 * block;
            __m128i lanes[4][4];  // [source row k][group q]: four pixels as 32-bit lanes
            for (int k = 0; k < 4; ++k) {
                const std::int32_t row = kClockwise ? g.sourceHeight - 1 - x - k : x + k;
                const unsigned char* in = g.source + static_cast<std::size_t>(row) * g.sourceStride;
                for (int q = 0; q < 4; ++q) {
                    const std::int64_t offset = kClockwise ? (std::int64_t{y0} + 4 * q) * 3
                                                           : (std::int64_t{g.sourceWidth} - 4 - y0 - 4 * q) * 3 - 4;
                    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + offset));
                    lanes[k][q] = _mm_shuffle_epi8(bytes, spread);
                }
            }
            for (int q = 0; q < 4; ++q) {
                const __m128i t0 = _mm_unpacklo_epi32(lanes[0][q], lanes[1][q]);
                const __m128i t1 = _mm_unpacklo_epi32(lanes[2][q], lanes[3][q]);
                const __m128i t2 = _mm_unpackhi_epi32(lanes[0][q], lanes[1][q]);
                const __m128i t3 = _mm_unpackhi_epi32(lanes[2][q], lanes[3][q]);
                const __m128i rows[4] = {_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
                                         _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3)};
                for (int j = 0; j < 4; ++j) {
                    const __m128i packed = _mm_shuffle_epi8(rows[j], pack);
                    unsigned char* out = g.TargetPixel(x, y0 + 4 * q + j);
                    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
                    const std::int32_t tail = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
                    std::memcpy(out + 8, &tail, 4);
                }
            }
        }
        TurnScalar(g, y0, y0 + kStripRows, 4 * blocks, columns);
    }
    TurnScalar(g, begin + kStripRows * strips, end, 0, columns);
}

#endif

// Target rows [begin, end) of a half turn: target row y is source row H − 1 − y read backwards.
void HalfTurnRows(const BMP_File& source, BMP_File& target, std::int32_t begin, std::int32_t end) {
    const std::int32_t width = source.Width();
    const std::int32_t height = source.Height();
    for (std::int32_t y = begin; y < end; ++y) {
        const Pixel* in = source.Row(height - 1 - y);
        std::reverse_copy(in, in + width, target.Row(y));
    }
}

}  // namespace

bool QuarterTurnInto(const BMP_File& source, BMP_File& target, int turns, int threads, CpuLevel level) {
    if (&source == &target || turns < 1 || turns > 3) return false;
    const std::int32_t width = source.Width();
    const std::int32_t height = source.Height();
    if (turns == 2) {
        if (!target.Reshape(width, height)) return false;
        ParallelRows(height, std::int64_t{width} * height, threads,
                     [&](std::int32_t begin, std::int32_t end) { HalfTurnRows(source, target, begin, end); });
        return true;
    }

    if (!target.Reshape(height, width)) return false;
    if (source.IsEmpty()) return true;
    const TurnGeometry geometry{reinterpret_cast<const unsigned char*>(source.Data()),
                                reinterpret_cast<unsigned char*>(target.Data()),
                                static_cast<std::size_t>(width) * 3,
                                static_cast<std::size_t>(height) * 3,
                                width,
                                height,
                                turns == 1};
    [[maybe_unused]] const bool ssse3 = RunnableCpuLevel(level) >= CpuLevel::Ssse3;
    ParallelRows(width, std::int64_t{width} * height, threads, [&](std::int32_t begin, std::int32_t end) {
#ifdef LUMIVANE_X86_LEVELS
        if (ssse3) {
            if (geometry.clockwise) {
                TurnSsse3<true>(geometry, begin, end);
            } else {
                TurnSsse3<false>(geometry, begin, end);
            }
            return;
        }
#endif
        TurnScalar(geometry, begin, end, 0, height);
    });
    return true;
}
