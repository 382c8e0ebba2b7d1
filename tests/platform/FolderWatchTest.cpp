// The Qt-free pieces under lumivane-cli watch: the size a picture file declares, and placing files without ever
// replacing one.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/ImageCodec.h"
#include "platform/NoReplace.h"
#include "platform/PictureSize.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::TempDir;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

TEST(PictureSize, EveryFormatDeclaresTheSizeItsEncoderWrote) {
    TempDir dir;
    std::mt19937 random(5);
    for (const char* extension : {".png", ".jpg", ".gif", ".bmp"}) {
        for (const auto& [width, height] : {std::pair{1, 1}, {37, 5}, {300, 2}, {129, 257}}) {
            const std::string path = dir.File(std::string("p") + extension);
            ASSERT_TRUE(WriteImageFile(path, RandomImage(random, width, height), *FormatFromName(path), 1));
            const auto size = DeclaredSizeOfFile(path);
            ASSERT_TRUE(size.has_value()) << extension;
            EXPECT_EQ(size->width, width) << extension;
            EXPECT_EQ(size->height, height) << extension;
        }
    }
    // A JPEG whose frame header comes after 100 kB of metadata is still read to it.
    const std::string jpeg = ReadText(dir.File("p.jpg"));
    std::string padded = jpeg.substr(0, 2);
    for (int i = 0; i < 2; ++i) padded += std::string("\xFF\xE1\xFF\xFF", 4) + std::string(65533, 'x');
    padded += jpeg.substr(2);
    WriteText(dir.File("padded.jpg"), padded);
    const auto size = DeclaredSizeOfFile(dir.File("padded.jpg"));
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 129);
    // Not a picture, or cut before its size: nothing.
    WriteText(dir.File("text.png"), "hello");
    EXPECT_FALSE(DeclaredSizeOfFile(dir.File("text.png")));
    WriteText(dir.File("cut.jpg"), jpeg.substr(0, 20));
    EXPECT_FALSE(DeclaredSizeOfFile(dir.File("cut.jpg")));
    EXPECT_FALSE(DeclaredSizeOfFile(dir.File("missing.png")));
}

TEST(NoReplace, AClashGetsTheNextFreeNumberAndNothingIsReplaced) {
    EXPECT_EQ(NumberedName("out/scan.png", 0), "out/scan.png");
    EXPECT_EQ(NumberedName("out/scan.png", 2), "out/scan-2.png");
    EXPECT_EQ(NumberedName("out.d/scan", 1), "out.d/scan-1");
    EXPECT_EQ(NumberedName("a.b/.png", 1), "a.b/.png-1");

    TempDir dir;
    WriteText(dir.File("scan.png"), "first");
    WriteText(dir.File("scan-1.png"), "second");
    WriteText(dir.File("new"), "third");
    std::string placed;
    ASSERT_TRUE(RenameWithoutReplacing(dir.File("new"), dir.File("scan.png"), &placed));
    EXPECT_EQ(placed, dir.File("scan-2.png"));
    EXPECT_EQ(ReadText(dir.File("scan.png")), "first");
    EXPECT_EQ(ReadText(dir.File("scan-1.png")), "second");
    EXPECT_EQ(ReadText(placed), "third");
    EXPECT_FALSE(std::filesystem::exists(dir.File("new")));

    // Moving into a folder: the same rule, and the original is gone only once the copy has its name.
    std::filesystem::create_directory(dir.File("done"));
    WriteText(dir.File("done/a.jpg"), "old");
    WriteText(dir.File("a.jpg"), "new");
    ASSERT_TRUE(MoveWithoutReplacing(dir.File("a.jpg"), dir.File("done"), &placed));
    EXPECT_EQ(placed, dir.File("done/a-1.jpg"));
    EXPECT_EQ(ReadText(dir.File("done/a.jpg")), "old");
    EXPECT_EQ(ReadText(placed), "new");
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.jpg")));
    const Status missing = MoveWithoutReplacing(dir.File("a.jpg"), dir.File("done"), &placed);
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.message().find(dir.File("a.jpg")), std::string::npos) << missing.message();
}
