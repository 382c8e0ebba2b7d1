// The fast parts of the encoders beside straightforward versions: the GIF colour count, histogram and nearest-colour
// mapping, the PNG row filters and the joining of independently deflated bands. Random pictures of random sizes,
// compared byte for byte.

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
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

// ---- PNG row filters and bands --------------------------------------------------------------------------------

namespace {

// The five filters as the format defines them, byte by byte, and the choice by least sum of absolute values, the
// sums of Sub and Up weighted down (4/5 and 3/5) where they average under 3 per byte; or by least entropy: the
// greatest sum of count × log2(count) over the byte values, the first filter on a tie.
void FilterByDefinition(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::uint8_t* out,
                        std::size_t pixelBytes = 3, PngFilterRule rule = PngFilterRule::WeightedSum) {
    const auto left = [&](const std::uint8_t* r, std::size_t i) {
        return i >= pixelBytes ? int{r[i - pixelBytes]} : 0;
    };
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
    if (rule == PngFilterRule::Entropy) {
        double bestCost = 0;
        for (int type = 0; type < 5; ++type) {
            std::map<std::uint8_t, std::uint32_t> counts;
            for (std::uint8_t v : candidates[type]) ++counts[v];
            double cost = 0;
            for (const auto& [value, count] : counts) cost -= count * std::log2(static_cast<double>(count));
            if (type == 0 || cost < bestCost) best = type, bestCost = cost;
        }
        out[0] = static_cast<std::uint8_t>(best);
        std::copy(candidates[best].begin(), candidates[best].end(), out + 1);
        return;
    }
    long bestCost = -1;
    for (int type = 0; type < 5; ++type) {
        long sum = 0;
        for (std::uint8_t v : candidates[type]) sum += std::abs(static_cast<int>(static_cast<std::int8_t>(v)));
        const bool smooth = static_cast<double>(sum) / static_cast<double>(size) < 3;
        // In fifths, so that ties stay ties (0.8 × 3 and 0.6 × 4 differ in floating point).
        const long weight = !smooth ? 5 : type == 1 ? 4 : type == 2 ? 3 : 5;
        const long cost = sum * weight;
        if (bestCost < 0 || cost < bestCost) best = type, bestCost = cost;
    }
    out[0] = static_cast<std::uint8_t>(best);
    std::copy(candidates[best].begin(), candidates[best].end(), out + 1);
}

// A picture of smooth shading with noise of the given strength (0: none) and, when `flat`, flat patches, so that
// every filter wins somewhere, smooth rows and rough ones.
BMP_File ShadedPicture(std::mt19937& random, std::int32_t width, std::int32_t height, int noise, bool flat) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    std::uniform_int_distribution<int> jitter(-noise, noise);
    const int slopeX = std::uniform_int_distribution<int>(0, 4)(random);
    const int slopeY = std::uniform_int_distribution<int>(0, 4)(random);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const auto level = [&](int base) {
                return static_cast<std::uint8_t>(base + (slopeX * x + slopeY * y) / 3 +
                                                 (noise > 0 ? jitter(random) : 0));
            };
            const bool patch = flat && (x / 16 + y / 16) % 3 == 0;
            picture.Row(y)[x] = patch ? Pixel{90, 90, 90} : Pixel{level(10), level(60), level(200)};
        }
    }
    return picture;
}

// The zlib stream of the IDAT chunks, inflated; empty when it is not a valid zlib stream.
std::vector<std::uint8_t> Inflate(const DeflatedRows& rows, std::size_t expected) {
    std::vector<std::uint8_t> stream(rows.header, rows.header + 2);
    for (const DeflatedPiece& band : rows.bands)
        stream.insert(stream.end(), band.data.get(), band.data.get() + band.size);
    stream.insert(stream.end(), rows.trailer, rows.trailer + 4);
    std::vector<std::uint8_t> raw(expected + 1);
    uLongf rawSize = raw.size();
    if (uncompress(raw.data(), &rawSize, stream.data(), stream.size()) != Z_OK) return {};
    raw.resize(rawSize);
    return raw;
}

// A complete raw deflate stream of data, by zlib or by libdeflate.
std::vector<std::uint8_t> ZlibRaw(const std::vector<std::uint8_t>& data, int level, int strategy) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
    std::vector<std::uint8_t> out(deflateBound(&stream, data.size()));
    stream.next_in = const_cast<std::uint8_t*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(out.size() - stream.avail_out);
    deflateEnd(&stream);
    return out;
}

std::vector<std::uint8_t> LibdeflateRaw(const std::vector<std::uint8_t>& data, int level) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    std::vector<std::uint8_t> out(libdeflate_deflate_compress_bound(compressor, data.size()));
    out.resize(libdeflate_deflate_compress(compressor, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(compressor);
    return out;
}

}  // namespace

TEST(PngFilters, MatchTheDefinition) {
    std::mt19937 random(66);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 800; ++round) {
        const std::size_t pixelBytes = round % 3 == 2 ? 1 : 3;  // grey rows too
        const std::size_t size = pixelBytes * static_cast<std::size_t>(RandomSide(random, 300));
        std::vector<std::uint8_t> previous(size), row(size);
        // Noise, smooth ramps, flat runs and rows that differ a little from the one above, so that each filter wins
        // somewhere and the weights of smooth rows decide some choices.
        const int style = round % 4;
        const int step = byte(random) % 4;
        for (std::size_t i = 0; i < size; ++i) {
            previous[i] = static_cast<std::uint8_t>(style == 0   ? byte(random)
                                                    : style == 1 ? i / 3 + byte(random) % 3
                                                    : style == 2 ? 77
                                                                 : i * step / 3 + byte(random) % 5);
            row[i] = static_cast<std::uint8_t>(style == 0   ? byte(random)
                                               : style == 1 ? i / 3 + 1
                                               : style == 2 ? 77 + (i % 9 == 0)
                                                            : previous[i] + byte(random) % 5 - 2);
        }
        if (round % 7 == 0) std::fill(previous.begin(), previous.end(), 0);  // the first row
        for (const PngFilterRule rule : {PngFilterRule::WeightedSum, PngFilterRule::Entropy}) {
            std::vector<std::uint8_t> fast(size + 1), plain(size + 1), scratch(4 * size);
            FilterPngRow(previous.data(), row.data(), size, pixelBytes, fast.data(), scratch.data(), rule);
            FilterByDefinition(previous.data(), row.data(), size, plain.data(), pixelBytes, rule);
            ASSERT_EQ(fast, plain) << "round " << round << ", " << size << " bytes, " << pixelBytes
                                   << " to a pixel, rule " << static_cast<int>(rule);
        }
    }
}

// Each band is filtered by one rule, the one of the coder chosen for it: its rows inflate to the definition's rows
// under that rule. Both coders are used among these pictures, and the bands of both join into one valid stream.
TEST(PngBands, InflateToTheDefinitionsFilteredRowsOnAnyNumberOfThreads) {
    std::mt19937 random(67);
    struct Case {
        std::int32_t width, height;
        int noise;
        bool flat;
    };
    // Small pictures in one band, and pictures of several bands (a band is about 2 MB of rows), among them the
    // widest and the tallest a picture may be.
    const Case cases[] = {{1, 1, 0, false},     {5, 3, 40, false},     {97, 61, 1, true},   {300, 200, 6, true},
                          {1400, 700, 1, true}, {65535, 12, 2, false}, {30, 65535, 0, true}, {2000, 1200, 2, false}};
    int bandsByRule[2] = {};
    for (const Case& c : cases) {
        const BMP_File picture = ShadedPicture(random, c.width, c.height, c.noise, c.flat);
        const std::size_t rowBytes = static_cast<std::size_t>(c.width) * 3;
        std::vector<std::uint8_t> expected[2];
        std::vector<std::uint8_t> zeros(rowBytes);
        for (const PngFilterRule rule : {PngFilterRule::WeightedSum, PngFilterRule::Entropy}) {
            std::vector<std::uint8_t>& rows = expected[static_cast<int>(rule)];
            rows.resize((rowBytes + 1) * static_cast<std::size_t>(c.height));
            for (std::int32_t y = 0; y < c.height; ++y) {
                const auto* row = reinterpret_cast<const std::uint8_t*>(picture.Row(y));
                const auto* previous =
                    y == 0 ? zeros.data() : reinterpret_cast<const std::uint8_t*>(picture.Row(y - 1));
                FilterByDefinition(previous, row, rowBytes, rows.data() + static_cast<std::size_t>(y) * (rowBytes + 1),
                                   3, rule);
            }
        }
        DeflatedRows one;
        ASSERT_TRUE(DeflatePngRows(picture, 1, one));
        const std::vector<std::uint8_t> inflated = Inflate(one, expected[0].size());
        ASSERT_EQ(inflated.size(), expected[0].size()) << c.width << "x" << c.height;
        const std::size_t bandBytes =
            std::clamp<std::size_t>(kPngBandBytes / (rowBytes + 1), 1, static_cast<std::size_t>(c.height)) *
            (rowBytes + 1);
        ASSERT_EQ(one.bands.size(), (inflated.size() + bandBytes - 1) / bandBytes);
        for (std::size_t start = 0; start < inflated.size(); start += bandBytes) {
            const auto band = [&](const std::vector<std::uint8_t>& rows) {
                return std::vector<std::uint8_t>(rows.begin() + static_cast<std::ptrdiff_t>(start),
                                                 rows.begin() + static_cast<std::ptrdiff_t>(
                                                                    std::min(rows.size(), start + bandBytes)));
            };
            const bool weighted = band(inflated) == band(expected[0]);
            const bool entropy = band(inflated) == band(expected[1]);
            ASSERT_TRUE(weighted || entropy) << c.width << "x" << c.height << ", band at " << start;
            if (weighted != entropy) ++bandsByRule[entropy ? 1 : 0];
        }
        for (int threads : {2, 7}) {
            DeflatedRows many;
            ASSERT_TRUE(DeflatePngRows(picture, threads, many));
            ASSERT_EQ(many.bands.size(), one.bands.size());
            for (std::size_t i = 0; i < one.bands.size(); ++i) {
                ASSERT_EQ(
                    std::vector<std::uint8_t>(many.bands[i].data.get(), many.bands[i].data.get() + many.bands[i].size),
                    std::vector<std::uint8_t>(one.bands[i].data.get(), one.bands[i].data.get() + one.bands[i].size))
                    << c.width << "x" << c.height << ", band " << i << ", " << threads << " threads";
            }
            ASSERT_EQ(0, std::memcmp(many.trailer, one.trailer, sizeof one.trailer));
        }
    }
    EXPECT_GT(bandsByRule[0], 0) << "no band went to the matching coder";
    EXPECT_GT(bandsByRule[1], 0) << "no band went to the run-length coder";
}

TEST(PngBands, JoinedDeflateStreamsInflateToTheJoinedData) {
    // Complete raw deflate streams of every block kind, made joinable and joined (the last one left as it is),
    // inflate in one go to the data one after the other: whatever the padding after the last block.
    std::mt19937 random(68);
    // Library 0 is zlib (level 0 writes stored blocks, Z_FIXED the fixed codes), 1 libdeflate.
    const struct Maker {
        const char* name;
        int library, level, strategy;
    } makers[] = {{"stored", 0, 0, Z_DEFAULT_STRATEGY},   {"fixed codes", 0, 6, Z_FIXED},
                  {"zlib", 0, 6, Z_DEFAULT_STRATEGY},     {"libdeflate 1", 1, 1, 0},
                  {"libdeflate", 1, kPngDeflateLevel, 0}, {"libdeflate 12", 1, 12, 0}};
    for (int round = 0; round < 120; ++round) {
        std::vector<std::uint8_t> joined, data;
        const int pieces = 1 + round % 4;
        for (int piece = 0; piece < pieces; ++piece) {
            // From one byte to several blocks' worth, noisy or repetitive.
            const std::size_t size = round % 5 == 0 ? 1 + random() % 20 : 1 + random() % 400000;
            const unsigned spread = 1 + random() % 256;
            std::vector<std::uint8_t> part(size);
            for (std::size_t i = 0; i < size; ++i) part[i] = static_cast<std::uint8_t>(random() % spread);
            const Maker& maker = makers[(round + piece) % std::size(makers)];
            std::vector<std::uint8_t> stream =
                maker.library == 0 ? ZlibRaw(part, maker.level, maker.strategy) : LibdeflateRaw(part, maker.level);
            if (piece + 1 < pieces) {
                std::size_t streamSize = stream.size();
                stream.resize(streamSize + 5);
                ASSERT_TRUE(MakeDeflateJoinable(stream.data(), streamSize, part.size()))
                    << maker.name << ", round " << round;
                stream.resize(streamSize);
                ASSERT_EQ(stream[streamSize - 2], 0xFF);  // ends with the empty stored block
            }
            joined.insert(joined.end(), stream.begin(), stream.end());
            data.insert(data.end(), part.begin(), part.end());
        }
        std::vector<std::uint8_t> back(data.size() + 1);
        z_stream stream{};
        ASSERT_EQ(inflateInit2(&stream, -15), Z_OK);
        stream.next_in = joined.data();
        stream.avail_in = static_cast<uInt>(joined.size());
        stream.next_out = back.data();
        stream.avail_out = static_cast<uInt>(back.size());
        ASSERT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END) << "round " << round;
        EXPECT_EQ(stream.avail_in, 0u);
        back.resize(back.size() - stream.avail_out);
        inflateEnd(&stream);
        ASSERT_EQ(back, data) << "round " << round;
    }
}

TEST(PngBands, JoiningRefusesWhatIsNotOneWholeStream) {
    std::vector<std::uint8_t> data(5000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * i % 251);
    const std::vector<std::uint8_t> whole = LibdeflateRaw(data, kPngDeflateLevel);
    struct Case {
        const char* name;
        std::size_t keep;     // bytes of the stream kept
        std::size_t extra;    // zero bytes put after them
        std::size_t rawSize;  // what it is said to decompress to
        std::size_t garbage;  // bytes of noise put over its start
    };
    const Case cases[] = {{"empty", 0, 0, 0, 0},
                          {"cut short", whole.size() / 2, 0, data.size(), 0},
                          {"bytes after its end", whole.size(), 1, data.size(), 0},
                          {"said to be a byte shorter", whole.size(), 0, data.size() - 1, 0},
                          {"said to be a byte longer", whole.size(), 0, data.size() + 1, 0},
                          {"not deflate", whole.size(), 0, data.size(), 16}};
    for (const Case& c : cases) {
        std::vector<std::uint8_t> piece(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(c.keep));
        for (std::size_t i = 0; i < c.garbage; ++i) piece[i] = 0xFF;
        piece.resize(c.keep + c.extra + 5);
        std::size_t size = c.keep + c.extra;
        EXPECT_FALSE(MakeDeflateJoinable(piece.data(), size, c.rawSize)) << c.name;
    }
}
