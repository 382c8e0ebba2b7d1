// File and ReadRest: the rest of an open file in memory after the bytes already read, for files of every size and
// for a file that grows while it is read.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "base/File.h"
#include "tests/support/TestSupport.h"

using testsupport::TempDir;

namespace {

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

}  // namespace

TEST(FileReadRest, GivesTheWholeFileAfterTheHeadAlreadyRead) {
    TempDir dir;
    const std::string path = dir.File("data");
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{65}, std::size_t{100000}}) {
        for (const std::size_t headSize : {std::size_t{0}, std::size_t{1}, std::size_t{64}}) {
            if (headSize > size) continue;
            const std::vector<std::uint8_t> content = Pattern(size);
            WriteBytes(path, content);
            File file(path.c_str(), "rb");
            ASSERT_TRUE(file.IsOpen());
            std::vector<std::uint8_t> head(headSize);
            ASSERT_EQ(std::fread(head.data(), 1, headSize, file.Get()), headSize);
            FileBytes bytes;
            ASSERT_TRUE(ReadRest(file, path, head, bytes)) << size << " " << headSize;
            EXPECT_EQ(std::vector<std::uint8_t>(bytes.View().begin(), bytes.View().end()), content)
                << size << " " << headSize;
        }
    }
}

TEST(FileReadRest, AFileThatGrowsIsReadToItsNewEnd) {
    TempDir dir;
    const std::string path = dir.File("growing");
    std::vector<std::uint8_t> content = Pattern(1000);
    WriteBytes(path, content);
    File file(path.c_str(), "rb");
    ASSERT_TRUE(file.IsOpen());
    // Grown after it was opened, before it is measured and read: the block must grow past the first size.
    const std::vector<std::uint8_t> more = Pattern(5000);
    std::ofstream(path, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(more.data()), static_cast<std::streamsize>(more.size()));
    content.insert(content.end(), more.begin(), more.end());
    FileBytes bytes;
    ASSERT_TRUE(ReadRest(file, path, {}, bytes));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.View().begin(), bytes.View().end()), content);
}

TEST(FileReadRest, AReadErrorNamesTheFileAndLeavesTheBytes) {
    TempDir dir;
    File file(dir.path().c_str(), "rb");  // a folder opens, but cannot be read
    ASSERT_TRUE(file.IsOpen());
    FileBytes bytes;
    bytes.size = 3;
    const Status read = ReadRest(file, "the-folder", {}, bytes);
    EXPECT_FALSE(read);
    EXPECT_EQ(read.message(), "the-folder: cannot read: Is a directory");
    EXPECT_EQ(bytes.size, 3u);
    EXPECT_EQ(bytes.data, nullptr);
}
