#include "imaging/StageLight.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/Parallel.h"
#include "imaging/CpuKernel.h"
#include "imaging/StageSupport.h"

namespace {

__extension__ typedef unsigned __int128 Wide;

// v² exactly, then rounded once to double or to float. Scaled rectangles reach 2^59, so the squares need 128 bits.
double SquareAsDouble(std::int64_t v) {
    const auto magnitude = static_cast<std::uint64_t>(v < 0 ? -v : v);
    return static_cast<double>(Wide{magnitude} * magnitude);
}

float SquareAsFloat(std::int64_t v) {
    const auto magnitude = static_cast<std::uint64_t>(v < 0 ? -v : v);
    return static_cast<float>(Wide{magnitude} * magnitude);
}

// The row kernels below have SSSE3 and AVX2 versions beside the portable one. Each of their floating-point steps is a
// single correctly rounded operation and nothing is fused (CpuKernel.h), so every level gives the same bytes.

// The strength of every pixel of one row: q = float(column part + row part), d = float(√q),
// k = trunc((1 − d) × 200) in single precision. A k below 1 (the pixel outside the ellipse, q infinite or not a
// number) is stored as 0, which leaves the pixel as it is. The single-precision root of a float equals its double
// root rounded to single precision, so d is exact.
struct StrengthRow {
    static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Ssse3, CpuLevel::Avx2};

    LUMIVANE_KERNEL_BODY static void Run(const double* columnPart, double rowPart, std::size_t count,
                                         std::uint8_t* strength) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto q = static_cast<float>(columnPart[i] + rowPart);
            const float d = std::sqrt(q);
            const float k = (1.0f - d) * 200.0f;
            const float kept = k >= 1.0f ? k : 0.0f;  // also turns not-a-number into 0
            strength[i] = static_cast<std::uint8_t>(static_cast<std::int32_t>(kept));
        }
    }
};

// One strength per byte of the pixels: strength3[3i + c] = strength[i].
struct ExpandRow {
    static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Ssse3, CpuLevel::Avx2};

    LUMIVANE_KERNEL_BODY static void Run(const std::uint8_t* __restrict strength, std::uint8_t* __restrict strength3,
                                         std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            strength3[3 * i] = strength[i];
            strength3[3 * i + 1] = strength[i];
            strength3[3 * i + 2] = strength[i];
        }
    }
};

// Moves every byte of a row k steps towards its target without passing it: t ≥ p gives min(p + k, t), else
// max(p − k, t). Written with differences so that nothing leaves 0..255 and the loop vectorises.
struct PullRow {
    static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Ssse3, CpuLevel::Avx2};

    LUMIVANE_KERNEL_BODY static void Run(std::uint8_t* __restrict bytes, const std::uint8_t* __restrict strength3,
                                         const std::uint8_t* __restrict target3, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t p = bytes[i];
            const std::uint8_t t = target3[i];
            const std::uint8_t k = strength3[i];
            const auto up = static_cast<std::uint8_t>(t - p);
            const auto down = static_cast<std::uint8_t>(p - t);
            bytes[i] = t >= p ? static_cast<std::uint8_t>(p + std::min(k, up))
                              : static_cast<std::uint8_t>(p - std::min(k, down));
        }
    }
};

std::uint8_t ClampChannel(std::int32_t v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

}  // namespace

void LightStage(BMP_File& image, const Rect& rcLight, Size pane, std::int32_t red, std::int32_t green,
                std::int32_t blue, int threads, CpuLevel level) {
    level = RunnableCpuLevel(level);
    ImageRect area;
    if (image.IsEmpty() || !ScaleRectToImage(rcLight, pane, image.Width(), image.Height(), area)) return;
    if (area.left >= area.right) return;
    const std::int64_t cx = (area.left + area.right) / 2;
    const std::int64_t cy = (area.top + area.bottom) / 2;
    const std::int64_t rx = (area.right - area.left) / 2;
    const std::int64_t ry = (area.bottom - area.top) / 2;

    // Only the part of the rectangle inside the picture is visited.
    const auto x0 = static_cast<std::int32_t>(std::clamp<std::int64_t>(area.left, 0, image.Width()));
    const auto x1 = static_cast<std::int32_t>(std::clamp<std::int64_t>(area.right, 0, image.Width()));
    const auto y0 = static_cast<std::int32_t>(std::clamp<std::int64_t>(area.top, 0, image.Height()));
    const auto y1 = static_cast<std::int32_t>(std::clamp<std::int64_t>(area.bottom, 0, image.Height()));
    if (x0 >= x1 || y0 >= y1) return;
    const auto columns = static_cast<std::size_t>(x1 - x0);

    // q = dx² ÷ rx² (double) + dy² ÷ ry² (single precision): the first part depends on the column only, the second
    // on the row only. A half-axis of 0 makes the parts infinite or not a number, which the strength turns into 0.
    const double rx2 = SquareAsDouble(rx);
    const float ry2 = SquareAsFloat(ry);
    std::vector<double> columnPart(columns);
    for (std::size_t i = 0; i < columns; ++i) {
        columnPart[i] = SquareAsDouble(x0 + static_cast<std::int64_t>(i) - cx) / rx2;
    }
    const std::uint8_t target[3] = {ClampChannel(red), ClampChannel(green), ClampChannel(blue)};
    std::vector<std::uint8_t> target3(columns * 3);
    for (std::size_t i = 0; i < target3.size(); ++i) target3[i] = target[i % 3];

    // Rows cy − j and cy + j share their strengths, so each distance j from the centre row is computed once and
    // applied to both rows where they lie in the picture.
    const std::int64_t below = std::int64_t{y0} - cy;      // signed distance of the first row
    const std::int64_t above = std::int64_t{y1} - 1 - cy;  // and of the last
    const std::int64_t nearest = below > 0 ? below : above < 0 ? -above : 0;
    const std::int64_t farthest = std::max(below < 0 ? -below : below, above < 0 ? -above : above);
    const auto distances = static_cast<std::int32_t>(farthest - nearest + 1);

    ParallelRows(distances, std::int64_t{y1 - y0} * (x1 - x0), threads, [&](std::int32_t begin, std::int32_t end) {
        std::vector<std::uint8_t> strength(columns);
        std::vector<std::uint8_t> strength3(columns * 3);
        for (std::int32_t n = begin; n < end; ++n) {
            const std::int64_t j = nearest + n;
            const double rowPart = static_cast<double>(SquareAsFloat(j) / ry2);
            RunKernel<StrengthRow>(level, columnPart.data(), rowPart, columns, strength.data());
            // The strength never grows away from the centre column, so the pixels it moves form one run.
            std::size_t first = 0;
            while (first < columns && strength[first] == 0) ++first;
            if (first == columns) continue;
            std::size_t last = columns;
            while (strength[last - 1] == 0) --last;
            RunKernel<ExpandRow>(level, strength.data() + first, strength3.data() + 3 * first, last - first);
            const std::int64_t rows[2] = {cy - j, cy + j};
            for (int side = 0; side < (j == 0 ? 1 : 2); ++side) {
                const std::int64_t y = rows[side];
                if (y < y0 || y >= y1) continue;
                auto* bytes = reinterpret_cast<std::uint8_t*>(image.Row(static_cast<std::int32_t>(y)) + x0);
                RunKernel<PullRow>(level, bytes + 3 * first, strength3.data() + 3 * first, target3.data() + 3 * first,
                                   3 * (last - first));
            }
        }
    });
}
