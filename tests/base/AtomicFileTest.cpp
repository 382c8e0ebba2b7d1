// AtomicFile: the target is replaced whole or not at all.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "tests/support/TestSupport.h"

using testsupport::TempDir;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t EntriesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

}  // namespace

TEST(AtomicFile, NewFileGetsTheUmaskPermissions) {
    TempDir dir;
    const mode_t old = ::umask(027);
    ASSERT_TRUE(WriteFileAtomically(dir.File("new.txt"), "abc", 3));
    ::umask(old);
    struct stat info {};
    ASSERT_EQ(::stat(dir.File("new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadText(dir.File("new.txt")), "abc");
}

TEST(AtomicFile, ReplacingKeepsPermissions) {
    TempDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir.File("f.txt"), "old", 3));
    ::chmod(dir.File("f.txt").c_str(), 0604);
    ASSERT_TRUE(WriteFileAtomically(dir.File("f.txt"), "newer", 5));
    struct stat info {};
    ASSERT_EQ(::stat(dir.File("f.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0604u);
    EXPECT_EQ(ReadText(dir.File("f.txt")), "newer");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, LinksStayLinksAlsoDanglingOnes) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_symlink("sub/target.txt", dir.File("link.txt"));  // dangling until written
    ASSERT_TRUE(WriteFileAtomically(dir.File("link.txt"), "one", 3));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.txt")));
    EXPECT_EQ(ReadText(dir.File("sub/target.txt")), "one");
    ASSERT_TRUE(WriteFileAtomically(dir.File("link.txt"), "two", 3));
    EXPECT_EQ(ReadText(dir.File("sub/target.txt")), "two");
}

TEST(AtomicFile, DiscardedWriteLeavesTheTargetAndNoDebris) {
    TempDir dir;
    ASSERT_TRUE(WriteFileAtomically(dir.File("f.txt"), "keep", 4));
    {
        AtomicFile file(dir.File("f.txt"));
        ASSERT_TRUE(file.Open());
        file.Write("partial", 7);
        EXPECT_EQ(EntriesIn(dir.path()), 2u);
    }  // destroyed without Commit
    EXPECT_EQ(ReadText(dir.File("f.txt")), "keep");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, KilledWriterLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string target = dir.File("big.bin");
    ASSERT_TRUE(WriteFileAtomically(target, "original", 8));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFile file(target);
        if (!file.Open()) ::_exit(1);
        const std::vector<char> block(1 << 20, 'x');
        file.Write(block.data(), block.size());
        std::fflush(file.Stream());
        const char signal = 1;
        if (::write(ready[1], &signal, 1) != 1) ::_exit(1);
        for (;;) file.Write(block.data(), block.size());  // until killed
    }
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(ReadText(target), "original");
}
