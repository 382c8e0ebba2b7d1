// BMP_File: the pixel accessor, the flips and turns, and the 24-bit BMP reader and writer with their hostile inputs.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "base/Limits.h"
#include "imaging/BMP_File.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace {

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t Get32(const std::vector<unsigned char>& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (std::uint32_t{bytes[at + 3]} << 24);
}

// A BMP header as a hostile or unusual writer might make it: 24 bits, the given size, pixels at `offset`.
std::vector<unsigned char> Header(std::int32_t width, std::int32_t height, std::uint32_t offset = 54) {
    std::vector<unsigned char> bytes(54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 10, offset);
    Put32(bytes, 14, 40);
    Put32(bytes, 18, static_cast<std::uint32_t>(width));
    Put32(bytes, 22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes;
}

BMP_File Marker() {
    BMP_File picture;
    picture.Create(2, 2);
    picture.PixelAt(1, 1) = Pixel{9, 8, 7};
    return picture;
}

}  // namespace

TEST(BmpFileAccess, OutsideReadsTheSparePixelAndWritesAreLost) {
    BMP_File picture;
    ASSERT_TRUE(picture.Create(3, 2));
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {-5, 99}}) {
        EXPECT_EQ(&picture.PixelAt(x, y), &picture.PixelAt(-1, -1)) << x << "," << y;
        picture.PixelAt(x, y) = Pixel{1, 2, 3};
    }
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 3; ++x) EXPECT_EQ(picture.PixelAt(x, y), Pixel{}) << x << "," << y;
    }
}

TEST(BmpFileAccess, CreateRefusesImpossibleSizesAndKeepsThePicture) {
    BMP_File picture = Marker();
    EXPECT_FALSE(picture.Create(-1, 5));
    EXPECT_FALSE(picture.Create(16385, 16384));
    EXPECT_FALSE(picture.Create(65536, 65536));
    EXPECT_FALSE(picture.Create(65536, 1)) << "a side beyond 65535 is beyond the limit";
    EXPECT_FALSE(picture.Create(1 << 30, 0)) << "even with no pixels";
    EXPECT_FALSE(picture.Reshape(1, 65536));
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_EQ(picture.PixelAt(1, 1), (Pixel{9, 8, 7}));
    EXPECT_TRUE(picture.Create(0, 0));
    EXPECT_TRUE(picture.IsEmpty());
    EXPECT_TRUE(picture.Create(2, 2));
    EXPECT_EQ(picture.PixelAt(1, 1), Pixel{}) << "a reused block is cleared to black";
}

TEST(BmpFileGeometry, FlipsAndTurnsComeBack) {
    std::mt19937 random(1);
    for (int round = 0; round < 40; ++round) {
        const BMP_File original =
            RandomImage(random, testsupport::RandomSide(random, 40), testsupport::RandomSide(random, 40));
        BMP_File picture = testsupport::Copy(original);
        picture.FlipVertical();
        picture.FlipVertical();
        EXPECT_TRUE(SamePixels(original, picture));
        picture.MirrorHorizontal();
        picture.MirrorHorizontal();
        EXPECT_TRUE(SamePixels(original, picture));
        for (int turn = 0; turn < 4; ++turn) ASSERT_TRUE(picture.RotateRight());
        EXPECT_TRUE(SamePixels(original, picture));
    }
}

TEST(BmpFileGeometry, QuarterTurnPutsTheBottomLeftPixelTopLeft) {
    std::mt19937 random(2);
    const BMP_File original = RandomImage(random, 3, 2);
    BMP_File turned = testsupport::Copy(original);
    ASSERT_TRUE(turned.RotateRight());
    ASSERT_EQ(turned.Width(), 2);
    ASSERT_EQ(turned.Height(), 3);
    BMP_File source = testsupport::Copy(original);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 2; ++x) EXPECT_EQ(turned.PixelAt(x, y), source.PixelAt(y, 2 - 1 - x));
    }
    EXPECT_EQ(turned.PixelAt(0, 0), source.PixelAt(0, 1));
}

TEST(BmpFileGeometry, EmptyPicturesStayEmpty) {
    BMP_File picture;
    picture.FlipVertical();
    picture.MirrorHorizontal();
    EXPECT_TRUE(picture.RotateRight());
    EXPECT_TRUE(picture.IsEmpty());
}

TEST(BmpFileWrite, OneByOneIsFiftyEightBytes) {
    TempDir dir;
    BMP_File picture;
    picture.Create(1, 1);
    picture.PixelAt(0, 0) = Pixel{10, 20, 30};
    ASSERT_TRUE(picture.SaveBmp(dir.File("one.bmp")));
    const auto bytes = ReadBytes(dir.File("one.bmp"));
    ASSERT_EQ(bytes.size(), 58u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(Get32(bytes, 2), 58u);   // bfSize
    EXPECT_EQ(Get32(bytes, 10), 54u);  // bfOffBits
    EXPECT_EQ(Get32(bytes, 14), 40u);
    EXPECT_EQ(Get32(bytes, 34), 4u);  // biSizeImage
    EXPECT_EQ(Get32(bytes, 38), 2834u);
    EXPECT_EQ(Get32(bytes, 42), 2834u);
    EXPECT_EQ((std::vector<unsigned char>(bytes.begin() + 54, bytes.end())),
              (std::vector<unsigned char>{30, 20, 10, 0}));
}

TEST(BmpFileWrite, RowsArePaddedToFourBytesAndStoredBottomUp) {
    TempDir dir;
    BMP_File picture;
    picture.Create(2, 2);
    picture.PixelAt(0, 0) = Pixel{1, 2, 3};  // top row
    picture.PixelAt(1, 1) = Pixel{4, 5, 6};  // bottom row
    ASSERT_TRUE(picture.SaveBmp(dir.File("two.bmp")));
    const auto bytes = ReadBytes(dir.File("two.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 16u);
    const std::vector<unsigned char> rows(bytes.begin() + 54, bytes.end());
    EXPECT_EQ(rows, (std::vector<unsigned char>{0, 0, 0, 6, 5, 4, 0, 0, 3, 2, 1, 0, 0, 0, 0, 0}));
}

TEST(BmpFileWrite, RoundTripsRandomPictures) {
    TempDir dir;
    std::mt19937 random(3);
    for (int round = 0; round < 30; ++round) {
        const BMP_File original =
            RandomImage(random, testsupport::RandomSide(random, 70), testsupport::RandomSide(random, 70));
        ASSERT_TRUE(original.SaveBmp(dir.File("round.bmp")));
        BMP_File back;
        ASSERT_TRUE(back.LoadBmp(dir.File("round.bmp")));
        EXPECT_TRUE(SamePixels(original, back));
    }
}

TEST(BmpFileWrite, FailedSaveLeavesTheOldFileAndSaysWhy) {
    // A file-size limit makes the write fail half-way, as a full disk would, even for root.
    TempDir dir;
    const BMP_File picture = Marker();
    ASSERT_TRUE(picture.SaveBmp(dir.File("keep.bmp")));
    const auto before = ReadBytes(dir.File("keep.bmp"));
    BMP_File bigger;
    bigger.Create(400, 400);
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const Status saved = bigger.WriteBmp(dir.File("keep.bmp"));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_NE(saved.message().find("keep.bmp"), std::string::npos) << saved.message();
    EXPECT_EQ(ReadBytes(dir.File("keep.bmp")), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary file left";
}

TEST(BmpFileWrite, MissingFolderIsReported) {
    const BMP_File picture = Marker();
    const Status saved = picture.WriteBmp("/nonexistent-folder/x.bmp");
    EXPECT_FALSE(saved);
    EXPECT_FALSE(picture.SaveBmp("/nonexistent-folder/x.bmp"));
    EXPECT_NE(saved.message().find("/nonexistent-folder/x.bmp"), std::string::npos) << saved.message();
}

TEST(BmpFileWrite, SavingThroughALinkUpdatesTheFileAndKeepsTheLinkAndPermissions) {
    TempDir dir;
    const BMP_File picture = Marker();
    ASSERT_TRUE(picture.SaveBmp(dir.File("real.bmp")));
    ::chmod(dir.File("real.bmp").c_str(), 0640);
    std::filesystem::create_symlink("real.bmp", dir.File("link.bmp"));
    BMP_File bigger;
    bigger.Create(4, 3);
    ASSERT_TRUE(bigger.SaveBmp(dir.File("link.bmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.bmp")));
    BMP_File back(dir.File("real.bmp"));
    EXPECT_EQ(back.Width(), 4);
    struct stat info {};
    ASSERT_EQ(::stat(dir.File("real.bmp").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "no temporary file left";
}

TEST(BmpFileRead, BottomUpAndTopDownGiveTheSamePicture) {
    TempDir dir;
    std::mt19937 random(4);
    const BMP_File original = RandomImage(random, 5, 4);
    ASSERT_TRUE(original.SaveBmp(dir.File("up.bmp")));
    auto bytes = ReadBytes(dir.File("up.bmp"));
    // Reverse the row order and negate the height: the same picture stored top-down.
    const std::size_t stride = 16;
    std::vector<unsigned char> flipped(bytes.begin(), bytes.begin() + 54);
    for (int row = 3; row >= 0; --row) {
        flipped.insert(flipped.end(), bytes.begin() + 54 + row * stride, bytes.begin() + 54 + (row + 1) * stride);
    }
    Put32(flipped, 22, static_cast<std::uint32_t>(-4));
    WriteBytes(dir.File("down.bmp"), flipped);
    BMP_File back;
    ASSERT_TRUE(back.LoadBmp(dir.File("down.bmp")));
    EXPECT_TRUE(SamePixels(original, back));
}

TEST(BmpFileRead, PixelsStartWhereTheHeaderSays) {
    TempDir dir;
    std::mt19937 random(5);
    const BMP_File original = RandomImage(random, 3, 3);
    ASSERT_TRUE(original.SaveBmp(dir.File("plain.bmp")));
    const auto plain = ReadBytes(dir.File("plain.bmp"));

    // A larger info header or a colour table of 16 bytes between the headers and the pixels.
    auto shifted = std::vector<unsigned char>(plain.begin(), plain.begin() + 54);
    shifted.insert(shifted.end(), 16, 0xEE);
    shifted.insert(shifted.end(), plain.begin() + 54, plain.end());
    Put32(shifted, 10, 70);
    WriteBytes(dir.File("shifted.bmp"), shifted);
    BMP_File back;
    ASSERT_TRUE(back.LoadBmp(dir.File("shifted.bmp")));
    EXPECT_TRUE(SamePixels(original, back));

    // Offsets below 54 or past the end of the file are not believed: the rows are read from byte 54.
    for (std::uint32_t offset : {0u, 20u, 53u, static_cast<std::uint32_t>(plain.size()), 0xFFFFFFF0u}) {
        auto odd = plain;
        Put32(odd, 10, offset);
        WriteBytes(dir.File("odd.bmp"), odd);
        BMP_File read;
        ASSERT_TRUE(read.LoadBmp(dir.File("odd.bmp"))) << offset;
        EXPECT_TRUE(SamePixels(original, read)) << offset;
    }
}

TEST(BmpFileRead, ShortPixelDataGivesBlackRows) {
    TempDir dir;
    BMP_File original;
    original.Create(2, 3);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 2; ++x) original.PixelAt(x, y) = Pixel{200, 100, 50};
    }
    ASSERT_TRUE(original.SaveBmp(dir.File("full.bmp")));
    auto bytes = ReadBytes(dir.File("full.bmp"));
    bytes.resize(54 + 8 + 3);  // one whole row (the bottom one) and part of the next
    WriteBytes(dir.File("short.bmp"), bytes);
    BMP_File back;
    ASSERT_TRUE(back.LoadBmp(dir.File("short.bmp")));
    ASSERT_EQ(back.Width(), 2);
    ASSERT_EQ(back.Height(), 3);
    EXPECT_EQ(back.PixelAt(0, 2), (Pixel{200, 100, 50}));
    EXPECT_EQ(back.PixelAt(1, 1), Pixel{});
    EXPECT_EQ(back.PixelAt(0, 0), Pixel{});
}

TEST(BmpFileRead, RefusedFilesLeaveThePictureAsItWas) {
    TempDir dir;
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    };
    auto eightBit = Header(2, 2);
    eightBit[28] = 8;
    auto thirtyTwo = Header(2, 2);
    thirtyTwo[28] = 32;
    auto notBm = Header(2, 2);
    notBm[0] = 'X';
    const auto full = Header(2, 2);
    const std::vector<Case> cases = {
        {"8-bit", eightBit},
        {"32-bit", thirtyTwo},
        {"not BM", notBm},
        {"negative width", Header(-2, 2)},
        {"headers cut short", std::vector<unsigned char>(full.begin(), full.begin() + 40)},
        {"empty file", {}},
        // A 54-byte file must not make the reader claim gigabytes.
        {"announces 100000 x 100000", Header(100000, 100000)},
        {"announces 16385 x 16384", Header(16385, 16384)},
        {"announces 2^31-1 x 2^31-1", Header(0x7FFFFFFF, 0x7FFFFFFF)},
        {"announces a huge top-down picture", Header(70000, -70000)},
        // A side of 0 makes the product 0; the other side must not count for nothing.
        {"announces 2^31-1 x 0", Header(0x7FFFFFFF, 0)},
        {"announces 0 x 5", Header(0, 5)},
        {"announces 70000 x 1, within the pixel count", Header(70000, 1)},
    };
    for (const Case& c : cases) {
        WriteBytes(dir.File("bad.bmp"), c.bytes);
        BMP_File picture = Marker();
        const Status read = picture.ReadBmp(dir.File("bad.bmp"));
        EXPECT_FALSE(read) << c.name;
        EXPECT_NE(read.message().find("bad.bmp"), std::string::npos) << c.name << ": " << read.message();
        EXPECT_FALSE(picture.LoadBmp(dir.File("bad.bmp"))) << c.name;
        EXPECT_EQ(picture.Width(), 2) << c.name;
        EXPECT_EQ(picture.PixelAt(1, 1), (Pixel{9, 8, 7})) << c.name;
    }
    BMP_File picture = Marker();
    EXPECT_FALSE(picture.LoadBmp(dir.File("missing.bmp")));
    EXPECT_EQ(picture.PixelAt(1, 1), (Pixel{9, 8, 7}));
}

TEST(BmpFileRead, TheLargestAcceptedSizeIsAccepted) {
    // 16384 × 16384 is the limit itself; with no pixel data the rows stay black and the read succeeds.
    TempDir dir;
    WriteBytes(dir.File("limit.bmp"), Header(1 << 14, 1 << 14));
    BMP_File picture;
    ASSERT_TRUE(picture.LoadBmp(dir.File("limit.bmp")));
    EXPECT_EQ(static_cast<std::int64_t>(picture.PixelCount()), kMaxPixels);
    EXPECT_EQ(picture.PixelAt(16383, 16383), Pixel{});
}
