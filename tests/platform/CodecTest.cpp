// Image files: names, round trips through every format, and how saving behaves when things go wrong.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "base/Limits.h"
#include "platform/ImageCodec.h"
#include "tests/platform/CodecFixtures.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::RandomSide;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace {

// A smooth picture, as JPEG and a colour table are meant for: gradients and a soft disc.
BMP_File SmoothPicture(std::int32_t width, std::int32_t height) {
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const double fx = x / static_cast<double>(width), fy = y / static_cast<double>(height);
            const double disc = std::exp(-((fx - 0.5) * (fx - 0.5) + (fy - 0.5) * (fy - 0.5)) * 8);
            picture.Row(y)[x] =
                Pixel{static_cast<std::uint8_t>(30 + 200 * fx), static_cast<std::uint8_t>(20 + 120 * fy + 100 * disc),
                      static_cast<std::uint8_t>(220 - 150 * fx * fy)};
        }
    }
    return picture;
}

struct Error {
    double mean = 0;
    int max = 0;
};

Error Difference(const BMP_File& a, const BMP_File& b) {
    Error error;
    double sum = 0;
    const auto* pa = reinterpret_cast<const std::uint8_t*>(a.Data());
    const auto* pb = reinterpret_cast<const std::uint8_t*>(b.Data());
    for (std::size_t i = 0; i < a.PixelCount() * 3; ++i) {
        const int d = std::abs(int{pa[i]} - int{pb[i]});
        sum += d;
        error.max = std::max(error.max, d);
    }
    error.mean = sum / static_cast<double>(a.PixelCount() * 3);
    return error;
}

std::size_t EntriesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

constexpr ImageFormat kAllFormats[] = {ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Gif, ImageFormat::Bmp,
                                       ImageFormat::Tiff};

std::string Name(ImageFormat format) {
    return std::string("picture") + ExtensionOf(format);
}

}  // namespace

// ---- names ---------------------------------------------------------------------------------------------------

TEST(ImageCodecNames, FormatFromTheLastThreeCharacters) {
    struct Case {
        const char* name;
        bool acceptJpeg;
        std::optional<ImageFormat> expected;
    };
    const Case cases[] = {
        {"photo.png", false, ImageFormat::Png},
        {"PHOTO.JPG", false, ImageFormat::Jpeg},
        {"a/b.c/Scan.GiF", false, ImageFormat::Gif},
        {"x.bmp", false, ImageFormat::Bmp},
        {"png", false, ImageFormat::Png},         // three characters are enough
        {"photojpg", false, ImageFormat::Jpeg},   // only the last three count, not the dot
        {"photo.jpeg", false, std::nullopt},      // ends in "peg"
        {"photo.jpeg", true, ImageFormat::Jpeg},  // the command line's spelling
        {"photo.JPEG", true, ImageFormat::Jpeg},
        {"photojpeg", true, std::nullopt},  // ".jpeg" means the dot too
        {"photo.tif", false, ImageFormat::Tiff},
        {"Scan.TIFF", false, ImageFormat::Tiff},
        {"photo.pdf", true, ImageFormat::Pdf},
        {"photo.png.bak", false, std::nullopt},
        {"pn", false, std::nullopt},
        {"", true, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatFromName(c.name, c.acceptJpeg), c.expected) << c.name << " acceptJpeg=" << c.acceptJpeg;
    }
}

TEST(ImageCodecNames, ExtensionsNameTheirFormat) {
    for (ImageFormat format : kAllFormats) {
        EXPECT_EQ(FormatFromName(ExtensionOf(format)), format) << ExtensionOf(format);
        EXPECT_EQ(std::strlen(ExtensionOf(format)), 4u);
    }
}

// ---- round trips ---------------------------------------------------------------------------------------------

TEST(ImageCodecRoundTrip, BmpAndPngGiveBackEveryPixel) {
    TempDir dir;
    std::mt19937 random(11);
    for (ImageFormat format : {ImageFormat::Bmp, ImageFormat::Png}) {
        for (int round = 0; round < 40; ++round) {
            const BMP_File original = RandomImage(random, RandomSide(random, 200), RandomSide(random, 200));
            ASSERT_TRUE(WriteImageFile(dir.File(Name(format)), original, format));
            BMP_File read;
            const Status status = ReadImageFile(dir.File(Name(format)), read);
            ASSERT_TRUE(status) << status.message();
            ASSERT_TRUE(SamePixels(original, read)) << ExtensionOf(format);
        }
    }
}

TEST(ImageCodecRoundTrip, PngOfManyBandsGivesBackEveryPixel) {
    // Over 2 MB of rows: compressed in several bands on several threads, joined into one stream.
    TempDir dir;
    std::mt19937 random(12);
    // Thin and wide rows at the longest side a picture may have.
    for (const auto& [width, height] : {std::pair{1200, 900}, std::pair{16, 65535}, std::pair{65535, 12}}) {
        BMP_File original = RandomImage(random, width, height);
        // Runs and repeats as well as noise, so that more than one kind of filter and match is used.
        for (std::size_t i = 0; i < original.PixelCount() / 3; ++i) original.Data()[i] = original.Data()[i / 7];
        ASSERT_TRUE(WriteImageFile(dir.File("big.png"), original, ImageFormat::Png));
        BMP_File read;
        ASSERT_TRUE(ReadImageFile(dir.File("big.png"), read));
        EXPECT_TRUE(SamePixels(original, read)) << width << "x" << height;
    }
}

TEST(ImageCodecRoundTrip, GreyPngIsWrittenGreyAndGivesBackEveryPixel) {
    // A picture whose pixels are all grey is written as a grey PNG (colour type 0 in the header); one pixel of colour
    // keeps it RGB (type 2). Either way every pixel comes back; the sizes include single rows and columns and more
    // than one band.
    TempDir dir;
    std::mt19937 random(15);
    const auto colourType = [&](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        char head[26] = {};
        file.read(head, sizeof head);
        return static_cast<int>(static_cast<unsigned char>(head[25]));
    };
    for (const auto& [width, height] :
         {std::pair{1, 1}, std::pair{1, 300}, std::pair{300, 1}, std::pair{97, 61}, std::pair{3000, 900}}) {
        BMP_File grey = RandomImage(random, width, height);
        for (std::size_t i = 0; i < grey.PixelCount(); ++i) {
            Pixel& p = grey.Data()[i];
            p.r = static_cast<std::uint8_t>(i % 5 == 0 ? p.r : i / 7 % 256);  // noise and soft ramps
            p.g = p.b = p.r;
        }
        for (const bool colour : {false, true}) {
            BMP_File original;
            ASSERT_TRUE(original.CopyFrom(grey));
            if (colour) original.Data()[original.PixelCount() - 1].b ^= 1;
            const std::string path = dir.File("grey.png");
            ASSERT_TRUE(WriteImageFile(path, original, ImageFormat::Png));
            EXPECT_EQ(colourType(path), colour ? 2 : 0) << width << "x" << height;
            BMP_File read;
            const Status status = ReadImageFile(path, read);
            ASSERT_TRUE(status) << status.message();
            EXPECT_TRUE(SamePixels(original, read)) << width << "x" << height << (colour ? " colour" : " grey");
        }
    }
}

TEST(ImageCodecRoundTrip, GifIsExactUpTo256Colours) {
    TempDir dir;
    std::mt19937 random(13);
    for (int colours : {1, 2, 3, 17, 255, 256}) {
        for (int round = 0; round < 6; ++round) {
            const std::int32_t width = RandomSide(random, 150), height = RandomSide(random, 150);
            const BMP_File original = fixtures::FromTable(
                random, width, height, fixtures::RandomTable(random, static_cast<std::size_t>(colours)));
            ASSERT_TRUE(WriteImageFile(dir.File("few.gif"), original, ImageFormat::Gif));
            BMP_File read;
            ASSERT_TRUE(ReadImageFile(dir.File("few.gif"), read));
            ASSERT_TRUE(SamePixels(original, read)) << colours << " colours";
        }
    }
}

TEST(ImageCodecRoundTrip, GifOfManyColoursStaysClose) {
    // A smooth picture of thousands of colours through a 256-colour table without dithering: about 2.4 levels off on
    // average, where a table of 256 colours spread over this picture's range allows little better.
    TempDir dir;
    const BMP_File original = SmoothPicture(640, 480);
    ASSERT_TRUE(WriteImageFile(dir.File("smooth.gif"), original, ImageFormat::Gif));
    BMP_File read;
    ASSERT_TRUE(ReadImageFile(dir.File("smooth.gif"), read));
    const Error error = Difference(original, read);
    EXPECT_LT(error.mean, 2.6);
    EXPECT_LE(error.max, 12);
}

TEST(ImageCodecRoundTrip, JpegStaysWithinItsError) {
    // Quality 75 on a smooth picture: mean absolute error under 1.5 levels, no channel off by more than 24.
    TempDir dir;
    const BMP_File original = SmoothPicture(400, 300);
    ASSERT_TRUE(WriteImageFile(dir.File("smooth.jpg"), original, ImageFormat::Jpeg));
    BMP_File read;
    ASSERT_TRUE(ReadImageFile(dir.File("smooth.jpg"), read));
    ASSERT_EQ(read.Width(), 400);
    ASSERT_EQ(read.Height(), 300);
    const Error error = Difference(original, read);
    EXPECT_LT(error.mean, 1.5);
    EXPECT_LE(error.max, 24);
}

TEST(ImageCodecRoundTrip, EveryFormatKeepsOddSizes) {
    TempDir dir;
    std::mt19937 random(14);
    for (ImageFormat format : kAllFormats) {
        for (const auto& [width, height] : {std::pair{1, 1}, std::pair{1, 17}, std::pair{17, 1}, std::pair{9, 7}}) {
            const BMP_File original = RandomImage(random, width, height);
            ASSERT_TRUE(WriteImageFile(dir.File(Name(format)), original, format));
            BMP_File read;
            ASSERT_TRUE(ReadImageFile(dir.File(Name(format)), read));
            EXPECT_EQ(read.Width(), width) << ExtensionOf(format);
            EXPECT_EQ(read.Height(), height) << ExtensionOf(format);
        }
    }
}

TEST(ImageCodecRoundTrip, ContentDecidesNotTheName) {
    TempDir dir;
    std::mt19937 random(15);
    const BMP_File original = fixtures::FromTable(random, 20, 10, fixtures::RandomTable(random, 5));
    for (ImageFormat format : {ImageFormat::Png, ImageFormat::Gif, ImageFormat::Bmp}) {
        ASSERT_TRUE(WriteImageFile(dir.File("misnamed.jpg"), original, format));
        BMP_File read;
        ASSERT_TRUE(ReadImageFile(dir.File("misnamed.jpg"), read)) << ExtensionOf(format);
        EXPECT_TRUE(SamePixels(original, read)) << ExtensionOf(format);
    }
}

TEST(ImageCodecRoundTrip, ThreadCountChangesNoByte) {
    // Large enough for several PNG bands and a threaded colour count.
    TempDir dir;
    std::mt19937 random(20);
    BMP_File picture = RandomImage(random, 1100, 800);
    for (std::size_t i = 0; i < picture.PixelCount() / 2; ++i) picture.Data()[i] = picture.Data()[i / 5];
    for (ImageFormat format : {ImageFormat::Png, ImageFormat::Gif}) {
        ASSERT_TRUE(WriteImageFile(dir.File("one"), picture, format, 1));
        for (int threads : {2, 5}) {
            ASSERT_TRUE(WriteImageFile(dir.File("many"), picture, format, threads));
            EXPECT_EQ(fixtures::ReadBytes(dir.File("one")), fixtures::ReadBytes(dir.File("many")))
                << ExtensionOf(format) << ", " << threads << " threads";
        }
    }
}

// ---- saving --------------------------------------------------------------------------------------------------

TEST(ImageCodecSave, ReplacingKeepsPermissionsAndLinks) {
    TempDir dir;
    std::mt19937 random(16);
    for (ImageFormat format : kAllFormats) {
        const std::string target = dir.File("real" + std::string(ExtensionOf(format)));
        const std::string link = dir.File("link" + std::string(ExtensionOf(format)));
        const BMP_File first = fixtures::FromTable(random, 12, 8, fixtures::RandomTable(random, 4));
        const BMP_File second = fixtures::FromTable(random, 8, 12, fixtures::RandomTable(random, 4));
        ASSERT_TRUE(WriteImageFile(target, first, format));
        ASSERT_EQ(::chmod(target.c_str(), 0604), 0);
        std::filesystem::create_symlink(target, link);

        ASSERT_TRUE(WriteImageFile(link, second, format));
        EXPECT_TRUE(std::filesystem::is_symlink(link)) << ExtensionOf(format);
        struct stat info {};
        ASSERT_EQ(::stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0604u) << ExtensionOf(format);
        BMP_File read;
        ASSERT_TRUE(ReadImageFile(target, read));
        EXPECT_EQ(read.Width(), 8) << ExtensionOf(format);
    }
    EXPECT_EQ(EntriesIn(dir.path()), 2 * std::size(kAllFormats));  // no temporary files left behind
}

TEST(ImageCodecSave, PicturesAFormatCannotHoldLeaveTheOldFile) {
    struct Case {
        const char* name;
        ImageFormat format;
        std::int32_t width, height;
        const char* cause;
    };
    const Case cases[] = {
        {"empty png", ImageFormat::Png, 0, 0, "empty picture"},
        {"empty jpeg", ImageFormat::Jpeg, 0, 0, "empty picture"},
        {"empty gif", ImageFormat::Gif, 0, 0, "empty picture"},
        {"jpeg wider than 65500", ImageFormat::Jpeg, 65501, 1, "too large for a JPEG file"},
        {"jpeg taller than 65500", ImageFormat::Jpeg, 2, 65535, "too large for a JPEG file"},
    };
    TempDir dir;
    std::mt19937 random(17);
    const BMP_File old = fixtures::FromTable(random, 5, 5, fixtures::RandomTable(random, 3));
    for (const Case& c : cases) {
        const std::string path = dir.File(Name(c.format));
        ASSERT_TRUE(WriteImageFile(path, old, c.format));
        const fixtures::Bytes before = fixtures::ReadBytes(path);
        BMP_File picture;
        ASSERT_TRUE(picture.Create(c.width, c.height));
        const Status status = WriteImageFile(path, picture, c.format);
        EXPECT_FALSE(status) << c.name;
        EXPECT_NE(status.message().find(path), std::string::npos) << status.message();
        EXPECT_NE(status.message().find(c.cause), std::string::npos) << status.message();
        EXPECT_EQ(fixtures::ReadBytes(path), before) << c.name;
        EXPECT_EQ(EntriesIn(dir.path()), 1u) << c.name;
        std::filesystem::remove(path);
    }
}

// A write that fails part-way (the file size limit stands in for a full disk) is reported with its cause, and the
// old file stays. Run in a child process, whose limit does not outlive it.
TEST(ImageCodecSave, FailedWriteIsReportedAndLeavesTheOldFile) {
    TempDir dir;
    std::mt19937 random(18);
    const BMP_File small = fixtures::FromTable(random, 4, 4, fixtures::RandomTable(random, 2));
    const BMP_File large = RandomImage(random, 400, 300);
    for (ImageFormat format : kAllFormats) {
        const std::string path = dir.File(Name(format));
        ASSERT_TRUE(WriteImageFile(path, small, format));
        const fixtures::Bytes before = fixtures::ReadBytes(path);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{20000, 20000};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const Status status = WriteImageFile(path, large, format);
            const bool named = status.message().find(path) != std::string::npos &&
                               status.message().find("File too large") != std::string::npos;
            ::_exit(!status && named ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ExtensionOf(format);
        EXPECT_EQ(fixtures::ReadBytes(path), before) << ExtensionOf(format);
        EXPECT_EQ(EntriesIn(dir.path()), 1u) << ExtensionOf(format);
        std::filesystem::remove(path);
    }
}

// A folder the user may not write to. Root may write anywhere, so as root the save runs in a child that has given
// up root for the unprivileged "nobody" (65534).
TEST(ImageCodecSave, ReadOnlyFolderIsReported) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::filesystem::path folder = dir.path() / "locked";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    BMP_File picture;
    ASSERT_TRUE(picture.Create(3, 3));
    for (ImageFormat format : kAllFormats) {
        const std::string path = (folder / Name(format)).string();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                ::_exit(2);
            }
            const Status status = WriteImageFile(path, picture, format);
            const bool named = status.message().find(path) != std::string::npos &&
                               status.message().find("Permission denied") != std::string::npos;
            ::_exit(!status && named ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0)
            << ExtensionOf(format) << (WEXITSTATUS(status) == 2 ? ": cannot drop root" : "");
    }
    EXPECT_EQ(EntriesIn(folder), 0u);
}

// Whether folder's file system makes unnamed files (O_TMPFILE).
bool UnnamedFilesIn(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

// Waits, up to two minutes, until process child has a file open for writing in folder, other than target, that holds
// bytes. False when the child ended first or the time ran out.
bool WaitForWriteInto(pid_t child, const std::string& folder, const std::string& target) {
    const std::string fds = "/proc/" + std::to_string(child) + "/fd";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
            const std::string opened = std::filesystem::read_symlink(entry.path(), error).string();
            struct stat info {};
            if (error || opened.rfind(folder + "/", 0) != 0 || opened == target) continue;
            if (::stat(entry.path().c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) return true;
        }
        if (::waitpid(child, nullptr, WNOHANG) != 0) return false;
        std::this_thread::yield();
    }
    return false;
}

// A save killed mid-write leaves the old file whole, and nothing beside it. The child saves a picture large enough to
// take a while to stream out; the parent waits for the first bytes of the new file and kills it there.
TEST(ImageCodecSave, KilledSaveLeavesTheOldFileWhole) {
    TempDir dir;
    std::mt19937 random(19);
    const BMP_File old = fixtures::FromTable(random, 30, 20, fixtures::RandomTable(random, 7));
    const BMP_File large = RandomImage(random, 4000, 3000);
    for (ImageFormat format : {ImageFormat::Gif, ImageFormat::Jpeg, ImageFormat::Bmp}) {
        const std::string path = dir.File(Name(format));
        ASSERT_TRUE(WriteImageFile(path, old, format));
        const fixtures::Bytes before = fixtures::ReadBytes(path);

        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            static_cast<void>(WriteImageFile(path, large, format));  // killed while it writes
            ::_exit(0);
        }
        // The file being written is unnamed (or, on file systems without unnamed files, hidden beside the target):
        // it is found among the child's open files, and the child is killed once bytes have reached it.
        const bool written = WaitForWriteInto(child, dir.path().string(), path);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(written) << ExtensionOf(format);
        ASSERT_TRUE(WIFSIGNALED(status)) << ExtensionOf(format) << ": the save finished before it could be killed";
        EXPECT_EQ(fixtures::ReadBytes(path), before) << ExtensionOf(format);
        BMP_File read;
        EXPECT_TRUE(ReadImageFile(path, read)) << ExtensionOf(format);
        EXPECT_EQ(read.Width(), 30);
        if (UnnamedFilesIn(dir.path().string())) {
            EXPECT_EQ(EntriesIn(dir.path()), static_cast<std::size_t>(format == ImageFormat::Gif    ? 1
                                                                      : format == ImageFormat::Jpeg ? 2
                                                                                                    : 3))
                << ExtensionOf(format) << ": nothing but the targets is left";
        }
    }
}

TEST(ImageCodecRead, FailuresNameTheFileAndTheCause) {
    enum class Kind { Missing, Folder, File };
    struct Case {
        const char* name;
        Kind kind;
        fixtures::Bytes content;
        const char* cause;
    };
    const Case cases[] = {
        {"missing.png", Kind::Missing, {}, "cannot open"},
        {"folder.png", Kind::Folder, {}, "is a folder"},
        {"empty.png", Kind::File, {}, "the file is empty"},
        {"text.png", Kind::File, {'h', 'e', 'l', 'l', 'o'}, "not a PNG, JPEG, GIF, BMP or TIFF file"},
        {"short.bmp", Kind::File, {'B', 'M', 0, 0}, "BMP file"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        if (c.kind == Kind::Folder) std::filesystem::create_directory(path);
        if (c.kind == Kind::File) fixtures::WriteBytes(path, c.content);
        BMP_File picture;
        ASSERT_TRUE(picture.Create(2, 2));
        picture.Row(1)[1] = Pixel{1, 2, 3};
        const Status status = ReadImageFile(path, picture);
        EXPECT_FALSE(status) << c.name;
        EXPECT_NE(status.message().find(path), std::string::npos) << status.message();
        EXPECT_NE(status.message().find(c.cause), std::string::npos) << c.name << ": " << status.message();
        EXPECT_EQ(picture.Width(), 2);
        EXPECT_EQ(picture.Row(1)[1], (Pixel{1, 2, 3}));
    }
}

TEST(ImageCodecRead, EveryFormatIsReadThroughOneOpenOfThePath) {
    // A named pipe can be read only once: every format, the plain 24-bit BMP included, must come through it whole.
    // The pictures are larger than a pipe's buffer, so the writer is still writing while the reader reads.
    std::mt19937 random(21);
    const BMP_File original = RandomImage(random, 300, 250);
    TempDir dir;
    const auto oldHandler = std::signal(SIGPIPE, SIG_IGN);
    for (const ImageFormat format : {ImageFormat::Bmp, ImageFormat::Png, ImageFormat::Gif}) {
        const std::string file = dir.File(std::string("picture") + ExtensionOf(format));
        ASSERT_TRUE(WriteImageFile(file, original, format));
        BMP_File expected;
        ASSERT_TRUE(ReadImageFile(file, expected));
        const fixtures::Bytes bytes = fixtures::ReadBytes(file);
        ASSERT_GT(bytes.size(), 65536u) << ExtensionOf(format);
        const std::string pipe = dir.File("pipe");
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        // The writer must not wait for ever if the reader stops early: its writes then fail and it ends.
        std::thread writer([&] {
            const int fd = ::open(pipe.c_str(), O_WRONLY);
            if (fd < 0) return;
            std::size_t written = 0;
            while (written < bytes.size()) {
                const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
                if (n <= 0) break;
                written += static_cast<std::size_t>(n);
            }
            ::close(fd);
        });
        BMP_File read;
        const Status status = ReadImageFile(pipe, read);
        writer.join();
        EXPECT_TRUE(status) << ExtensionOf(format) << ": " << status.message();
        EXPECT_TRUE(SamePixels(expected, read)) << ExtensionOf(format);
        std::filesystem::remove(pipe);
    }
    std::signal(SIGPIPE, oldHandler);
}

// A PNG's pHYs chunk and a JPEG's JFIF density give the picture's resolution in dots per inch (documents size their
// pages by it); a file that states none, or only an aspect ratio, gives none.
TEST(ImageCodecRead, PngAndJpegGiveTheResolutionTheirFilesState) {
    if (std::system("command -v convert >/dev/null") != 0) GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    std::mt19937 random(8);
    const std::string plain = dir.File("plain.png");
    ASSERT_TRUE(WriteImageFile(plain, RandomImage(random, 16, 12), ImageFormat::Png));
    struct Case {
        const char* name;
        const char* density;  // ImageMagick's options; empty: our own file as written
        double x, y;          // 0: unknown
    };
    const Case cases[] = {
        {"plain.png", "", 0, 0},
        {"inch.png", "-units PixelsPerInch -density 150", 150, 150},
        {"metric.png", "-units PixelsPerCentimeter -density 118.11", 300, 300},
        {"inch.jpg", "-units PixelsPerInch -density 150x75", 150, 75},
        {"metric.jpg", "-units PixelsPerCentimeter -density 40", 101.6, 101.6},
        {"aspect.jpg", "-units Undefined -density 2", 0, 0},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        if (*c.density != '\0') {
            const std::string command = "convert '" + plain + "' " + c.density + " '" + path + "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
        }
        Resolution found{-1, -1};
        ASSERT_TRUE(ReadImagePages(path, [&found](BMP_File&, Resolution resolution, std::size_t, std::size_t) {
            found = resolution;
            return Status::Ok();
        })) << c.name;
        EXPECT_NEAR(found.x, c.x, 0.01) << c.name;
        EXPECT_NEAR(found.y, c.y, 0.01) << c.name;
    }
}
