#include "imaging/StageBlur.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "imaging/CpuKernel.h"
#include "imaging/ExactReciprocal.h"

// A running-sum blur that keeps the in-place order.
//
// Take the window of pixel (x, y). The rows above y already hold new values, the rows below still hold old ones, and
// so do the columns of row y itself from x on, while those left of x are new. The window sum therefore splits into
// the column sums of the window's rows other than y (kept per byte lane of the row and moved down one row at a time
// by adding the row that enters and dropping the row that leaves) and the part of row y inside the window. Moving
// from x to x + 1 changes that sum by
//     + v(x)                              pixel x's new value joins the window (its old value leaves it)
//     − old(x)
//     + C(x + 1 + r) + old(x + 1 + r)     the column entering on the right, the current row still old there
//     − C(x − r) − new(x − r)             the column leaving on the left, the current row already new there
// where C is the column sum without row y. Everything but v(x) and new(x − r) is known before the row starts and is
// gathered into one step value per lane by a loop that vectorises; the serial part along the row is left with one
// multiply and two additions per channel. Lanes outside the picture read zeros from padding, which is how the window
// shrinks at the edges without a branch. The count of window pixels is rows × columns, and the division by it is a
// multiply by an exact reciprocal (ExactReciprocal.h).

namespace {

// steps[i] = C(i + ahead) + old(i + ahead) − C(i − behind) − old(i) over the lanes of one row, where entering[i] and
// leaving[i] are the padded column sums C(i + ahead) and C(i − behind) (zero outside the row) and `row` holds the
// row's old values; old reads 0 past the row's end.
struct ComputeSteps {
    static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Avx2};

    template <typename Sum, typename Step>
    LUMIVANE_KERNEL_BODY static void Run(const Sum* entering, const Sum* leaving, const std::uint8_t* row,
                                         std::size_t lanes, std::size_t ahead, Step* steps) {
        const std::size_t inside = lanes > ahead ? lanes - ahead : 0;
        for (std::size_t i = 0; i < inside; ++i) {
            steps[i] = static_cast<Step>(entering[i] + row[i + ahead]) - static_cast<Step>(leaving[i]) -
                       static_cast<Step>(row[i]);
        }
        for (std::size_t i = inside; i < lanes; ++i) {
            steps[i] = static_cast<Step>(entering[i]) - static_cast<Step>(leaving[i]) - static_cast<Step>(row[i]);
        }
    }
};

// sums[i] += joined[i] + below[i] − current[i] − top[i] over the lanes of a row.
struct MoveSums {
    static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Avx2};

    template <typename Sum>
    LUMIVANE_KERNEL_BODY static void Run(Sum* __restrict sums, const std::uint8_t* joined, const std::uint8_t* current,
                                         const std::uint8_t* top, const std::uint8_t* below, std::size_t lanes) {
        for (std::size_t i = 0; i < lanes; ++i) {
            sums[i] += static_cast<Sum>(joined[i] + below[i]) - static_cast<Sum>(current[i] + top[i]);
        }
    }
};

// Sums of columns of window rows in Sum, per-lane steps in Step. 32 bits hold them while 255 × (window rows) fits in
// a signed 32-bit value, which covers every blur size the dialog offers; 64 bits take the rest (only pictures of more
// than 8421504 rows can have such windows).
template <typename Sum, typename Step>
class RunningBlur {
public:
    RunningBlur(BMP_File& image, std::int32_t rx, std::int32_t ry, CpuLevel level)
        : m_image(image),
          m_level(level),
          m_width(image.Width()),
          m_height(image.Height()),
          m_rx(rx),
          m_ry(ry),
          m_lanes(3 * static_cast<std::size_t>(m_width)),
          m_pad(3 * static_cast<std::size_t>(rx)),
          m_columnSums(m_pad + m_lanes + m_pad + 3, 0),
          m_steps(m_lanes),
          m_zeros(m_lanes, 0),
          m_reciprocals(static_cast<std::size_t>(m_width)) {}

    void Run() {
        // The window of row 0 without row 0 itself: rows 1 .. ry.
        Sum* sums = m_columnSums.data() + m_pad;
        for (std::int32_t y = 1; y <= m_ry; ++y) {
            const std::uint8_t* row = Bytes(y);
            for (std::size_t i = 0; i < m_lanes; ++i) sums[i] += row[i];
        }
        std::int64_t reciprocalRows = -1;
        for (std::int32_t y = 0; y < m_height; ++y) {
            const std::int64_t rows = std::min<std::int64_t>(y + m_ry, m_height - 1) - std::max(y - m_ry, 0) + 1;
            if (rows != reciprocalRows) {
                FillReciprocals(rows);
                reciprocalRows = rows;
            }
            PrepareRow(y);
            BlurRow(y);
            if (y + 1 < m_height) MoveWindowDown(y);
        }
    }

private:
    std::uint8_t* Bytes(std::int32_t y) { return reinterpret_cast<std::uint8_t*>(m_image.Row(y)); }

    // The reciprocal of the window's pixel count for every column of a row whose window spans `rows` rows. Column x
    // and column width − 1 − x have windows of the same width, and neighbouring columns mostly do too, so only the
    // distinct widths of the left half cost a division: at most rx + 1 of them.
    void FillReciprocals(std::int64_t rows) {
        std::int64_t lastColumns = 0;
        std::uint64_t reciprocal = 0;
        for (std::int32_t x = 0; x < m_width - x; ++x) {
            const std::int64_t columns = std::min(x + m_rx, m_width - 1) - std::max(x - m_rx, 0) + 1;
            if (columns != lastColumns) {
                reciprocal = ReciprocalOf(static_cast<std::uint64_t>(rows * columns));
                lastColumns = columns;
            }
            m_reciprocals[static_cast<std::size_t>(x)] = reciprocal;
            m_reciprocals[static_cast<std::size_t>(m_width - 1 - x)] = reciprocal;
        }
    }

    // The step of every lane of row y (see the top of this file), read before the row is overwritten.
    void PrepareRow(std::int32_t y) {
        // Lane i of the row is lane i + m_pad of the padded sums; the entering column lies rx + 1 pixels to the right
        // of it, the leaving one rx pixels to the left.
        RunKernel<ComputeSteps>(m_level, m_columnSums.data() + 2 * m_pad + 3, m_columnSums.data(),
                                static_cast<const std::uint8_t*>(Bytes(y)), m_lanes, m_pad + 3, m_steps.data());
    }

    void BlurRow(std::int32_t y) {
        std::uint8_t* const row = Bytes(y);
        const Sum* const sums = m_columnSums.data() + m_pad;
        // The window of x = 0: columns 0 .. rx, the current row all old.
        std::uint64_t total[3] = {0, 0, 0};
        for (std::int32_t x = 0; x <= m_rx; ++x) {
            for (std::size_t c = 0; c < 3; ++c) {
                const std::size_t i = 3 * static_cast<std::size_t>(x) + c;
                total[c] += static_cast<std::uint64_t>(sums[i]) + row[i];
            }
        }
        const Step* const steps = m_steps.data();
        const std::uint64_t* const reciprocals = m_reciprocals.data();
        std::uint64_t t0 = total[0], t1 = total[1], t2 = total[2];
        // One pixel: divide, write, step on; l0 .. l2 are the new values of the column that leaves the window on the
        // left, or zeros while no column has left yet.
        const auto pixel = [&](std::size_t x, std::uint64_t l0, std::uint64_t l1, std::uint64_t l2) {
            const std::uint64_t m = reciprocals[x];
            const std::uint64_t v0 = DivideByReciprocal(t0, m);
            const std::uint64_t v1 = DivideByReciprocal(t1, m);
            const std::uint64_t v2 = DivideByReciprocal(t2, m);
            std::uint8_t* const out = row + 3 * x;
            out[0] = static_cast<std::uint8_t>(v0);
            out[1] = static_cast<std::uint8_t>(v1);
            out[2] = static_cast<std::uint8_t>(v2);
            const Step* const step = steps + 3 * x;
            t0 += v0 + static_cast<std::uint64_t>(static_cast<std::int64_t>(step[0])) - l0;
            t1 += v1 + static_cast<std::uint64_t>(static_cast<std::int64_t>(step[1])) - l1;
            t2 += v2 + static_cast<std::uint64_t>(static_cast<std::int64_t>(step[2])) - l2;
        };
        const std::size_t width = static_cast<std::size_t>(m_width);
        const std::size_t rx = static_cast<std::size_t>(m_rx);
        std::size_t x = 0;
        for (; x < std::min(rx, width); ++x) pixel(x, 0, 0, 0);
        // (With rx = 0, a one-column picture, a row has one pixel and the step after it is never used.)
        for (; x < width; ++x) {
            const std::uint8_t* leaving = row + 3 * (x - rx);
            pixel(x, leaving[0], leaving[1], leaving[2]);
        }
    }

    // Turns the column sums of row y's window (without row y) into those of row y + 1's (without row y + 1): row y,
    // now new, joins; row y + 1 leaves; the top row leaves and the row below the bottom joins where they exist.
    void MoveWindowDown(std::int32_t y) {
        const std::uint8_t* const top = y - m_ry >= 0 ? Bytes(y - m_ry) : m_zeros.data();
        const std::uint8_t* const below = y + 1 + m_ry < m_height ? Bytes(y + 1 + m_ry) : m_zeros.data();
        RunKernel<MoveSums>(m_level, m_columnSums.data() + m_pad, Bytes(y), Bytes(y + 1), top, below, m_lanes);
    }

    BMP_File& m_image;
    const CpuLevel m_level;
    const std::int32_t m_width;
    const std::int32_t m_height;
    const std::int32_t m_rx;  // horizontal radius, at most width − 1
    const std::int32_t m_ry;  // vertical radius, at most height − 1
    const std::size_t m_lanes;
    const std::size_t m_pad;
    std::vector<Sum> m_columnSums;  // per lane, with m_pad zero lanes before and m_pad + 3 after
    std::vector<Step> m_steps;
    std::vector<std::uint8_t> m_zeros;
    std::vector<std::uint64_t> m_reciprocals;
};

}  // namespace

void BlurStage(BMP_File& image, std::int32_t blurSize, CpuLevel level) {
    // Sizes below 0 come only from a damaged profile; they would give an empty window.
    if (blurSize < 0) return;
    const std::int64_t radius = (std::int64_t{blurSize} - 1) / 2;
    // A radius of 0 leaves every pixel as it is, and so does any radius on a single pixel.
    if (radius == 0 || image.PixelCount() < 2) return;
    // A window reaching past the picture is cut at its edges, so a radius beyond the picture's extent gives the same
    // windows as one that just reaches it; this keeps every count and sum bounded by the picture.
    const auto rx = static_cast<std::int32_t>(std::min<std::int64_t>(radius, image.Width() - 1));
    const auto ry = static_cast<std::int32_t>(std::min<std::int64_t>(radius, image.Height() - 1));
    const std::int64_t windowRows = std::min<std::int64_t>(2 * std::int64_t{ry} + 1, image.Height());
    if (255 * windowRows <= std::numeric_limits<std::int32_t>::max()) {
        RunningBlur<std::uint32_t, std::int32_t>(image, rx, ry, RunnableCpuLevel(level)).Run();
    } else {
        RunningBlur<std::uint64_t, std::int64_t>(image, rx, ry, RunnableCpuLevel(level)).Run();
    }
}
