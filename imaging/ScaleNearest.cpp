#include "imaging/ScaleNearest.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Limits.h"
#include "base/Parallel.h"
#include "imaging/BuildIndexTable.h"

namespace {

// Copies the pixels source[columns[x]] to out[x] for x < count. Each pixel moves as one 4-byte load and store; the
// fourth byte stored lands on the next output pixel, which the next step overwrites, so the last output pixel of the
// run and any pixel whose 4-byte load would pass the end of the source row go by the 3-byte path.
void GatherRow(const Pixel* source, std::int32_t sourceWidth, const std::int32_t* columns, std::int32_t count,
               Pixel* out) {
    // columns is non-decreasing: the pixels that may load 4 bytes form a prefix.
    const std::int32_t* safeEnd = std::lower_bound(columns, columns + count, sourceWidth - 1);
    const std::int32_t wide = std::min(static_cast<std::int32_t>(safeEnd - columns), count - 1);
    const auto* in = reinterpret_cast<const unsigned char*>(source);
    auto* to = reinterpret_cast<unsigned char*>(out);
    std::int32_t x = 0;
    for (; x < wide; ++x) {
        std::uint32_t bytes;
        std::memcpy(&bytes, in + 3 * static_cast<std::size_t>(columns[x]), 4);
        std::memcpy(to + 3 * static_cast<std::size_t>(x), &bytes, 4);
    }
    for (; x < count; ++x) out[x] = source[columns[x]];
}

}  // namespace

bool ScaleNearest(const BMP_File& source, BMP_File& destination, std::int32_t width, std::int32_t height, int threads) {
    if (&source == &destination || source.IsEmpty() || !FitsPictureLimit(width, height)) return false;
    std::vector<std::int32_t> columns;
    std::vector<std::int32_t> rows;
    if (!BuildIndexTable(source.Width(), width, columns) || !BuildIndexTable(source.Height(), height, rows)) {
        return false;
    }
    if (!destination.Reshape(width, height)) return false;

    // The tables never decrease, so the columns that fall inside the source form a prefix; an index past the source
    // (possible only with lengths beyond 2^24) reads black, as the bounds-safe accessor would.
    const std::int32_t sourceWidth = source.Width();
    const std::int32_t sourceHeight = source.Height();
    const auto inside =
        static_cast<std::int32_t>(std::lower_bound(columns.begin(), columns.end(), sourceWidth) - columns.begin());
    const std::size_t blackBytes = static_cast<std::size_t>(width - inside) * sizeof(Pixel);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(Pixel);

    ParallelRows(height, std::int64_t{width} * height, threads, [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t y = begin; y < end; ++y) {
            Pixel* out = destination.Row(y);
            const std::int32_t sourceRow = rows[static_cast<std::size_t>(y)];
            if (sourceRow >= sourceHeight) {
                std::memset(static_cast<void*>(out), 0, rowBytes);
            } else if (y > begin && rows[static_cast<std::size_t>(y) - 1] == sourceRow) {
                // Enlarging repeats rows: copy the one just made.
                std::memcpy(out, destination.Row(y - 1), rowBytes);
            } else {
                GatherRow(source.Row(sourceRow), sourceWidth, columns.data(), inside, out);
                if (blackBytes != 0) std::memset(static_cast<void*>(out + inside), 0, blackBytes);
            }
        }
    });
    return true;
}
