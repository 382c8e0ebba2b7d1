// The archive recipe (scripts/lumivane-archive.sh): GNU parallel with two jobs, and the shares a job array takes,
// give the same files, byte for byte, as one `lumivane-cli apply --out-dir`.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/ImageCodec.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::TempDir;

namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Exec(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Every file of `expected` is in `actual` with the same bytes, and nothing else is.
void ExpectSameFolders(const fs::path& expected, const fs::path& actual, std::size_t count) {
    std::size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(expected)) {
        ++files;
        const fs::path other = actual / entry.path().filename();
        ASSERT_TRUE(fs::exists(other)) << other;
        EXPECT_EQ(Bytes(entry.path()), Bytes(other)) << other;
    }
    EXPECT_EQ(files, count);
    EXPECT_EQ(std::distance(fs::directory_iterator(actual), {}), static_cast<std::ptrdiff_t>(count));
}

}  // namespace

TEST(ArchiveRecipe, ParallelJobsAndSharesGiveTheBytesOfOneApply) {
    if (Exec("command -v parallel >/dev/null") != 0) GTEST_SKIP() << "GNU parallel is not installed";
    const std::string source = LUMIVANE_SOURCE;
    const std::string script = source + "/scripts/lumivane-archive.sh";
    const std::string profile = source + "/resources/sample.qmx";
    TempDir dir;
    std::mt19937 random(20);
    std::ofstream list(dir.File("list.txt"));
    std::string inputs;
    for (int i = 0; i < 20; ++i) {
        const std::string name = dir.File("in/picture " + std::to_string(i) + (i % 2 ? ".png" : ".bmp"));
        fs::create_directories(dir.File("in"));
        ASSERT_TRUE(
            WriteImageFile(name, RandomImage(random, 20 + i * 3, 50 - i), i % 2 ? ImageFormat::Png : ImageFormat::Bmp));
        list << name << "\n";
        inputs += " '" + name + "'";
    }
    list.close();
    const std::string cli = std::string("LUMIVANE_CLI='") + LUMIVANE_CLI + "' ";

    ASSERT_EQ(Exec(std::string("'") + LUMIVANE_CLI + "' apply --profile '" + profile + "'" + inputs + " --out-dir '" +
                   dir.File("one") + "'"),
              0);
    ASSERT_EQ(Exec(cli + "bash '" + script + "' -j 2 '" + dir.File("parallel") + "' --profile '" + profile + "' < '" +
                   dir.File("list.txt") + "'"),
              0);
    ExpectSameFolders(dir.File("one"), dir.File("parallel"), 20);
    for (int share = 0; share < 3; ++share) {
        ASSERT_EQ(Exec(cli + "bash '" + script + "' --share " + std::to_string(share) + "/3 '" + dir.File("shares") +
                       "' --profile '" + profile + "' < '" + dir.File("list.txt") + "'"),
                  0);
    }
    ExpectSameFolders(dir.File("one"), dir.File("shares"), 20);

    // A picture that fails is reported and makes the exit status 1; the others are still written.
    std::ofstream(dir.File("list.txt"), std::ios::app) << dir.File("missing.png") << "\n";
    EXPECT_EQ(Exec(cli + "bash '" + script + "' -j 2 '" + dir.File("again") + "' < '" + dir.File("list.txt") +
                   "' 2>/dev/null"),
              1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("again")), {}), 20);
}
