// The fast parts of the encoders beside straightforward versions: the GIF colour count, histogram and nearest-colour
// mapping, and the PNG row filters. Random pictures of random sizes, compared byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/GifPalette.h"
#include "platform/PngDeflate.h"
#include "tests/platform/CodecFixtures.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::RandomSide;

namespace {

std::uint32_t Key(const Pixel& p) {
    return std::uint32_t{p.r} << 16 | std::uint32_t{p.g} << 8 | p.b;
}

// The nearest entry to the centre of the pixel's cell by trying every entry, the lower index on a tie.
std::uint8_t NearestByTrying(const Pixel& p, const std::vector<Pixel>& palette, int bits) {
    const int drop = 8 - bits;
    const auto centre2 = [&](int v) { return 2 * ((v >> drop) << drop) + (1 << drop) - 1; };
    const int r = centre2(p.r), g = centre2(p.g), b = centre2(p.b);
    int best = -1;
    long bestDistance = 0;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const long dr = 2 * palette[i].r - r, dg = 2 * palette[i].g - g, db = 2 * palette[i].b - b;
        const long d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    return static_cast<std::uint8_t>(best);
}

}  // namespace

TEST(GifPalette, ExactColoursMatchAPlainCount) {
    std::mt19937 random(61);
    for (int round = 0; round < 60; ++round) {
        const std::size_t colours = std::uniform_int_distribution<std::size_t>(1, 300)(random);
        const BMP_File picture = fixtures::FromTable(random, RandomSide(random, 120), RandomSide(random, 120),
                                                     fixtures::RandomTable(random, colours));
        // The plain count: colours in order of first appearance.
        std::map<std::uint32_t, std::size_t> seen;
        std::vector<Pixel> order;
        for (std::size_t i = 0; i < picture.PixelCount(); ++i) {
            if (seen.emplace(Key(picture.Data()[i]), order.size()).second) order.push_back(picture.Data()[i]);
        }
        std::vector<Pixel> palette;
        std::vector<std::uint8_t> indexes(picture.PixelCount());
        const bool exact = gifpalette::ExactColours(picture, palette, indexes.data());
        ASSERT_EQ(exact, order.size() <= 256) << order.size() << " colours";
        if (!exact) continue;
        ASSERT_EQ(palette, order);
        for (std::size_t i = 0; i < picture.PixelCount(); ++i) {
            ASSERT_EQ(indexes[i], seen[Key(picture.Data()[i])]) << "pixel " << i;
        }
    }
}

TEST(GifPalette, HistogramMatchesAPlainCount) {
    std::mt19937 random(62);
    for (int bits = 5; bits <= 7; ++bits) {
        for (int round = 0; round < 8; ++round) {
            // Large enough on some rounds that the count is shared among threads.
            const bool large = round % 4 == 0;
            const BMP_File picture =
                RandomImage(random, large ? 700 : RandomSide(random, 90), large ? 500 : RandomSide(random, 90));
            std::unordered_map<std::uint32_t, gifpalette::Cell> counted;
            const int drop = 8 - bits;
            for (std::size_t i = 0; i < picture.PixelCount(); ++i) {
                const Pixel& p = picture.Data()[i];
                const std::uint32_t key = (std::uint32_t{p.r} >> drop) << (2 * bits) |
                                          (std::uint32_t{p.g} >> drop) << bits | (std::uint32_t{p.b} >> drop);
                gifpalette::Cell& cell = counted[key];
                cell.key = key;
                ++cell.count;
                cell.sum[0] += p.r, cell.sum[1] += p.g, cell.sum[2] += p.b;
            }
            std::vector<gifpalette::Cell> plain;
            for (const auto& entry : counted) plain.push_back(entry.second);
            std::sort(plain.begin(), plain.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
            const std::vector<gifpalette::Cell> cells = gifpalette::Histogram(picture, bits, 2);
            ASSERT_EQ(cells.size(), plain.size());
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const gifpalette::Cell& got = cells[i];
                const gifpalette::Cell& cell = plain[i];
                const std::uint32_t key = cell.key;
                ASSERT_EQ(got.key, key);
                ASSERT_EQ(got.count, cell.count);
                for (int c = 0; c < 3; ++c) ASSERT_EQ(got.sum[c], cell.sum[c]) << "bits " << bits << ", key " << key;
            }
        }
    }
}

TEST(GifPalette, MappingMatchesTryingEveryEntry) {
    std::mt19937 random(63);
    for (int bits = 6; bits <= 7; ++bits) {
        for (int round = 0; round < 12; ++round) {
            const bool large = round % 4 == 0;
            const BMP_File picture =
                RandomImage(random, large ? 600 : RandomSide(random, 100), large ? 500 : RandomSide(random, 100));
            std::vector<Pixel> palette =
                fixtures::RandomTable(random, std::uniform_int_distribution<std::size_t>(1, 256)(random));
            // Repeated entries, so that ties must go to the lower index.
            if (palette.size() > 4) palette[palette.size() - 1] = palette[palette.size() / 2];
            std::vector<std::uint8_t> indexes(picture.PixelCount());
            gifpalette::MapToNearest(picture, palette, bits, indexes.data(), 2);
            for (std::size_t i = 0; i < picture.PixelCount(); ++i) {
                ASSERT_EQ(indexes[i], NearestByTrying(picture.Data()[i], palette, bits))
                    << "pixel " << i << " of round " << round << ", " << palette.size() << " entries";
            }
        }
    }
}

TEST(GifPalette, CutKeepsEveryCellWhenThereIsRoom) {
    // Up to maxColours occupied cells: each becomes its own box, and the table holds each cell's mean colour.
    std::mt19937 random(64);
    for (int round = 0; round < 20; ++round) {
        const BMP_File picture = RandomImage(random, RandomSide(random, 12), RandomSide(random, 12));
        const std::vector<gifpalette::Cell> cells = gifpalette::Histogram(picture, 5, 1);
        if (cells.size() > 256) continue;
        std::set<std::uint32_t> means;
        for (const gifpalette::Cell& cell : cells) {
            const auto mean = [&](int c) {
                return static_cast<std::uint32_t>((2 * cell.sum[c] + cell.count) / (2 * cell.count));
            };
            means.insert(mean(0) << 16 | mean(1) << 8 | mean(2));
        }
        const std::vector<Pixel> palette = gifpalette::CutPalette(cells, 5, 256);
        std::set<std::uint32_t> got;
        for (const Pixel& p : palette) got.insert(Key(p));
        EXPECT_EQ(got, means);
    }
}

TEST(GifPalette, TableIsTheSameOnAnyNumberOfThreads) {
    std::mt19937 random(65);
    BMP_File picture = RandomImage(random, 800, 600);
    for (std::size_t i = 0; i < picture.PixelCount(); ++i) picture.Data()[i].b = picture.Data()[i].r;  // fewer cells
    IndexedPicture one;
    ASSERT_TRUE(BuildIndexedPicture(picture, one, 1));
    EXPECT_LE(one.palette.size(), 256u);
    for (int threads : {2, 3, 8}) {
        IndexedPicture many;
        ASSERT_TRUE(BuildIndexedPicture(picture, many, threads));
        ASSERT_EQ(many.palette, one.palette) << threads << " threads";
        ASSERT_EQ(0, std::memcmp(many.indexes.get(), one.indexes.get(), picture.PixelCount())) << threads << " threads";
    }
}

TEST(GifPalette, CrowdedColoursAreCountedFinely) {
    // 400 colours in a dozen cells of the coarse count: it is counted again more finely (52 cells of 2 × 2 × 2), and
    // every pixel ends within one level of its colour.
    BMP_File picture;
    ASSERT_TRUE(picture.Create(20, 20));
    for (std::int32_t i = 0; i < 400; ++i) {
        picture.Data()[i] = Pixel{static_cast<std::uint8_t>(100 + i % 8), static_cast<std::uint8_t>(100 + i / 8 % 8),
                                  static_cast<std::uint8_t>(100 + i / 64 % 8 + (i >= 384 ? 8 : 0))};
    }
    IndexedPicture indexed;
    ASSERT_TRUE(BuildIndexedPicture(picture, indexed, 1));
    EXPECT_GE(indexed.palette.size(), 50u);
    int worst = 0;
    for (std::size_t i = 0; i < picture.PixelCount(); ++i) {
        const Pixel& p = picture.Data()[i];
        const Pixel& q = indexed.palette[indexed.indexes[i]];
        worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
    }
    EXPECT_LE(worst, 1);
}

// ---- PNG row filters -----------------------------------------------------------------------------------------

namespace {

// The five filters as the format defines them, byte by byte, and the choice by least sum of absolute values.
void FilterByDefinition(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
    const auto left = [&](const std::uint8_t* r, std::size_t i) { return i >= 3 ? int{r[i - 3]} : 0; };
    std::vector<std::uint8_t> candidates[5];
    for (int type = 0; type < 5; ++type) {
        for (std::size_t i = 0; i < size; ++i) {
            const int a = left(row, i), b = previous[i], c = left(previous, i);
            int predictor = 0;
            if (type == 1) predictor = a;
            if (type == 2) predictor = b;
            if (type == 3) predictor = (a + b) / 2;
            if (type == 4) {
                const int p = a + b - c;
                const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            candidates[type].push_back(static_cast<std::uint8_t>(row[i] - predictor));
        }
    }
    int best = 0;
    long bestSum = -1;
    for (int type = 0; type < 5; ++type) {
        long sum = 0;
        for (std::uint8_t v : candidates[type]) sum += std::abs(static_cast<int>(static_cast<std::int8_t>(v)));
        if (bestSum < 0 || sum < bestSum) best = type, bestSum = sum;
    }
    out[0] = static_cast<std::uint8_t>(best);
    std::copy(candidates[best].begin(), candidates[best].end(), out + 1);
}

}  // namespace

TEST(PngFilters, MatchTheDefinition) {
    std::mt19937 random(66);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 500; ++round) {
        const std::size_t size = 3 * static_cast<std::size_t>(RandomSide(random, 300));
        std::vector<std::uint8_t> previous(size), row(size);
        // Noise, smooth ramps and flat runs, so that each filter wins somewhere.
        const int style = round % 3;
        for (std::size_t i = 0; i < size; ++i) {
            previous[i] = static_cast<std::uint8_t>(style == 0   ? byte(random)
                                                    : style == 1 ? i / 3 + byte(random) % 3
                                                                 : 77);
            row[i] = static_cast<std::uint8_t>(style == 0 ? byte(random) : style == 1 ? i / 3 + 1 : 77 + (i % 9 == 0));
        }
        if (round % 7 == 0) std::fill(previous.begin(), previous.end(), 0);  // the first row
        std::vector<std::uint8_t> fast(size + 1), plain(size + 1), scratch(4 * size);
        FilterPngRow(previous.data(), row.data(), size, fast.data(), scratch.data());
        FilterByDefinition(previous.data(), row.data(), size, plain.data());
        ASSERT_EQ(fast, plain) << "round " << round << ", " << size << " bytes";
    }
}
