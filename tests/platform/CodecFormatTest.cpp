// Decoding the kinds of file the encoders never write: every PNG colour type and depth, grey and CMYK JPEG, GIF
// frames with their tables and transparency, BMP files of every depth and coding.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "platform/ImageCodec.h"
#include "tests/platform/CodecFixtures.h"
#include "tests/support/TestSupport.h"

using fixtures::Bytes;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace {

Status ReadBytesAsImage(const TempDir& dir, const Bytes& bytes, BMP_File& picture, const char* name = "fixture") {
    const std::string path = dir.File(name);
    fixtures::WriteBytes(path, bytes);
    return ReadImageFile(path, picture);
}

}  // namespace

// ---- PNG -----------------------------------------------------------------------------------------------------

TEST(PngDecode, EveryColourTypeDepthAndInterlace) {
    const fixtures::PngCase cases[] = {
        {"grey 1", PNG_COLOR_TYPE_GRAY, 1, false, false},
        {"grey 2", PNG_COLOR_TYPE_GRAY, 2, false, false},
        {"grey 4", PNG_COLOR_TYPE_GRAY, 4, false, false},
        {"grey 8", PNG_COLOR_TYPE_GRAY, 8, false, false},
        {"grey 16", PNG_COLOR_TYPE_GRAY, 16, false, false},
        {"grey 1 with a transparent grey", PNG_COLOR_TYPE_GRAY, 1, false, true},
        {"grey 8 with a transparent grey", PNG_COLOR_TYPE_GRAY, 8, false, true},
        {"grey 16 with a transparent grey", PNG_COLOR_TYPE_GRAY, 16, false, true},
        {"grey and alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
        {"grey and alpha 16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false},
        {"rgb 8", PNG_COLOR_TYPE_RGB, 8, false, false},
        {"rgb 16", PNG_COLOR_TYPE_RGB, 16, false, false},
        {"rgb 8 with a transparent colour", PNG_COLOR_TYPE_RGB, 8, false, true},
        {"rgb 16 with a transparent colour", PNG_COLOR_TYPE_RGB, 16, false, true},
        {"rgba 8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false},
        {"rgba 16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false},
        {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
        {"palette 2", PNG_COLOR_TYPE_PALETTE, 2, false, false},
        {"palette 4", PNG_COLOR_TYPE_PALETTE, 4, false, false},
        {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, false, false},
        {"palette 2 with alpha entries", PNG_COLOR_TYPE_PALETTE, 2, false, true},
        {"palette 8 with alpha entries", PNG_COLOR_TYPE_PALETTE, 8, false, true},
    };
    TempDir dir;
    std::mt19937 random(21);
    for (fixtures::PngCase kind : cases) {
        for (bool interlaced : {false, true}) {
            kind.interlaced = interlaced;
            for (int round = 0; round < 6; ++round) {
                // Sizes from 1 × 1 up, so that some interlace passes are empty.
                const std::int32_t width = testsupport::RandomSide(random, 37);
                const std::int32_t height = testsupport::RandomSide(random, 37);
                BMP_File expected;
                ASSERT_TRUE(fixtures::WritePngFixture(dir.File("case.png"), kind, width, height, random, expected));
                BMP_File read;
                const Status status = ReadImageFile(dir.File("case.png"), read);
                ASSERT_TRUE(status) << kind.name << ": " << status.message();
                ASSERT_TRUE(SamePixels(expected, read)) << kind.name << (interlaced ? ", interlaced" : "");
            }
        }
    }
}

// ---- JPEG ----------------------------------------------------------------------------------------------------

TEST(JpegDecode, GreyAndCmykBecomeRgb) {
    // A smooth reference picture; each kind stores it in its own channels, and decoding must come back near it.
    constexpr std::int32_t kWidth = 64, kHeight = 48;
    BMP_File reference;
    ASSERT_TRUE(reference.Create(kWidth, kHeight));
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            reference.Row(y)[x] = Pixel{static_cast<std::uint8_t>(40 + 3 * x), static_cast<std::uint8_t>(30 + 4 * y),
                                        static_cast<std::uint8_t>(200 - 2 * x - y)};
        }
    }
    struct Case {
        const char* name;
        fixtures::JpegKind kind;
        // The stored samples of one reference pixel.
        std::vector<std::uint8_t> (*store)(const Pixel&);
        bool grey;
    };
    const Case cases[] = {
        {"grey", fixtures::JpegKind::Grey, [](const Pixel& p) { return std::vector<std::uint8_t>{p.g}; }, true},
        // Adobe's CMYK is stored inverted: with no black ink (stored 255) the stored cyan is the red, and so on.
        {"adobe cmyk", fixtures::JpegKind::Cmyk,
         [](const Pixel& p) {
             return std::vector<std::uint8_t>{p.r, p.g, p.b, 255};
         },
         false},
        {"adobe ycck", fixtures::JpegKind::Ycck,
         [](const Pixel& p) {
             return std::vector<std::uint8_t>{p.r, p.g, p.b, 255};
         },
         false},
        // Black ink alone, inverted: every channel is the stored black.
        {"adobe cmyk, black only", fixtures::JpegKind::Cmyk,
         [](const Pixel& p) {
             return std::vector<std::uint8_t>{255, 255, 255, p.g};
         },
         true},
        // Without Adobe's marker the inks are stored as they are.
        {"plain cmyk", fixtures::JpegKind::PlainCmyk,
         [](const Pixel& p) {
             return std::vector<std::uint8_t>{static_cast<std::uint8_t>(255 - p.r),
                                              static_cast<std::uint8_t>(255 - p.g),
                                              static_cast<std::uint8_t>(255 - p.b), 0};
         },
         false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::vector<std::uint8_t> samples;
        for (std::size_t i = 0; i < reference.PixelCount(); ++i) {
            const std::vector<std::uint8_t> stored = c.store(reference.Data()[i]);
            samples.insert(samples.end(), stored.begin(), stored.end());
        }
        ASSERT_TRUE(fixtures::WriteJpegFixture(dir.File("case.jpg"), c.kind, kWidth, kHeight, samples)) << c.name;
        BMP_File read;
        const Status status = ReadImageFile(dir.File("case.jpg"), read);
        ASSERT_TRUE(status) << c.name << ": " << status.message();
        ASSERT_EQ(read.Width(), kWidth);
        ASSERT_EQ(read.Height(), kHeight);
        double sum = 0;
        int worst = 0;
        for (std::size_t i = 0; i < read.PixelCount(); ++i) {
            const Pixel& got = read.Data()[i];
            const Pixel& want = reference.Data()[i];
            if (c.grey) {
                ASSERT_TRUE(got.r == got.g && got.g == got.b) << c.name << ": not grey at " << i;
            }
            const int wanted[3] = {c.grey ? want.g : want.r, want.g, c.grey ? want.g : want.b};
            const int channels[3] = {got.r, got.g, got.b};
            for (int k = 0; k < 3; ++k) {
                const int d = std::abs(channels[k] - wanted[k]);
                sum += d;
                worst = std::max(worst, d);
            }
        }
        EXPECT_LT(sum / static_cast<double>(read.PixelCount() * 3), 1.5) << c.name;
        EXPECT_LE(worst, 12) << c.name;
    }
}

// ---- GIF -----------------------------------------------------------------------------------------------------

namespace {

// What a GIF of one or more frames must decode to: the screen grown to the first frame, white wherever the frame is
// transparent or absent, black for indexes past the table.
BMP_File ExpectedGif(int screenWidth, int screenHeight, const std::vector<Pixel>& global, const fixtures::GifFrame& f) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(std::max(screenWidth, f.left + f.width), std::max(screenHeight, f.top + f.height)));
    for (std::size_t i = 0; i < picture.PixelCount(); ++i) picture.Data()[i] = Pixel{255, 255, 255};
    const std::vector<Pixel>& table = f.localTable.empty() ? global : f.localTable;
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            const int index = f.indexes[static_cast<std::size_t>(y * f.width + x)];
            if (index == f.transparent) continue;
            const std::size_t i = static_cast<std::size_t>(index);
            picture.PixelAt(f.left + x, f.top + y) = i < table.size() ? table[i] : Pixel{};
        }
    }
    return picture;
}

fixtures::GifFrame RandomFrame(std::mt19937& random, int left, int top, int width, int height, int indexes) {
    fixtures::GifFrame frame;
    frame.left = left, frame.top = top, frame.width = width, frame.height = height;
    std::uniform_int_distribution<int> pick(0, indexes - 1);
    frame.indexes.resize(static_cast<std::size_t>(width * height));
    for (std::uint8_t& i : frame.indexes) i = static_cast<std::uint8_t>(pick(random));
    return frame;
}

}  // namespace

TEST(GifDecode, FirstFrameWithItsTableAndTransparency) {
    struct Case {
        const char* name;
        int screenWidth, screenHeight;
        std::size_t globalSize;  // 0: no global table
        int left, top, width, height;
        std::size_t localSize;  // 0: no local table
        int transparent;
        bool interlaced;
        int indexes;          // indexes drawn from 0 .. indexes − 1
        int minimumCodeSize;  // at least the table's bits; larger lets indexes pass the table's end
    };
    const Case cases[] = {
        {"global table, whole screen", 7, 5, 4, 0, 0, 7, 5, 0, -1, false, 4, 2},
        {"local table wins", 6, 6, 2, 0, 0, 6, 6, 8, -1, false, 8, 3},
        {"frame placed on a larger screen", 10, 8, 4, 3, 2, 4, 3, 0, -1, false, 4, 2},
        {"transparent index shows white", 9, 4, 4, 0, 0, 9, 4, 0, 1, false, 4, 2},
        {"transparent index in a local table", 9, 4, 4, 1, 1, 8, 3, 16, 5, false, 16, 4},
        {"interlaced frame", 5, 19, 8, 0, 0, 5, 19, 0, -1, true, 8, 3},
        {"interlaced frame of 1 row", 5, 1, 8, 0, 0, 5, 1, 0, -1, true, 8, 3},
        {"indexes past the table are black", 6, 6, 4, 0, 0, 6, 6, 0, -1, false, 8, 3},
        {"frame past the screen grows the picture", 4, 4, 4, 2, 3, 5, 2, 0, -1, false, 4, 2},
        {"zero-sized screen", 0, 0, 4, 0, 0, 3, 3, 0, -1, false, 4, 2},
    };
    TempDir dir;
    std::mt19937 random(31);
    for (const Case& c : cases) {
        const std::vector<Pixel> global = fixtures::RandomTable(random, c.globalSize);
        fixtures::GifFrame frame = RandomFrame(random, c.left, c.top, c.width, c.height, c.indexes);
        frame.localTable = fixtures::RandomTable(random, c.localSize);
        frame.transparent = c.transparent;
        frame.interlaced = c.interlaced;
        // A second frame that must not be drawn.
        fixtures::GifFrame later = RandomFrame(random, 0, 0, 2, 2, 2);
        const Bytes file = fixtures::GifFile(c.screenWidth, c.screenHeight, global, {frame, later}, c.minimumCodeSize);
        BMP_File read;
        const Status status = ReadBytesAsImage(dir, file, read);
        ASSERT_TRUE(status) << c.name << ": " << status.message();
        EXPECT_TRUE(SamePixels(ExpectedGif(c.screenWidth, c.screenHeight, global, frame), read)) << c.name;
    }
}

TEST(GifDecode, BrokenFilesAreErrors) {
    TempDir dir;
    std::mt19937 random(32);
    const fixtures::GifFrame frame = RandomFrame(random, 0, 0, 3, 3, 4);
    // The frame's second code replaced: codes are 3 bits here, the first (a clear code) in bits 0..2 of the first
    // data byte, which follows the header (13), a table of 4 colours (12), the frame's descriptor (10), the code size
    // and the block length.
    const auto secondCode = [&](unsigned code) {
        Bytes file = fixtures::GifFile(3, 3, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}, {frame}, 2);
        const std::size_t data = 13 + 12 + 10 + 2;
        file[data] = static_cast<std::uint8_t>((file[data] & ~0x38u) | code << 3);
        return file;
    };
    struct Case {
        const char* name;
        Bytes file;
        const char* cause;
    };
    const Case cases[] = {
        {"no colour table anywhere", fixtures::GifFile(3, 3, {}, {frame}, 2), "no colour table"},
        {"no frame", fixtures::GifFile(3, 3, fixtures::RandomTable(random, 4), {}, 2), "no picture"},
        {"a code not yet in the LZW table", secondCode(7), "invalid GIF file"},
        {"the LZW end code before the last pixel", secondCode(5), "invalid GIF file"},
    };
    for (const Case& c : cases) {
        BMP_File read;
        const Status status = ReadBytesAsImage(dir, c.file, read);
        EXPECT_FALSE(status) << c.name;
        EXPECT_NE(status.message().find(c.cause), std::string::npos) << c.name << ": " << status.message();
    }
}

// ---- BMP -----------------------------------------------------------------------------------------------------

namespace {

double Scaled(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const double max = static_cast<double>(mask >> shift);
    return std::floor(static_cast<double>((value & mask) >> shift) * 255.0 / max + 0.5);
}

// An uncompressed BMP of random raw pixel values; `expected` gets the picture they stand for.
Bytes RandomBmp(std::mt19937& random, fixtures::BmpHeader header, BMP_File& expected, bool alphaZero = false) {
    const std::int32_t width = header.width;
    const std::int32_t height = std::abs(header.height);
    const int bits = header.bitCount;
    std::uniform_int_distribution<std::uint32_t> any(0, 0xFFFFFFFFu);
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    Bytes pixels(stride * static_cast<std::size_t>(height), 0);
    EXPECT_TRUE(expected.Create(width, height));

    std::uint32_t masks[4] = {header.masks[0], header.masks[1], header.masks[2], header.masks[3]};
    const bool masked = header.compression == 3 || header.compression == 6;
    if (!masked && bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
    if (!masked && bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0;

    for (std::int32_t r = 0; r < height; ++r) {
        const std::int32_t y = header.height < 0 ? r : height - 1 - r;
        std::uint8_t* row = pixels.data() + static_cast<std::size_t>(r) * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t value = any(random) & ((bits == 32) ? 0xFFFFFFFFu : (1u << bits) - 1);
            if (alphaZero) value &= ~masks[3];
            // Some alpha that is not 0, or the picture would count as opaque.
            if (!alphaZero && r == 0 && x == 0) value |= masks[3] & (~masks[3] + 1);
            Pixel& out = expected.Row(y)[x];
            if (bits <= 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                row[bit / 8] |= static_cast<std::uint8_t>(value << (8 - bits - bit % 8));
                out = value < header.table.size() && (header.colorsUsed == 0 || value < header.colorsUsed)
                          ? header.table[value]
                          : Pixel{};
            } else if (bits == 24) {
                row[3 * x] = static_cast<std::uint8_t>(value);
                row[3 * x + 1] = static_cast<std::uint8_t>(value >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(value >> 16);
                out = Pixel{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                            static_cast<std::uint8_t>(value)};
            } else {
                for (int k = 0; k < bits / 8; ++k)
                    row[static_cast<std::size_t>(x) * (bits / 8) + k] = static_cast<std::uint8_t>(value >> (8 * k));
                const double a = masks[3] != 0 && !alphaZero ? Scaled(value, masks[3]) : 255.0;
                out = Pixel{fixtures::OverWhite(Scaled(value, masks[0]), a),
                            fixtures::OverWhite(Scaled(value, masks[1]), a),
                            fixtures::OverWhite(Scaled(value, masks[2]), a)};
            }
        }
    }
    return fixtures::BmpFile(header, pixels);
}

}  // namespace

TEST(BmpDecode, EveryDepthAndLayoutBecomes24Bits) {
    struct Case {
        const char* name;
        std::uint32_t headerSize;
        int bitCount;
        std::uint32_t compression;
        bool topDown;
        std::size_t tableSize;
        std::uint32_t colorsUsed;
        std::uint32_t masks[4];
        bool alphaZero;
    };
    const Case cases[] = {
        {"1-bit", 40, 1, 0, false, 2, 0, {}, false},
        {"2-bit", 40, 2, 0, false, 4, 0, {}, false},
        {"4-bit", 40, 4, 0, false, 16, 0, {}, false},
        {"8-bit", 40, 8, 0, false, 256, 0, {}, false},
        {"8-bit top-down", 40, 8, 0, true, 256, 0, {}, false},
        {"8-bit, short table: the rest is black", 40, 8, 0, false, 20, 20, {}, false},
        {"4-bit, old 12-byte header", 12, 4, 0, false, 16, 0, {}, false},
        {"24-bit, old 12-byte header", 12, 24, 0, false, 0, 0, {}, false},
        {"16-bit 5-5-5", 40, 16, 0, false, 0, 0, {}, false},
        {"16-bit 5-6-5 masks", 40, 16, 3, false, 0, 0, {0xF800, 0x07E0, 0x001F, 0}, false},
        {"16-bit 4-4-4-4 with alpha", 40, 16, 6, true, 0, 0, {0x0F00, 0x00F0, 0x000F, 0xF000}, false},
        {"32-bit, fourth byte unused", 40, 32, 0, false, 0, 0, {}, false},
        {"32-bit masks, 108-byte header", 108, 32, 3, false, 0, 0, {0xFF, 0xFF00, 0xFF0000, 0}, false},
        {"32-bit with alpha, 124-byte header", 124, 32, 3, true, 0, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, false},
        {"32-bit alpha all zero is opaque", 124, 32, 3, false, 0, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, true},
        {"32-bit 10-10-10 masks", 56, 32, 3, false, 0, 0, {0x3FF00000, 0x000FFC00, 0x000003FF, 0}, false},
    };
    TempDir dir;
    std::mt19937 random(41);
    for (const Case& c : cases) {
        for (int round = 0; round < 4; ++round) {
            fixtures::BmpHeader header;
            header.headerSize = c.headerSize;
            header.width = testsupport::RandomSide(random, 45);
            const std::int32_t height = testsupport::RandomSide(random, 30);
            header.height = c.topDown ? -height : height;
            header.bitCount = c.bitCount;
            header.compression = c.compression;
            header.table = fixtures::RandomTable(random, c.tableSize);
            header.colorsUsed = c.colorsUsed;
            for (int i = 0; i < 4; ++i) header.masks[i] = c.masks[i];
            BMP_File expected;
            const Bytes file = RandomBmp(random, header, expected, c.alphaZero);
            BMP_File read;
            const Status status = ReadBytesAsImage(dir, file, read, "case.bmp");
            ASSERT_TRUE(status) << c.name << ": " << status.message();
            ASSERT_TRUE(SamePixels(expected, read)) << c.name;
        }
    }
}

TEST(BmpDecode, RunLengthCodingWithMovesAndEarlyEnds) {
    const std::vector<Pixel> table = {{0, 0, 0},    {255, 0, 0},  {0, 255, 0}, {0, 0, 255},
                                      {10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
    const Pixel w{255, 255, 255};  // skipped pixels are transparent
    const Pixel k{0, 0, 0};        // an index past the table
    struct Case {
        const char* name;
        int bitCount;
        std::int32_t width, height;
        Bytes data;
        std::vector<Pixel> expected;  // top row first
    };
    const Case cases[] = {
        {"RLE8: run, literal, short line, move, end",
         8,
         6,
         4,
         {3, 1, 0, 3, 2, 3, 4, 0,                               // bottom row: three 1s, then the literal 2 3 4 (padded)
          0, 0,                                                 // end of line
          2, 5, 0, 0,                                           // next row: two 5s, end of line
          0, 2, 2, 1,                                           // move two right and one up: to x = 2 of the top row
          2, 6, 0, 1},                                          // two 6s, end of picture
         {w,        w,        table[6], table[6], w,        w,  //
          w,        w,        w,        w,        w,        w,  //
          table[5], table[5], w,        w,        w,        w,  //
          table[1], table[1], table[1], table[2], table[3], table[4]}},
        {"RLE8: index past the table, run past the edge", 8, 3, 1, {2, 9, 5, 2, 0, 1}, {k, k, table[2]}},
        {"RLE4: alternating run, odd literal",
         4,
         5,
         2,
         {5, 0x12, 0, 0,     // bottom row: 1 2 1 2 1
          0, 3, 0x34, 0x50,  // top row: literal 3 4 5 (two bytes, already even)
          0, 1},
         {table[3], table[4], table[5], w, w,  //
          table[1], table[2], table[1], table[2], table[1]}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        fixtures::BmpHeader header;
        header.width = c.width;
        header.height = c.height;
        header.bitCount = c.bitCount;
        header.compression = c.bitCount == 8 ? 1 : 2;
        header.table = table;
        header.colorsUsed = static_cast<std::uint32_t>(table.size());
        BMP_File expected;
        ASSERT_TRUE(expected.Create(c.width, c.height));
        for (std::size_t i = 0; i < c.expected.size(); ++i) expected.Data()[i] = c.expected[i];
        BMP_File read;
        const Status status = ReadBytesAsImage(dir, fixtures::BmpFile(header, c.data), read, "case.bmp");
        ASSERT_TRUE(status) << c.name << ": " << status.message();
        EXPECT_TRUE(SamePixels(expected, read)) << c.name;
    }
}

TEST(BmpDecode, PlainTwentyFourBitFilesGoThroughTheBmpReader) {
    // The reader of 24-bit files gives black rows where the data ends early; this path keeps that behaviour.
    TempDir dir;
    std::mt19937 random(42);
    fixtures::BmpHeader header;
    header.width = 5;
    header.height = 4;
    header.bitCount = 24;
    BMP_File expected;
    Bytes file = RandomBmp(random, header, expected);
    file.resize(file.size() - 2 * 16);  // the top two rows of 16 bytes each are gone
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 5; ++x) expected.Row(y)[x] = Pixel{};
    }
    BMP_File read;
    ASSERT_TRUE(ReadBytesAsImage(dir, file, read, "short.bmp"));
    EXPECT_TRUE(SamePixels(expected, read));
}
