// TIFF files: what tiffcp writes with each compression and layout decodes to the same pixels as the PNG of the same
// picture; fixtures written with libtiff itself cover the sample layouts, alpha, palettes and orientations; our own
// files are read back by tiffinfo; damaged and hostile files are refused with one line.

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "platform/ImageCodec.h"
#include "platform/TiffCodec.h"
#include "tests/platform/CodecFixtures.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace {

// Runs a shell command; its standard output, or nothing when it failed.
std::optional<std::string> Shell(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>/dev/null").c_str(), "r"), ::pclose);
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
    if (::pclose(pipe.release()) != 0) return std::nullopt;
    return out;
}

bool HaveTool(const char* name) {
    return Shell(std::string("command -v ") + name).has_value();
}

BMP_File Read(const std::string& path) {
    BMP_File picture;
    const Status read = ReadImageFile(path, picture);
    EXPECT_TRUE(read) << read.message();
    return picture;
}

// A picture with smooth parts and noise, as scans have, so that every compression has work to do.
BMP_File ScanLike(std::int32_t width, std::int32_t height, std::uint32_t seed) {
    std::mt19937 random(seed);
    BMP_File picture = RandomImage(random, width, height);
    for (std::int32_t y = 0; y < height / 2; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            picture.PixelAt(x, y) = Pixel{static_cast<std::uint8_t>(x * 255 / width), static_cast<std::uint8_t>(y * 7),
                                          static_cast<std::uint8_t>(200)};
        }
    }
    return picture;
}

// Writes one page with libtiff: `fill` gets each row's bytes to set.
struct TiffFixture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samples = 3;
    std::uint16_t bits = 8;
    std::uint16_t photometric = PHOTOMETRIC_RGB;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::uint16_t extra = 0;                               // EXTRASAMPLE_* of one extra sample, or 0 for none
    const std::vector<std::uint16_t>* colormap = nullptr;  // 3 × 2^bits entries for a palette
};

void WriteTiff(const std::string& path, const TiffFixture& f,
               const std::function<void(std::uint32_t row, std::vector<std::uint8_t>& bytes)>& fill) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, f.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, f.height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, f.samples);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, f.bits);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, f.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, f.orientation);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 3u);
    if (f.extra != 0) {
        const std::uint16_t extra[1] = {f.extra};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (f.colormap != nullptr) {
        const std::size_t n = f.colormap->size() / 3;
        const std::uint16_t* map = f.colormap->data();
        TIFFSetField(tiff, TIFFTAG_COLORMAP, map, map + n, map + 2 * n);
    }
    std::vector<std::uint8_t> row((f.width * f.samples * f.bits + 7) / 8);
    for (std::uint32_t y = 0; y < f.height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        fill(y, row);
        ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), y, 0), 1);
    }
    TIFFClose(tiff);
}

std::uint8_t Scale16(std::uint32_t v) {
    return static_cast<std::uint8_t>(std::lround(v * 255.0 / 65535.0));
}

}  // namespace

// tiffcp rewrites our reference file with each compression and layout; every copy must decode to the PNG's pixels
// (JPEG within its loss).
TEST(TiffRead, EveryCompressionAndLayoutOfTiffcpGivesThePngPixels) {
    if (!HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp is not installed (scripts/install-deps.sh)";
    TempDir dir;
    const BMP_File picture = ScanLike(203, 131, 7);
    ASSERT_TRUE(WriteImageFile(dir.File("ref.png"), picture, ImageFormat::Png));
    ASSERT_TRUE(WriteImageFile(dir.File("ref.tif"), picture, ImageFormat::Tiff));
    const BMP_File png = Read(dir.File("ref.png"));
    ASSERT_TRUE(SamePixels(picture, png));

    const char* lossless[] = {"-c none",
                              "-c lzw",
                              "-c zip",
                              "-c packbits",
                              "-c lzw:2 -t -w 32 -l 48",
                              "-c zip -r 1",
                              "-c none -p separate",
                              "-c lzw -t -w 16 -l 16 -p separate"};
    for (const char* options : lossless) {
        const std::string copy = dir.File("copy.tif");
        ASSERT_TRUE(Shell("tiffcp " + std::string(options) + " " + dir.File("ref.tif") + " " + copy)) << options;
        EXPECT_TRUE(SamePixels(png, Read(copy))) << options;
    }
    ASSERT_TRUE(Shell("tiffcp -c jpeg:90 " + dir.File("ref.tif") + " " + dir.File("jpeg.tif")));
    const BMP_File jpeg = Read(dir.File("jpeg.tif"));
    ASSERT_EQ(jpeg.Width(), png.Width());
    ASSERT_EQ(jpeg.Height(), png.Height());
    double error = 0;
    for (std::size_t i = 0; i < png.PixelCount(); ++i) {
        error += std::abs(jpeg.Data()[i].g - png.Data()[i].g);
    }
    EXPECT_LT(error / static_cast<double>(png.PixelCount()), 40.0);  // random noise is JPEG's worst case

    // Bilevel pages in the fax compressions: white and black only, the same as the uncompressed page.
    TiffFixture bilevel{.width = 77, .height = 40, .samples = 1, .bits = 1, .photometric = PHOTOMETRIC_MINISWHITE};
    WriteTiff(dir.File("bw.tif"), bilevel, [](std::uint32_t y, std::vector<std::uint8_t>& row) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<std::uint8_t>((y * 37 + i * 11) * 2654435761u >> 24);
    });
    const BMP_File plain = Read(dir.File("bw.tif"));
    for (const char* options : {"-c g3", "-c g3:2d", "-c g4"}) {
        ASSERT_TRUE(Shell("tiffcp " + std::string(options) + " " + dir.File("bw.tif") + " " + dir.File("fax.tif")));
        EXPECT_TRUE(SamePixels(plain, Read(dir.File("fax.tif")))) << options;
    }
    EXPECT_EQ(plain.PixelAt(0, 0).r == 0 || plain.PixelAt(0, 0).r == 255, true);
}

// Sample layouts written with libtiff: each must give the pixels computed here by the format's definition.
TEST(TiffRead, TiffsWrittenByImageMagickGiveThePngPixels) {
    if (!HaveTool("convert")) GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    const BMP_File picture = ScanLike(157, 94, 11);
    ASSERT_TRUE(WriteImageFile(dir.File("ref.png"), picture, ImageFormat::Png));
    const BMP_File png = Read(dir.File("ref.png"));
    for (const char* options : {"-compress None", "-compress LZW", "-compress Zip", "-compress RLE",
                                "-compress Zip -define tiff:tile-geometry=32x32", "-compress LZW -alpha on"}) {
        const std::string copy = dir.File("magick.tif");
        ASSERT_TRUE(Shell("convert " + dir.File("ref.png") + " " + options + " " + copy)) << options;
        EXPECT_TRUE(SamePixels(png, Read(copy))) << options;
    }
}

TEST(TiffRead, GreyPaletteSixteenBitAlphaAndOrientationFollowTheirDefinition) {
    TempDir dir;
    std::mt19937 random(11);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::uint32_t w = 13, h = 9;
    std::vector<std::uint8_t> data(w * h * 8);
    for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(byte(random));
    const auto at = [&](std::uint32_t i) { return data[i % data.size()]; };
    const auto u16 = [&](std::uint32_t i) { return static_cast<std::uint32_t>(at(2 * i) | at(2 * i + 1) << 8); };
    const auto put16 = [](std::vector<std::uint8_t>& row, std::size_t i, std::uint32_t v) {
        std::memcpy(&row[2 * i], &v, 2);  // native order: libtiff writes the host's order
    };

    struct Case {
        const char* name;
        TiffFixture fixture;
        std::function<void(std::uint32_t, std::vector<std::uint8_t>&)> fill;
        std::function<Pixel(std::uint32_t x, std::uint32_t y)> expected;  // by stored position
    };
    std::vector<std::uint16_t> palette(3 * 16);
    for (std::uint16_t& v : palette) v = static_cast<std::uint16_t>(byte(random) * 257);
    const std::vector<Case> cases = {
        {"8-bit grey",
         {.width = w, .height = h, .samples = 1, .photometric = PHOTOMETRIC_MINISBLACK},
         [&](std::uint32_t y, auto& row) {
             for (std::uint32_t x = 0; x < w; ++x) row[x] = at(y * w + x);
         },
         [&](std::uint32_t x, std::uint32_t y) {
             const std::uint8_t v = at(y * w + x);
             return Pixel{v, v, v};
         }},
        {"16-bit grey",
         {.width = w, .height = h, .samples = 1, .bits = 16, .photometric = PHOTOMETRIC_MINISBLACK},
         [&](std::uint32_t y, auto& row) {
             for (std::uint32_t x = 0; x < w; ++x) put16(row, x, u16(y * w + x));
         },
         [&](std::uint32_t x, std::uint32_t y) {
             // libtiff keeps the high byte of 16-bit grey (RGB samples it rounds).
            const auto v = static_cast<std::uint8_t>(u16(y * w + x) >> 8);
             return Pixel{v, v, v};
         }},
        {"1-bit min-is-black",
         {.width = w, .height = h, .samples = 1, .bits = 1, .photometric = PHOTOMETRIC_MINISBLACK},
         [&](std::uint32_t y, auto& row) {
             for (std::uint32_t x = 0; x < w; ++x)
                 if (at(y * w + x) & 1) row[x / 8] |= 0x80 >> (x % 8);
         },
         [&](std::uint32_t x, std::uint32_t y) {
             const std::uint8_t v = (at(y * w + x) & 1) ? 255 : 0;
             return Pixel{v, v, v};
         }},
        {"16-bit RGB",
         {.width = w, .height = h, .bits = 16},
         [&](std::uint32_t y, auto& row) {
             for (std::uint32_t i = 0; i < w * 3; ++i) put16(row, i, u16(y * w * 3 + i));
         },
         [&](std::uint32_t x, std::uint32_t y) {
             const std::uint32_t i = (y * w + x) * 3;
             return Pixel{Scale16(u16(i)), Scale16(u16(i + 1)), Scale16(u16(i + 2))};
         }},
        {"4-bit palette",
         {.width = w, .height = h, .samples = 1, .bits = 4, .photometric = PHOTOMETRIC_PALETTE, .colormap = &palette},
         [&](std::uint32_t y, auto& row) {
             for (std::uint32_t x = 0; x < w; ++x) row[x / 2] |= (at(y * w + x) & 15) << (x % 2 ? 0 : 4);
         },
         [&](std::uint32_t x, std::uint32_t y) {
             const std::uint32_t k = at(y * w + x) & 15;
             return Pixel{static_cast<std::uint8_t>(palette[k] >> 8), static_cast<std::uint8_t>(palette[16 + k] >> 8),
                          static_cast<std::uint8_t>(palette[32 + k] >> 8)};
         }},
        {"8-bit RGBA, unassociated alpha",
         {.width = w, .height = h, .samples = 4, .extra = EXTRASAMPLE_UNASSALPHA},
         [&](std::uint32_t y, auto& row) {
             for (std::uint32_t i = 0; i < w * 4; ++i) row[i] = at(y * w * 4 + i);
         },
         [&](std::uint32_t x, std::uint32_t y) {
             const std::uint32_t i = (y * w + x) * 4;
             const double a = at(i + 3);
             return Pixel{fixtures::OverWhite(at(i), a), fixtures::OverWhite(at(i + 1), a),
                          fixtures::OverWhite(at(i + 2), a)};
         }},
    };
    for (const Case& c : cases) {
        WriteTiff(dir.File("case.tif"), c.fixture, c.fill);
        BMP_File expected;
        ASSERT_TRUE(expected.Create(static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)));
        for (std::uint32_t y = 0; y < h; ++y)
            for (std::uint32_t x = 0; x < w; ++x) expected.PixelAt(x, y) = c.expected(x, y);
        EXPECT_TRUE(SamePixels(expected, Read(dir.File("case.tif")))) << c.name;
    }

    // The eight orientations: stored pixel (c, r) of a W × H page shows at the place the tag names.
    TiffFixture rgb{.width = w, .height = h};
    const auto fillRgb = [&](std::uint32_t y, auto& row) {
        for (std::uint32_t i = 0; i < w * 3; ++i) row[i] = at(y * w * 3 + i);
    };
    WriteTiff(dir.File("o1.tif"), rgb, fillRgb);
    const BMP_File stored = Read(dir.File("o1.tif"));
    for (std::uint16_t o = 2; o <= 8; ++o) {
        rgb.orientation = o;
        WriteTiff(dir.File("o.tif"), rgb, fillRgb);
        const BMP_File shown = Read(dir.File("o.tif"));
        const bool turned = o >= 5;
        ASSERT_EQ(shown.Width(), static_cast<std::int32_t>(turned ? h : w)) << o;
        for (std::int32_t r = 0; r < static_cast<std::int32_t>(h); ++r) {
            for (std::int32_t c = 0; c < static_cast<std::int32_t>(w); ++c) {
                const std::int32_t W = static_cast<std::int32_t>(w) - 1, H = static_cast<std::int32_t>(h) - 1;
                const std::int32_t xs[9] = {0, c, W - c, W - c, c, r, H - r, H - r, r};
                const std::int32_t ys[9] = {0, r, r, H - r, H - r, c, c, W - c, W - c};
                ASSERT_EQ(shown.PixelAt(xs[o], ys[o]), stored.PixelAt(c, r)) << "orientation " << o;
            }
        }
    }
}

// Our pages: grey pictures are written as grey, every page is a directory of its own with its resolution, and
// tiffinfo reads them all; a batch reads every page back in order.
TEST(TiffWrite, PagesKeepTheirPixelsResolutionAndOrderAndTiffinfoReadsThem) {
    TempDir dir;
    std::mt19937 random(3);
    BMP_File colour = RandomImage(random, 300, 200);
    BMP_File grey = RandomImage(random, 64, 999);
    for (std::size_t i = 0; i < grey.PixelCount(); ++i) grey.Data()[i].g = grey.Data()[i].b = grey.Data()[i].r;
    const std::string path = dir.File("doc.tif");
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.Open());
        TiffWriter writer(path);
        ASSERT_TRUE(writer.Open(file));
        ASSERT_TRUE(writer.AddPage(colour, Resolution{200, 200}, 3));
        const Status second = writer.AddPage(grey, Resolution{}, 1);
        ASSERT_TRUE(second) << second.message();
        ASSERT_TRUE(writer.Close());
        ASSERT_TRUE(file.Commit());
    }
    std::vector<std::pair<BMP_File, Resolution>> pages;
    ASSERT_TRUE(ReadImagePages(path, [&](BMP_File& page, Resolution resolution, std::size_t index, std::size_t count) {
        EXPECT_EQ(index, pages.size());
        EXPECT_EQ(count, 2u);
        pages.emplace_back(std::move(page), resolution);
        return Status::Ok();
    }));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(SamePixels(colour, pages[0].first));
    EXPECT_TRUE(SamePixels(grey, pages[1].first));
    EXPECT_DOUBLE_EQ(pages[0].second.x, 200.0);
    EXPECT_DOUBLE_EQ(pages[1].second.y, kDefaultDpi);

    if (!HaveTool("tiffinfo")) GTEST_SKIP() << "tiffinfo is not installed (scripts/install-deps.sh)";
    const std::optional<std::string> info = Shell("tiffinfo " + path);
    ASSERT_TRUE(info);
    EXPECT_NE(info->find("Resolution: 200, 200 pixels/inch"), std::string::npos) << *info;
    EXPECT_NE(info->find("Resolution: 300, 300 pixels/inch"), std::string::npos) << *info;
    EXPECT_NE(info->find("Photometric Interpretation: min-is-black"), std::string::npos) << *info;
    EXPECT_NE(info->find("TIFF Directory at offset"), info->rfind("TIFF Directory at offset"));
    EXPECT_NE(info->find("AdobeDeflate"), std::string::npos) << *info;
}

// Strips of a soft, slightly noisy gradient go to zlib's run-length coder and strips of a repeated pattern to
// libdeflate (their zlib headers differ in the level bits); both read back exactly.
TEST(TiffWrite, StripsOfEitherCoderReadBackExactly) {
    TempDir dir;
    std::mt19937 random(5);
    std::uniform_int_distribution<int> noise(-1, 1);
    BMP_File picture;
    ASSERT_TRUE(picture.Create(1500, 600));
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        for (std::int32_t x = 0; x < picture.Width(); ++x) {
            const auto level = [&](int base) { return static_cast<std::uint8_t>(base + x / 12 + y / 9 + noise(random)); };
            const auto pattern = static_cast<std::uint8_t>((x * 7 + (x / 5) * (y % 13)) % 251);
            picture.Row(y)[x] = y < 300 ? Pixel{level(20), level(70), level(120)} : Pixel{pattern, 40, pattern};
        }
    }
    const std::string path = dir.File("both.tif");
    ASSERT_TRUE(WriteImageFile(path, picture, ImageFormat::Tiff));
    BMP_File back;
    ASSERT_TRUE(ReadImageFile(path, back));
    EXPECT_TRUE(SamePixels(picture, back));

    const std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(TIFFOpen(path.c_str(), "r"), TIFFClose);
    ASSERT_NE(tiff, nullptr);
    std::set<int> levels;
    for (tstrip_t strip = 0; strip < TIFFNumberOfStrips(tiff.get()); ++strip) {
        std::uint8_t header[2] = {};
        ASSERT_EQ(TIFFReadRawStrip(tiff.get(), strip, header, 2), 2);
        EXPECT_EQ(header[0], 0x78);
        levels.insert(header[1] >> 6);
    }
    EXPECT_EQ(levels.size(), 2u);
}

// Damaged and hostile files: one line naming the file and the cause, nothing allocated for an oversized page.
TEST(TiffRead, DamagedAndHostileFilesAreRefusedWithOneLine) {
    TempDir dir;
    std::mt19937 random(5);
    ASSERT_TRUE(WriteImageFile(dir.File("good.tif"), RandomImage(random, 40, 30), ImageFormat::Tiff));
    const fixtures::Bytes good = fixtures::ReadBytes(dir.File("good.tif"));

    // A page of 2^31 × 2^31 pixels in a file of a few bytes: refused by its size.
    {
        TIFF* tiff = TIFFOpen(dir.File("huge.tif").c_str(), "w");
        ASSERT_NE(tiff, nullptr);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 70000u);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 70000u);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 70000u);
        std::uint8_t strip[16] = {};
        TIFFWriteRawStrip(tiff, 0, strip, sizeof strip);
        TIFFWriteDirectory(tiff);
        TIFFClose(tiff);
    }

    struct Damage {
        const char* name;
        fixtures::Bytes bytes;
        const char* text;
    };
    fixtures::Bytes truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    fixtures::Bytes badOffset = good;
    badOffset[4] = 0xFF, badOffset[5] = 0xFF, badOffset[6] = 0xFF, badOffset[7] = 0x7F;  // first directory far away
    fixtures::Bytes scrambled = good;
    for (std::size_t i = 16; i + 64 < good.size() / 2; ++i) scrambled[i] ^= 0x5A;  // the compressed data
    const std::vector<Damage> damages = {
        {"truncated.tif", truncated, "invalid TIFF file"},
        {"offset.tif", badOffset, "invalid TIFF file"},
        {"scrambled.tif", scrambled, "invalid TIFF file"},
        {"header.tif", {'I', 'I', 42, 0}, "invalid TIFF file"},
        {"doc.pdf", {'%', 'P', 'D', 'F', '-', '1', '.', '7', '\n'}, "PDF files are written, not read"},
    };
    for (const Damage& d : damages) {
        fixtures::WriteBytes(dir.File(d.name), d.bytes);
        BMP_File picture;
        ASSERT_TRUE(picture.Create(2, 2));
        const Status read = ReadImageFile(dir.File(d.name), picture);
        ASSERT_FALSE(read) << d.name;
        EXPECT_EQ(read.message().rfind(dir.File(d.name) + ": ", 0), 0u) << read.message();
        EXPECT_NE(read.message().find(d.text), std::string::npos) << read.message();
        EXPECT_EQ(read.message().find('\n'), std::string::npos) << read.message();
        EXPECT_EQ(picture.Width(), 2) << d.name;  // unchanged
    }
    {
        BMP_File picture;
        const Status read = ReadImageFile(dir.File("huge.tif"), picture);
        ASSERT_FALSE(read);
        EXPECT_NE(read.message().find("larger than the largest picture accepted"), std::string::npos) << read.message();
    }
}
