#pragma once
// Helpers shared by the tests: random pictures, byte-for-byte comparison and a private temporary folder.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "imaging/BMP_File.h"

namespace testsupport {

// A picture of the given size with every byte drawn at random.
inline BMP_File RandomImage(std::mt19937& random, std::int32_t width, std::int32_t height) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    auto* bytes = reinterpret_cast<std::uint8_t*>(picture.Data());
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i < picture.PixelCount() * 3; ++i) bytes[i] = static_cast<std::uint8_t>(byte(random));
    return picture;
}

// A random size from 1 × 1 up to maxSide × maxSide, biased toward small and thin pictures, where edges dominate.
inline std::int32_t RandomSide(std::mt19937& random, std::int32_t maxSide) {
    std::uniform_int_distribution<int> pick(0, 3);
    if (pick(random) == 0) return std::uniform_int_distribution<std::int32_t>(1, 4)(random);
    return std::uniform_int_distribution<std::int32_t>(1, maxSide)(random);
}

// The threads this process runs now.
inline std::size_t ThreadCount() {
    std::error_code error;
    std::size_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

inline BMP_File Copy(const BMP_File& picture) {
    BMP_File copy;
    EXPECT_TRUE(copy.CopyFrom(picture));
    return copy;
}

// Same size and the same bytes; on a difference the message names the first differing pixel.
inline ::testing::AssertionResult SamePixels(const BMP_File& expected, const BMP_File& actual) {
    if (expected.Width() != actual.Width() || expected.Height() != actual.Height()) {
        return ::testing::AssertionFailure() << "size " << actual.Width() << "x" << actual.Height() << ", expected "
                                             << expected.Width() << "x" << expected.Height();
    }
    const auto rowBytes = static_cast<std::size_t>(expected.Width()) * sizeof(Pixel);
    for (std::int32_t y = 0; y < expected.Height(); ++y) {
        const Pixel* expectedRow = expected.Row(y);
        const Pixel* actualRow = actual.Row(y);
        // Whole rows first: the sanitizer builds compare pictures of millions of pixels.
        if (rowBytes == 0 || std::memcmp(expectedRow, actualRow, rowBytes) == 0) continue;
        for (std::int32_t x = 0; x < expected.Width(); ++x) {
            const Pixel& e = expectedRow[x];
            const Pixel& a = actualRow[x];
            if (!(e == a)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") of " << expected.Width() << "x" << expected.Height()
                       << " is " << int{a.r} << "," << int{a.g} << "," << int{a.b} << ", expected " << int{e.r} << ","
                       << int{e.g} << "," << int{e.b};
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumivane-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a temporary folder";
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

}  // namespace testsupport
