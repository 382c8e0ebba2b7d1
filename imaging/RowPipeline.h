#pragma once
// Schedules an in-place row-by-row stage (emboss, sharpen) so that several rows are worked on side by side while the
// result stays that of visiting the pixels strictly row by row from the top, left to right.
//
// The stage works on the pixels firstPixel .. firstPixel + pixelCount − 1 of the rows firstRow ..
// firstRow + rowCount − 1. A pixel's result may read the row above (which must be final up to one pixel right of it),
// its own row (final to its left, old from it on) and the row below (still old from one pixel left of it on). Each row
// is cut into chunks; row y + 1 works on chunk j while row y works on chunk j + lag with lag ≥ 2, so when row y + 1
// begins a chunk, row y has finished the chunk after it and row y + 2 has not reached the chunk before it. In every
// step the stage gets two calls:
//   prepare(chunk)                                  for each row in flight: the part of the chunk's results that
//                                                   reads only the rows above and below, into the row's buffer slot
//   serial(std::integral_constant<int, N>, chunks, length)
//                                                   the recurrence along the row over the first `length` pixels of
//                                                   N chunks of N different rows at once (their instructions
//                                                   interleave, hiding each one's latency)
// Up to kRows rows are in flight; a row in flight has its own slot 0 .. kRows − 1 for prepare's buffer.

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>

struct RowChunk {
    std::int32_t y;      // the row
    int slot;            // the row's buffer slot
    std::int32_t begin;  // first pixel
    std::int32_t end;    // one past the last pixel
};

template <int kRows, typename Prepare, typename Serial>
void RunRowPipeline(std::int32_t firstRow, std::int32_t rowCount, std::int32_t firstPixel, std::int32_t pixelCount,
                    std::int32_t chunkPixels, Prepare&& prepare, Serial&& serial) {
    static_assert(kRows >= 1 && kRows <= 4);
    if (rowCount <= 0 || pixelCount <= 0) return;
    // kRows × lag chunks per row keeps kRows rows in flight at every step once the pipeline is full.
    const std::int64_t lag = std::max<std::int64_t>(
        2, (pixelCount + std::int64_t{kRows} * chunkPixels - 1) / (std::int64_t{kRows} * chunkPixels));
    const std::int64_t chunks = kRows * lag;
    const std::int64_t chunkLength = (pixelCount + chunks - 1) / chunks;
    const auto chunkOf = [&](std::int64_t row, std::int64_t j) {
        const std::int64_t begin = std::min<std::int64_t>(j * chunkLength, pixelCount);
        const std::int64_t end = std::min<std::int64_t>(begin + chunkLength, pixelCount);
        return RowChunk{static_cast<std::int32_t>(firstRow + row), static_cast<int>(row % kRows),
                        static_cast<std::int32_t>(firstPixel + begin), static_cast<std::int32_t>(firstPixel + end)};
    };
    const std::int64_t steps = (rowCount - 1) * lag + chunks;
    for (std::int64_t step = 0; step < steps; ++step) {
        // Rows in flight: those that have started (row × lag ≤ step) and not finished (step − row × lag < chunks).
        const std::int64_t lastRow = std::min<std::int64_t>(rowCount - 1, step / lag);
        const std::int64_t firstRowInFlight = step < chunks ? 0 : (step - chunks) / lag + 1;
        std::array<RowChunk, kRows> active{};
        int count = 0;
        for (std::int64_t row = firstRowInFlight; row <= lastRow; ++row) {
            const RowChunk chunk = chunkOf(row, step - row * lag);
            if (chunk.begin < chunk.end) active[static_cast<std::size_t>(count++)] = chunk;
        }
        if (count == 0) continue;
        for (int i = 0; i < count; ++i) prepare(active[static_cast<std::size_t>(i)]);
        // All chunks but a row's last have the same length: run the common length together, then the rest alone.
        std::int32_t common = active[0].end - active[0].begin;
        for (int i = 1; i < count; ++i) {
            common =
                std::min(common, active[static_cast<std::size_t>(i)].end - active[static_cast<std::size_t>(i)].begin);
        }
        if constexpr (kRows >= 4) {
            if (count == 4) serial(std::integral_constant<int, 4>{}, active.data(), common);
        }
        if constexpr (kRows >= 3) {
            if (count == 3) serial(std::integral_constant<int, 3>{}, active.data(), common);
        }
        if constexpr (kRows >= 2) {
            if (count == 2) serial(std::integral_constant<int, 2>{}, active.data(), common);
        }
        if (count == 1) serial(std::integral_constant<int, 1>{}, active.data(), common);
        for (int i = 0; i < count; ++i) {
            RowChunk rest = active[static_cast<std::size_t>(i)];
            rest.begin += common;
            if (rest.begin < rest.end) serial(std::integral_constant<int, 1>{}, &rest, rest.end - rest.begin);
        }
    }
}
