// The BMP arithmetic shared by BMP_File and the codecs: headers written and read back, the row stride, the plain
// 24-bit test, and BMP_File reading the same bytes from a file and from memory alike.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imaging/BMP_File.h"
#include "imaging/BmpHeader.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace {

std::vector<std::uint8_t> Headers24(std::int32_t width, std::int32_t height) {
    std::uint8_t header[bmp::kHeaderBytes];
    bmp::WriteHeaders24(width, height, header);
    return {header, header + bmp::kHeaderBytes};
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(BmpHeader, LittleEndianNumbersRoundTrip) {
    for (const std::uint32_t value : {0u, 1u, 0x4D42u, 0x12345678u, 0x80000000u, 0xFFFFFFFFu}) {
        std::uint8_t bytes[4] = {};
        bmp::PutLe32(bytes, value);
        EXPECT_EQ(bytes[0], value & 0xFF) << value;
        EXPECT_EQ(bytes[3], value >> 24) << value;
        EXPECT_EQ(bmp::Le32(bytes), value) << value;
        bmp::PutLe16(bytes, value);
        EXPECT_EQ(bmp::Le16(bytes), value & 0xFFFF) << value;
    }
}

TEST(BmpHeader, RowStrideIsPaddedToFourBytes) {
    const struct {
        std::int64_t width;
        int bits;
        std::int64_t stride;
    } cases[] = {{0, 24, 0}, {1, 1, 4},  {32, 1, 4}, {33, 1, 8}, {7, 4, 4},   {9, 4, 8},   {3, 8, 4},  {5, 8, 8},
                 {2, 16, 4}, {3, 16, 8}, {1, 24, 4}, {2, 24, 8}, {4, 24, 12}, {5, 24, 16}, {1, 32, 4}, {3, 32, 12}};
    for (const auto& c : cases) EXPECT_EQ(bmp::RowStride(c.width, c.bits), c.stride) << c.width << " x " << c.bits;
    // The 24-bit stride as BMP_File has always written it: three bytes a pixel rounded up to four.
    for (std::int64_t width = 0; width < 2000; ++width) {
        EXPECT_EQ(bmp::RowStride(width, 24), (width * 3 + 3) / 4 * 4) << width;
    }
}

TEST(BmpHeader, WrittenHeadersReadBack) {
    const struct {
        std::int32_t width;
        std::int32_t height;
    } sizes[] = {{0, 0}, {1, 1}, {2, 1}, {5, 4}, {16384, 16384}, {65535, 3}};
    for (const auto& size : sizes) {
        const std::vector<std::uint8_t> header = Headers24(size.width, size.height);
        const std::int64_t imageBytes = bmp::RowStride(size.width, 24) * size.height;
        EXPECT_TRUE(bmp::HasSignature(header));
        EXPECT_TRUE(bmp::IsPlainBmp24(header));
        const bmp::Headers read = bmp::ReadInfoHeaders(header);
        EXPECT_EQ(read.pixelOffset, 54u);
        EXPECT_EQ(read.infoSize, 40u);
        EXPECT_EQ(read.width, size.width);
        EXPECT_EQ(read.height, size.height);
        EXPECT_FALSE(read.topDown);
        EXPECT_EQ(read.bitCount, 24);
        EXPECT_EQ(read.compression, bmp::kRgb);
        EXPECT_EQ(read.colorsUsed, 0u);
        EXPECT_EQ(bmp::Le32(header.data() + 2), static_cast<std::uint32_t>(imageBytes + 54));
        EXPECT_EQ(bmp::Le32(header.data() + 34), static_cast<std::uint32_t>(imageBytes));
        EXPECT_EQ(bmp::Le16(header.data() + 26), 1u);
        EXPECT_EQ(bmp::Le32(header.data() + 38), 2834u);
        EXPECT_EQ(bmp::Le32(header.data() + 42), 2834u);
    }
}

TEST(BmpHeader, NegativeHeightsAreTopDownAndCoreHeadersHaveSixteenBitFields) {
    std::vector<std::uint8_t> header = Headers24(3, 2);
    bmp::PutLe32(header.data() + 22, static_cast<std::uint32_t>(-7));
    bmp::Headers read = bmp::ReadInfoHeaders(header);
    EXPECT_TRUE(read.topDown);
    EXPECT_EQ(read.height, 7);
    bmp::PutLe32(header.data() + 22, 0x80000000u);
    EXPECT_EQ(bmp::ReadInfoHeaders(header).height, std::int64_t{1} << 31) << "the most negative height has no overflow";
    bmp::PutLe32(header.data() + 18, static_cast<std::uint32_t>(-2));
    EXPECT_EQ(bmp::ReadInfoHeaders(header).width, -2);

    std::vector<std::uint8_t> core(26, 0);
    core[0] = 'B';
    core[1] = 'M';
    bmp::PutLe32(core.data() + 10, 26);
    bmp::PutLe32(core.data() + 14, 12);
    bmp::PutLe16(core.data() + 18, 0xFFFF);
    bmp::PutLe16(core.data() + 20, 9);
    bmp::PutLe16(core.data() + 24, 8);
    read = bmp::ReadCoreHeaders(core);
    EXPECT_EQ(read.width, 0xFFFF);
    EXPECT_EQ(read.height, 9);
    EXPECT_FALSE(read.topDown);
    EXPECT_EQ(read.bitCount, 8);
    EXPECT_EQ(read.compression, bmp::kRgb);
    EXPECT_EQ(read.pixelOffset, 26u);
}

TEST(BmpHeader, PlainTwentyFourBitFilesAreToldApart) {
    const auto with = [](std::size_t at, std::uint32_t value, bool wide) {
        std::vector<std::uint8_t> header = Headers24(4, 4);
        if (wide) {
            bmp::PutLe32(header.data() + at, value);
        } else {
            bmp::PutLe16(header.data() + at, value);
        }
        return header;
    };
    const std::vector<std::uint8_t> written = Headers24(4, 4);
    const struct {
        const char* name;
        std::vector<std::uint8_t> header;
        bool plain;
    } cases[] = {
        {"as written", written, true},
        {"124-byte info header", with(14, 124, true), true},
        {"core header", with(14, 12, true), false},
        {"8 bits", with(28, 8, false), false},
        {"32 bits", with(28, 32, false), false},
        {"run-length coded", with(30, bmp::kRle8, true), false},
        {"bit fields", with(30, bmp::kBitFields, true), false},
        {"not BM", with(0, 0x4E42, false), false},
        {"33 bytes", std::vector<std::uint8_t>(written.begin(), written.begin() + 33), false},
        {"34 bytes", std::vector<std::uint8_t>(written.begin(), written.begin() + 34), true},
        {"empty", {}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(bmp::IsPlainBmp24(c.header), c.plain) << c.name;
}

TEST(BmpHeader, RowsConvertBetweenStoredOrderAndPixels) {
    const std::uint8_t stored[] = {1, 2, 3, 4, 5, 6};
    Pixel pixels[2];
    bmp::RowFromBgr(stored, 2, pixels);
    EXPECT_EQ(pixels[0], (Pixel{3, 2, 1}));
    EXPECT_EQ(pixels[1], (Pixel{6, 5, 4}));
    std::uint8_t back[6] = {};
    bmp::RowToBgr(pixels, 2, back);
    EXPECT_EQ(std::vector<std::uint8_t>(back, back + 6), std::vector<std::uint8_t>(stored, stored + 6));
}

TEST(BmpFileMemory, ReadsTheSameFromMemoryAsFromTheFile) {
    TempDir dir;
    std::mt19937 random(11);
    const BMP_File original = RandomImage(random, 7, 5);
    ASSERT_TRUE(original.WriteBmp(dir.File("whole.bmp")));
    const std::vector<std::uint8_t> whole = ReadFileBytes(dir.File("whole.bmp"));
    // Whole, cut inside the pixel rows (black rows follow), cut to the headers, and cut inside them.
    for (const std::size_t size : {whole.size(), std::size_t{54 + 24 + 10}, std::size_t{54}, std::size_t{40}}) {
        const std::vector<std::uint8_t> bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        std::ofstream(dir.File("cut.bmp"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        BMP_File fromFile;
        BMP_File fromMemory;
        const Status fileRead = fromFile.ReadBmp(dir.File("cut.bmp"));
        const Status memoryRead = fromMemory.ReadBmp(bytes, dir.File("cut.bmp"));
        EXPECT_EQ(fileRead.ok(), memoryRead.ok()) << size;
        EXPECT_EQ(fileRead.message(), memoryRead.message()) << size;
        EXPECT_TRUE(SamePixels(fromFile, fromMemory)) << size;
        if (size == whole.size()) {
            EXPECT_TRUE(SamePixels(original, fromMemory));
        }
    }
}
