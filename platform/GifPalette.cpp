#include "platform/GifPalette.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "base/Parallel.h"

namespace gifpalette {

namespace {

constexpr std::size_t kHashSlots = 1024;  // four times the most colours kept: probe chains stay short
constexpr std::uint16_t kUnknown = 0xFFFF;

std::uint32_t CellKey(const Pixel& p, int bits) {
    const int drop = 8 - bits;
    return (std::uint32_t{p.r} >> drop) << (2 * bits) | (std::uint32_t{p.g} >> drop) << bits |
           (std::uint32_t{p.b} >> drop);
}

std::uint32_t Coordinate(std::uint32_t key, int axis, int bits) {
    return (key >> ((2 - axis) * bits)) & ((1u << bits) - 1);
}

// One histogram slot while counting: the pixel count and the sums of the bits each channel loses to the cell, which
// stay within 32 bits for up to kMaxPixels pixels at 5 bits per channel and more.
struct Slot {
    std::uint32_t count;
    std::uint32_t low[3];
};

double SquaredNorm(const double sum[3]) {
    return sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2];
}

struct Box {
    std::size_t begin = 0;
    std::size_t end = 0;
    double count = 0;
    double sum[3] = {0, 0, 0};
    double error = 0;  // summed squared distance of the cells' means from the box's mean, weighted by their counts
    bool splittable = true;
};

// Σ |cell sum|² / cell count over a box's cells, less |box sum|² / box count, is the box's squared error.
double Spread(const Cell& cell) {
    const double sum[3] = {static_cast<double>(cell.sum[0]), static_cast<double>(cell.sum[1]),
                           static_cast<double>(cell.sum[2])};
    return SquaredNorm(sum) / static_cast<double>(cell.count);
}

void MeasureBox(const std::vector<Cell>& cells, Box& box) {
    box.count = 0;
    box.sum[0] = box.sum[1] = box.sum[2] = 0;
    double spreadSum = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        box.count += static_cast<double>(cells[i].count);
        for (int c = 0; c < 3; ++c) box.sum[c] += static_cast<double>(cells[i].sum[c]);
        spreadSum += Spread(cells[i]);
    }
    box.error = spreadSum - SquaredNorm(box.sum) / box.count;
}

// Splits box along the axis of largest variance where the halves' squared error is least. Returns false when no
// axis separates its cells.
bool SplitBox(std::vector<Cell>& cells, int bits, Box& box, Box& upper) {
    double variance[3] = {0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i) {
        const double n = static_cast<double>(cells[i].count);
        for (int c = 0; c < 3; ++c) variance[c] += static_cast<double>(cells[i].sum[c]) * cells[i].sum[c] / n;
    }
    int axes[3] = {0, 1, 2};
    for (int c = 0; c < 3; ++c) variance[c] -= box.sum[c] * box.sum[c] / box.count;
    std::stable_sort(axes, axes + 3, [&](int a, int b) { return variance[a] > variance[b]; });

    for (int axis : axes) {
        const auto first = cells.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = cells.begin() + static_cast<std::ptrdiff_t>(box.end);
        std::sort(first, last, [&](const Cell& a, const Cell& b) {
            const std::uint32_t ca = Coordinate(a.key, axis, bits);
            const std::uint32_t cb = Coordinate(b.key, axis, bits);
            return ca != cb ? ca < cb : a.key < b.key;
        });
        double lowCount = 0;
        double lowSum[3] = {0, 0, 0};
        double bestScore = -1;
        std::size_t bestSplit = 0;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            lowCount += static_cast<double>(cells[i].count);
            for (int c = 0; c < 3; ++c) lowSum[c] += static_cast<double>(cells[i].sum[c]);
            if (Coordinate(cells[i].key, axis, bits) == Coordinate(cells[i + 1].key, axis, bits)) continue;
            const double highSum[3] = {box.sum[0] - lowSum[0], box.sum[1] - lowSum[1], box.sum[2] - lowSum[2]};
            // The halves' summed squared error is a constant less this score.
            const double score = SquaredNorm(lowSum) / lowCount + SquaredNorm(highSum) / (box.count - lowCount);
            if (score > bestScore) {
                bestScore = score;
                bestSplit = i + 1;
            }
        }
        if (bestSplit == 0) continue;
        upper = Box{};
        upper.begin = bestSplit;
        upper.end = box.end;
        box.end = bestSplit;
        MeasureBox(cells, box);
        MeasureBox(cells, upper);
        return true;
    }
    return false;
}

// The table entries ordered by red, with their values doubled so that cell centres (half-way values) are whole.
struct SearchTable {
    std::vector<int> red2, green2, blue2;
    std::vector<std::uint8_t> index;

    explicit SearchTable(const std::vector<Pixel>& palette) {
        std::vector<std::uint8_t> order(palette.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint8_t>(i);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return palette[a].r < palette[b].r; });
        for (std::uint8_t i : order) {
            red2.push_back(2 * palette[i].r);
            green2.push_back(2 * palette[i].g);
            blue2.push_back(2 * palette[i].b);
            index.push_back(i);
        }
    }

    // The nearest entry to (r2, g2, b2) in doubled units, the lower index on a tie. Entries are visited outward from
    // the target's red value; a side ends once its red distance alone exceeds the best distance found.
    std::uint8_t Nearest(int r2, int g2, int b2) const {
        const int size = static_cast<int>(red2.size());
        const int start = static_cast<int>(std::lower_bound(red2.begin(), red2.end(), r2) - red2.begin());
        int best = 0x7fffffff;
        int bestIndex = 256;
        const auto consider = [&](int i) {
            const int dr = red2[i] - r2, dg = green2[i] - g2, db = blue2[i] - b2;
            const int d = dr * dr + dg * dg + db * db;
            if (d < best || (d == best && index[i] < bestIndex)) {
                best = d;
                bestIndex = index[i];
            }
        };
        for (int i = start; i < size && (red2[i] - r2) * (red2[i] - r2) <= best; ++i) consider(i);
        for (int i = start - 1; i >= 0 && (r2 - red2[i]) * (r2 - red2[i]) <= best; --i) consider(i);
        return static_cast<std::uint8_t>(bestIndex);
    }
};

}  // namespace

bool ExactColours(const BMP_File& picture, std::vector<Pixel>& palette, std::uint8_t* indexes) {
    // Keys carry a marker bit so that 0 means an empty slot.
    std::uint32_t keys[kHashSlots] = {};
    std::uint8_t values[kHashSlots];
    palette.clear();
    palette.reserve(256);
    std::uint32_t previous = 0;
    std::uint8_t previousIndex = 0;
    const std::int32_t width = picture.Width();
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const Pixel* in = picture.Row(y);
        std::uint8_t* out = indexes + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t key = 0x1000000u | std::uint32_t{in[x].r} << 16 | std::uint32_t{in[x].g} << 8 | in[x].b;
            if (key != previous) {
                std::size_t slot = (key * 2654435761u) >> 22;
                while (keys[slot] != 0 && keys[slot] != key) slot = (slot + 1) & (kHashSlots - 1);
                if (keys[slot] == 0) {
                    if (palette.size() == 256) return false;
                    keys[slot] = key;
                    values[slot] = static_cast<std::uint8_t>(palette.size());
                    palette.push_back(in[x]);
                }
                previous = key;
                previousIndex = values[slot];
            }
            out[x] = previousIndex;
        }
    }
    return true;
}

namespace {

// The coarse count: one slot per cell in a dense table (32768 cells of 16 bytes), one table per thread.
std::vector<Cell> DenseHistogram(const BMP_File& picture, int bits, int threads) {
    const std::size_t slotCount = std::size_t{1} << (3 * bits);
    if (static_cast<std::int64_t>(picture.PixelCount()) < kParallelMinPixels) threads = 1;
    threads = std::max(1, threads);
    std::vector<Slot> slots(slotCount * static_cast<std::size_t>(threads), Slot{0, {0, 0, 0}});
    std::atomic<int> nextBand{0};
    const int drop = 8 - bits;
    const std::uint32_t lowMask = (1u << drop) - 1;
    ParallelRows(picture.Height(), static_cast<std::int64_t>(picture.PixelCount()), threads,
                 [&](std::int32_t begin, std::int32_t end) {
                     Slot* own = slots.data() + slotCount * static_cast<std::size_t>(nextBand.fetch_add(1));
                     for (std::int32_t y = begin; y < end; ++y) {
                         const Pixel* in = picture.Row(y);
                         for (std::int32_t x = 0; x < picture.Width(); ++x) {
                             Slot& slot = own[CellKey(in[x], bits)];
                             ++slot.count;
                             slot.low[0] += in[x].r & lowMask;
                             slot.low[1] += in[x].g & lowMask;
                             slot.low[2] += in[x].b & lowMask;
                         }
                     }
                 });
    std::vector<Cell> cells;
    const int bands = nextBand.load();
    for (std::size_t key = 0; key < slotCount; ++key) {
        Cell cell;
        for (int band = 0; band < bands; ++band) {
            const Slot& slot = slots[slotCount * static_cast<std::size_t>(band) + key];
            cell.count += slot.count;
            for (int c = 0; c < 3; ++c) cell.sum[c] += slot.low[c];
        }
        if (cell.count == 0) continue;
        cell.key = static_cast<std::uint32_t>(key);
        for (int c = 0; c < 3; ++c) {
            cell.sum[c] += cell.count * (std::uint64_t{Coordinate(cell.key, c, bits)} << drop);
        }
        cells.push_back(cell);
    }
    return cells;
}

// The finer counts, asked for when colours crowd into few coarse cells: the cells in use are few, so they go into
// a small open-addressed table that grows as needed rather than a dense one of millions of slots.
std::vector<Cell> SparseHistogram(const BMP_File& picture, int bits) {
    std::vector<Cell> table(4096);
    std::size_t used = 0;
    const auto find = [&](std::uint32_t key) -> Cell& {
        std::size_t mask = table.size() - 1;
        std::size_t slot = (key * 2654435761u) & mask;
        while (table[slot].count != 0 && table[slot].key != key) slot = (slot + 1) & mask;
        if (table[slot].count == 0) {
            if (2 * (used + 1) > table.size()) {  // keep the table at most half full
                std::vector<Cell> larger(table.size() * 2);
                mask = larger.size() - 1;
                for (const Cell& cell : table) {
                    if (cell.count == 0) continue;
                    std::size_t to = (cell.key * 2654435761u) & mask;
                    while (larger[to].count != 0) to = (to + 1) & mask;
                    larger[to] = cell;
                }
                table.swap(larger);
                slot = (key * 2654435761u) & mask;
                while (table[slot].count != 0) slot = (slot + 1) & mask;
            }
            ++used;
            table[slot].key = key;
        }
        return table[slot];
    };
    std::uint32_t previousKey = 0xFFFFFFFF;
    Cell* previous = nullptr;  // the cell of the pixel before; a new cell may move the table, so it is found again
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const Pixel* in = picture.Row(y);
        for (std::int32_t x = 0; x < picture.Width(); ++x) {
            const std::uint32_t key = CellKey(in[x], bits);
            if (key != previousKey) {
                previous = &find(key);
                previousKey = key;
            }
            ++previous->count;
            previous->sum[0] += in[x].r;
            previous->sum[1] += in[x].g;
            previous->sum[2] += in[x].b;
        }
    }
    std::vector<Cell> cells;
    cells.reserve(used);
    for (const Cell& cell : table) {
        if (cell.count != 0) cells.push_back(cell);
    }
    std::sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.key < b.key; });
    return cells;
}

}  // namespace

std::vector<Cell> Histogram(const BMP_File& picture, int bits, int threads) {
    return bits <= 5 ? DenseHistogram(picture, bits, threads) : SparseHistogram(picture, bits);
}

std::vector<Pixel> CutPalette(std::vector<Cell> cells, int bits, int maxColours) {
    std::vector<Pixel> palette;
    if (cells.empty() || maxColours < 1) return palette;
    std::vector<Box> boxes(1);
    boxes[0].end = cells.size();
    MeasureBox(cells, boxes[0]);
    while (static_cast<int>(boxes.size()) < maxColours) {
        Box* widest = nullptr;
        for (Box& box : boxes) {
            if (box.splittable && box.end - box.begin > 1 && box.error > 0 &&
                (widest == nullptr || box.error > widest->error)) {
                widest = &box;
            }
        }
        if (widest == nullptr) break;
        Box upper;
        if (!SplitBox(cells, bits, *widest, upper)) {
            widest->splittable = false;
            continue;
        }
        boxes.push_back(upper);
    }
    for (const Box& box : boxes) {
        Pixel mean;
        mean.r = static_cast<std::uint8_t>(std::min(255.0, box.sum[0] / box.count + 0.5));
        mean.g = static_cast<std::uint8_t>(std::min(255.0, box.sum[1] / box.count + 0.5));
        mean.b = static_cast<std::uint8_t>(std::min(255.0, box.sum[2] / box.count + 0.5));
        palette.push_back(mean);
    }
    std::sort(palette.begin(), palette.end(), [](const Pixel& a, const Pixel& b) {
        return a.r != b.r ? a.r < b.r : a.g != b.g ? a.g < b.g : a.b < b.b;
    });
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    return palette;
}

int CacheBitsFor(int histogramBits) {
    return std::max(6, histogramBits);
}

void MapToNearest(const BMP_File& picture, const std::vector<Pixel>& palette, int bits, std::uint8_t* indexes,
                  int threads) {
    const SearchTable table(palette);
    // Every entry is computed from its cell alone, so two threads that fill one entry at once store the same value.
    std::vector<std::uint16_t> cache(std::size_t{1} << (3 * bits), kUnknown);
    const int drop = 8 - bits;
    const int cellWidth = 1 << drop;  // a cell's centre is 2·start + cellWidth − 1 in doubled units
    const std::int32_t width = picture.Width();
    ParallelRows(picture.Height(), static_cast<std::int64_t>(picture.PixelCount()), std::max(1, threads),
                 [&](std::int32_t begin, std::int32_t end) {
                     for (std::int32_t y = begin; y < end; ++y) {
                         const Pixel* in = picture.Row(y);
                         std::uint8_t* out = indexes + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
                         std::uint32_t previous = 0xFFFFFFFF;
                         std::uint8_t previousIndex = 0;
                         for (std::int32_t x = 0; x < width; ++x) {
                             const std::uint32_t key = CellKey(in[x], bits);
                             if (key != previous) {
                                 std::atomic_ref<std::uint16_t> entry(cache[key]);
                                 std::uint16_t found = entry.load(std::memory_order_relaxed);
                                 if (found == kUnknown) {
                                     const auto centre = [&](int axis) {
                                         return 2 * static_cast<int>(Coordinate(key, axis, bits) << drop) + cellWidth -
                                                1;
                                     };
                                     found = table.Nearest(centre(0), centre(1), centre(2));
                                     entry.store(found, std::memory_order_relaxed);
                                 }
                                 previous = key;
                                 previousIndex = static_cast<std::uint8_t>(found);
                             }
                             out[x] = previousIndex;
                         }
                     }
                 });
}

}  // namespace gifpalette

bool BuildIndexedPicture(const BMP_File& picture, IndexedPicture& out, int threads) {
    out = IndexedPicture{};
    if (picture.IsEmpty()) return false;
    try {
        IndexedPicture result;
        result.indexes.reset(new (std::nothrow) std::uint8_t[picture.PixelCount()]);
        if (!result.indexes) return false;
        if (!gifpalette::ExactColours(picture, result.palette, result.indexes.get())) {
            // A picture whose colours crowd into few cells is counted again more finely, so that the cut still has
            // enough cells to make a full table of.
            int bits = 5;
            std::vector<gifpalette::Cell> cells = gifpalette::Histogram(picture, bits, threads);
            while (cells.size() < 256 && bits < 7) {
                ++bits;
                cells = gifpalette::Histogram(picture, bits, threads);
            }
            result.palette = gifpalette::CutPalette(std::move(cells), bits, 256);
            gifpalette::MapToNearest(picture, result.palette, gifpalette::CacheBitsFor(bits), result.indexes.get(),
                                     threads);
        }
        out = std::move(result);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
