// Untrusted files: cut off at every length, bytes flipped at random, headers announcing pictures too large to hold.
// Every decoder must answer with an error (never a crash, never a garbage picture) and leave the picture it was given
// as it was.

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

// Small, sound files of every kind the decoders take, each made once.
struct SoundFile {
    std::string name;
    Bytes bytes;
    bool checksummed;  // every changed byte is caught (PNG's chunk checksums)
};

BMP_File Gradient(std::int32_t width, std::int32_t height, int levels) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const int v = (x * 7 + y * 5) % levels * (255 / std::max(1, levels - 1));
            picture.Row(y)[x] = Pixel{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v),
                                      static_cast<std::uint8_t>(v / 2)};
        }
    }
    return picture;
}

std::vector<SoundFile> SoundFiles(const TempDir& dir) {
    std::vector<SoundFile> files;
    const auto ours = [&](const std::string& name, const BMP_File& picture, ImageFormat format) {
        EXPECT_TRUE(WriteImageFile(dir.File(name), picture, format));
        files.push_back({name, fixtures::ReadBytes(dir.File(name)), format == ImageFormat::Png});
    };
    ours("ours.png", Gradient(9, 7, 40), ImageFormat::Png);
    ours("ours.jpg", Gradient(16, 16, 200), ImageFormat::Jpeg);
    ours("ours.gif", Gradient(9, 7, 6), ImageFormat::Gif);

    std::mt19937 random(51);
    BMP_File ignored;
    const fixtures::PngCase rgba{"rgba interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false};
    EXPECT_TRUE(fixtures::WritePngFixture(dir.File("rgba.png"), rgba, 6, 5, random, ignored));
    files.push_back({"rgba.png", fixtures::ReadBytes(dir.File("rgba.png")), true});
    const fixtures::PngCase palette{"palette", PNG_COLOR_TYPE_PALETTE, 4, false, true};
    EXPECT_TRUE(fixtures::WritePngFixture(dir.File("palette.png"), palette, 7, 3, random, ignored));
    files.push_back({"palette.png", fixtures::ReadBytes(dir.File("palette.png")), true});

    std::vector<std::uint8_t> rgb;
    for (int i = 0; i < 24 * 16; ++i)
        rgb.insert(rgb.end(), {static_cast<std::uint8_t>(i), 90, static_cast<std::uint8_t>(200 - i / 3)});
    EXPECT_TRUE(
        fixtures::WriteJpegFixture(dir.File("progressive.jpg"), fixtures::JpegKind::ProgressiveRgb, 24, 16, rgb));
    files.push_back({"progressive.jpg", fixtures::ReadBytes(dir.File("progressive.jpg")), false});

    fixtures::GifFrame frame;
    frame.left = 1, frame.top = 1, frame.width = 5, frame.height = 9, frame.interlaced = true, frame.transparent = 2;
    frame.localTable = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
    for (int i = 0; i < 45; ++i) frame.indexes.push_back(static_cast<std::uint8_t>(i % 4));
    files.push_back({"interlaced.gif", fixtures::GifFile(7, 11, {{0, 0, 0}, {255, 0, 0}}, {frame, frame}, 2), false});

    fixtures::BmpHeader header;
    header.width = 7, header.height = 5, header.bitCount = 8;
    header.table = {{1, 2, 3}, {40, 50, 60}, {200, 100, 0}};
    Bytes rows(8 * 5);
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(i % 3);
    files.push_back({"palette.bmp", fixtures::BmpFile(header, rows), false});

    header.compression = 1;
    files.push_back(
        {"rle8.bmp", fixtures::BmpFile(header, {3, 1, 0, 3, 2, 0, 1, 0, 0, 0, 0, 2, 2, 1, 2, 2, 0, 1}), false});

    fixtures::BmpHeader masked;
    masked.headerSize = 124, masked.width = 3, masked.height = -4, masked.bitCount = 32, masked.compression = 3;
    masked.masks[0] = 0xFF0000, masked.masks[1] = 0xFF00, masked.masks[2] = 0xFF, masked.masks[3] = 0xFF000000;
    Bytes pixels(3 * 4 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 37);
    files.push_back({"alpha.bmp", fixtures::BmpFile(masked, pixels), false});
    return files;
}

// A picture to hand to the decoder, so that a failed decode can be seen to leave it alone.
BMP_File Sentinel() {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(3, 2));
    for (std::size_t i = 0; i < picture.PixelCount(); ++i)
        picture.Data()[i] = Pixel{7, 8, static_cast<std::uint8_t>(i)};
    return picture;
}

}  // namespace

TEST(CodecDamage, SoundFilesDecode) {
    // The files the other cases damage must be readable whole, or the cases below prove nothing.
    TempDir dir;
    for (const SoundFile& file : SoundFiles(dir)) {
        fixtures::WriteBytes(dir.File("sound"), file.bytes);
        BMP_File picture;
        const Status status = ReadImageFile(dir.File("sound"), picture);
        EXPECT_TRUE(status) << file.name << ": " << status.message();
    }
}

TEST(CodecDamage, EveryTruncationIsAnError) {
    TempDir dir;
    const BMP_File sentinel = Sentinel();
    for (const SoundFile& file : SoundFiles(dir)) {
        for (std::size_t length = 0; length < file.bytes.size(); ++length) {
            fixtures::WriteBytes(dir.File("cut"),
                                 Bytes(file.bytes.begin(), file.bytes.begin() + static_cast<std::ptrdiff_t>(length)));
            BMP_File picture = testsupport::Copy(sentinel);
            const Status status = ReadImageFile(dir.File("cut"), picture);
            ASSERT_FALSE(status) << file.name << " cut to " << length << " of " << file.bytes.size() << " bytes";
            EXPECT_NE(status.message().find(dir.File("cut")), std::string::npos) << status.message();
            ASSERT_TRUE(SamePixels(sentinel, picture)) << file.name << " cut to " << length;
        }
    }
}

TEST(CodecDamage, FlippedBytesNeverCrash) {
    // Files without checksums may still decode to some picture; those with checksums must not.
    TempDir dir;
    const BMP_File sentinel = Sentinel();
    std::mt19937 random(52);
    for (const SoundFile& file : SoundFiles(dir)) {
        std::uniform_int_distribution<std::size_t> position(0, file.bytes.size() - 1);
        std::uniform_int_distribution<int> change(1, 255);
        std::uniform_int_distribution<int> flips(1, 3);
        for (int trial = 0; trial < 250; ++trial) {
            Bytes damaged = file.bytes;
            for (int n = flips(random); n > 0; --n)
                damaged[position(random)] ^= static_cast<std::uint8_t>(change(random));
            fixtures::WriteBytes(dir.File("damaged"), damaged);
            BMP_File picture = testsupport::Copy(sentinel);
            const Status status = ReadImageFile(dir.File("damaged"), picture);
            if (file.checksummed) {
                ASSERT_FALSE(status) << file.name << ", trial " << trial;
            }
            if (!status) {
                ASSERT_TRUE(SamePixels(sentinel, picture)) << file.name << ", trial " << trial;
            } else {
                ASSERT_FALSE(picture.IsEmpty());
            }
        }
    }
}

TEST(CodecDamage, HostileSizesAreRefusedBeforeAllocation) {
    TempDir dir;
    std::mt19937 random(53);

    // JPEG: a sound file whose frame header is made to announce 65500 × 65500, the most the format allows.
    ASSERT_TRUE(WriteImageFile(dir.File("small.jpg"), Gradient(8, 8, 10), ImageFormat::Jpeg));
    Bytes jpeg = fixtures::ReadBytes(dir.File("small.jpg"));
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 7] = 0xFF;
            jpeg[i + 6] = jpeg[i + 8] = 0xDC;
            break;
        }
    }

    // GIF: a huge screen; and a frame placed far out on a small one.
    const fixtures::GifFrame pixel{0, 0, 1, 1, false, {}, -1, {0}};
    const Bytes hugeScreen = fixtures::GifFile(65535, 65535, {{0, 0, 0}, {1, 1, 1}}, {pixel}, 2);
    Bytes farFrame = fixtures::GifFile(10, 10, {{0, 0, 0}, {1, 1, 1}}, {pixel}, 2);
    const std::size_t descriptor = 13 + 6;  // header and screen, then a table of two colours
    ASSERT_EQ(farFrame[descriptor], 0x2C);
    for (std::size_t i = 1; i <= 8; ++i) farFrame[descriptor + i] = 0xF0;  // left, top, width, height of 61680

    // BMP: 24-bit (the reader of plain files), 8-bit and run-length coded (ours), and a height of −2³¹.
    const auto bmp = [](std::int32_t width, std::int32_t height, int bits, std::uint32_t compression) {
        fixtures::BmpHeader header;
        header.width = width, header.height = height, header.bitCount = bits, header.compression = compression;
        if (bits <= 8) header.table = {{0, 0, 0}, {9, 9, 9}};
        return fixtures::BmpFile(header, Bytes(64, 0));
    };

    struct Case {
        const char* name;
        Bytes file;
    };
    std::vector<Case> cases = {
        {"jpeg 65500 x 65500", jpeg},
        {"gif screen 65535 x 65535", hugeScreen},
        {"gif frame far off its screen", farFrame},
        {"bmp 24-bit 100000 x 100000", bmp(100000, 100000, 24, 0)},
        {"bmp 8-bit 100000 x 100000", bmp(100000, 100000, 8, 0)},
        {"bmp 8-bit top-down 100000 x 100000", bmp(100000, -100000, 8, 0)},
        {"bmp rle8 100000 x 100000", bmp(100000, 100000, 8, 1)},
        {"bmp 32-bit 1 x 2^31", bmp(1, INT32_MIN, 32, 0)},
    };
    for (const auto& [width, height] :
         {std::pair{100000u, 100000u}, std::pair{16385u, 16385u}, std::pair{1u, 0x7fffffffu}}) {
        ASSERT_TRUE(fixtures::WritePngHeaderOnly(dir.File("header.png"), width, height));
        cases.push_back({"png", fixtures::ReadBytes(dir.File("header.png"))});
    }

    const BMP_File sentinel = Sentinel();
    for (const Case& c : cases) {
        fixtures::WriteBytes(dir.File("hostile"), c.file);
        BMP_File picture = testsupport::Copy(sentinel);
        const Status status = ReadImageFile(dir.File("hostile"), picture);
        EXPECT_FALSE(status) << c.name;
        EXPECT_NE(status.message().find("larger than the largest picture"), std::string::npos)
            << c.name << ": " << status.message();
        EXPECT_TRUE(SamePixels(sentinel, picture)) << c.name;
    }
}

TEST(CodecDamage, ProgressiveJpegOfThousandsOfScansIsRefused) {
    // A sound progressive file that sends every coefficient of every channel bit by bit: 2090 scans. Real files have
    // about ten; the decoder stops past a limit instead of spending minutes on a small hostile file.
    std::vector<jpeg_scan_info> script;
    const auto scan = [&](int components, int component, int spectrum, int high, int low) {
        jpeg_scan_info info{};
        info.comps_in_scan = components;
        for (int i = 0; i < components; ++i) info.component_index[i] = components == 1 ? component : i;
        info.Ss = spectrum;
        info.Se = spectrum;
        info.Ah = high;
        info.Al = low;
        script.push_back(info);
    };
    constexpr int kLowest = 10;  // the finest first-scan split the library takes for 8-bit samples
    scan(3, 0, 0, 0, kLowest);
    for (int bit = kLowest - 1; bit >= 0; --bit) scan(3, 0, 0, bit + 1, bit);
    for (int component = 0; component < 3; ++component) {
        for (int coefficient = 1; coefficient < 64; ++coefficient) {
            scan(1, component, coefficient, 0, kLowest);
            for (int bit = kLowest - 1; bit >= 0; --bit) scan(1, component, coefficient, bit + 1, bit);
        }
    }
    TempDir dir;
    std::vector<std::uint8_t> rgb;
    for (int i = 0; i < 8 * 8; ++i) rgb.insert(rgb.end(), {static_cast<std::uint8_t>(4 * i), 90, 200});
    ASSERT_TRUE(
        fixtures::WriteJpegFixture(dir.File("scans.jpg"), fixtures::JpegKind::ProgressiveRgb, 8, 8, rgb, script));
    BMP_File picture;
    const Status status = ReadImageFile(dir.File("scans.jpg"), picture);
    EXPECT_FALSE(status);
    EXPECT_NE(status.message().find("more than 100 scans"), std::string::npos) << status.message();
}
