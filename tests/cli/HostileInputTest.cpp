// Small hostile inputs that once cost lumivane-cli minutes and gigabytes: each is answered with its one-line error
// within a bound of processor time and address space (prlimit), not after the damage is done.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/HostileFiles.h"
#include "tests/support/TestSupport.h"

using testsupport::TempDir;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

struct Outcome {
    int status = -1;
    std::string err;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename Bytes>
void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs lumivane-cli held to 2 s of processor time and, outside the sanitizer build (whose shadow memory needs the
// address space), 1 GiB of address space; 20 s of wall time end a run that waits instead of working.
Outcome RunBounded(const TempDir& dir, const std::vector<std::string>& arguments) {
    std::string command = "timeout 20 prlimit --cpu=2";
    command += kSanitized ? "" : " --as=1073741824";
    command += ' ';
    command += Quote(LUMIVANE_CLI);
    for (const std::string& word : arguments) {
        command += ' ';
        command += Quote(word);
    }
    command += " >/dev/null 2>";
    command += Quote(dir.File("stderr.txt"));
    command += " </dev/null";
    const int raw = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.err = ReadText(dir.File("stderr.txt"));
    return outcome;
}

}  // namespace

TEST(CliHostileInput, EachIsRefusedAtOnceWithOneLineNamingTheFile) {
    TempDir dir;
    const std::string bmp = dir.File("wide-and-empty.bmp");
    WriteFile(bmp, hostile::BmpHeaderOnly(2147483647, 0));
    const std::string bigJpeg = dir.File("16384-1000-scans.jpg");
    WriteFile(bigJpeg, hostile::ProgressiveJpeg(16384, 16384, 1000));
    const std::string jpeg = dir.File("4096-1000-scans.jpg");
    WriteFile(jpeg, hostile::ProgressiveJpeg(4096, 4096, 1000));
    const std::string small = dir.File("small.jpg");
    WriteFile(small, hostile::ProgressiveJpeg(64, 48, 3));
    const std::string resize = dir.File("resize.qmx");
    WriteFile(resize, hostile::ResizeProfile(268435456, 1));
    const std::string fifo = dir.File("pipe.qmx");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir.File("huge.qmx");
    WriteFile(huge, hostile::ResizeProfile(20, 20));
    std::filesystem::resize_file(huge, std::uintmax_t{1} << 30);  // sparse: 1 GB that costs no disk
    const std::string out = dir.File("out.png");

    // A sound progressive file of a few scans is still read under the same bounds.
    const Outcome sound = RunBounded(dir, {"apply", small, "-o", out});
    ASSERT_EQ(sound.status, 0) << sound.err;

    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string line;
    } cases[] = {
        {"BMP of 2147483647 x 0", {"apply", bmp, "-o", out}, bmp + ": the picture has no pixels (2147483647 × 0)"},
        {"progressive JPEG 16384 x 16384, 1000 scans",
         {"apply", bigJpeg, "-o", out},
         bigJpeg + ": invalid JPEG file (more than 100 scans; no encoder writes that many)"},
        {"progressive JPEG 4096 x 4096, 1000 scans",
         {"apply", jpeg, "-o", out},
         jpeg + ": invalid JPEG file (more than 100 scans; no encoder writes that many)"},
        {"resize to 268435456 x 1",
         {"apply", "--profile", resize, small, "-o", out},
         small + ": a resize to 268435456 × 1 pixels is beyond the largest picture accepted (268435456 pixels, 65535 "
                 "on a side)"},
        {"--profile /dev/zero",
         {"apply", "--profile", "/dev/zero", small, "-o", out},
         "/dev/zero: not a regular file (a device)"},
        {"profile show /dev/zero", {"profile", "show", "/dev/zero"}, "/dev/zero: not a regular file (a device)"},
        {"--profile naming a pipe with no writer",
         {"apply", "--profile", fifo, small, "-o", out},
         fifo + ": not a regular file (a named pipe)"},
        {"1 GB profile", {"apply", "--profile", huge, small, "-o", out}, huge + ": larger than 1 MiB; not read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(out);
        const Outcome outcome = RunBounded(dir, c.arguments);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, "lumivane-cli: " + c.line + "\n");
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST(CliHostileInput, ABatchGoesOnPastAHostileFile) {
    TempDir dir;
    const std::string bmp = dir.File("hostile.bmp");
    WriteFile(bmp, hostile::BmpHeaderOnly(2147483647, 0));
    const std::string jpeg = dir.File("scans.jpg");
    WriteFile(jpeg, hostile::ProgressiveJpeg(4096, 4096, 1000));
    const std::string small = dir.File("small.jpg");
    WriteFile(small, hostile::ProgressiveJpeg(64, 48, 3));
    const Outcome outcome =
        RunBounded(dir, {"apply", bmp, jpeg, small, "--out-dir", dir.File("out"), "--format", "png", "--jobs", "2"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find(bmp + ": the picture has no pixels"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find(jpeg + ": invalid JPEG file"), std::string::npos) << outcome.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("out/small.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/hostile.png")));
}
