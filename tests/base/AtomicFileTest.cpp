// AtomicFile: the target is replaced whole or not at all.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
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

// Whether folder's file system makes unnamed files (O_TMPFILE).
bool UnnamedFilesIn(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
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
        EXPECT_EQ(EntriesIn(dir.path()), file.TemporaryPath().empty() ? 1u : 2u) << "unnamed while written";
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
    // Where the file system has unnamed files, the killed writer's file had no name: nothing is left beside.
    if (UnnamedFilesIn(dir.path().string())) {
        EXPECT_EQ(EntriesIn(dir.path()), 1u);
    }
}

// Every way a save ends with the unnamed file: a new target, a replaced one, one through a link, and a failed write
// (the file size limit stands in for a full disk); the folder then holds exactly the targets, with the right bytes.
TEST(AtomicFile, UnnamedFileTakesItsNameOnlyOnCommit) {
    TempDir dir;
    if (!UnnamedFilesIn(dir.path().string())) GTEST_SKIP() << "the temporary folder's file system has no O_TMPFILE";
    AtomicFile fresh(dir.File("new.txt"));
    ASSERT_TRUE(fresh.Open());
    EXPECT_TRUE(fresh.TemporaryPath().empty());
    fresh.Write("first", 5);
    EXPECT_EQ(EntriesIn(dir.path()), 0u);
    ASSERT_TRUE(fresh.Commit());
    EXPECT_EQ(ReadText(dir.File("new.txt")), "first");

    ::chmod(dir.File("new.txt").c_str(), 0640);
    std::filesystem::create_symlink("new.txt", dir.File("link.txt"));
    ASSERT_TRUE(WriteFileAtomically(dir.File("link.txt"), "second", 6));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.txt")));
    EXPECT_EQ(ReadText(dir.File("new.txt")), "second");
    struct stat info {};
    ASSERT_EQ(::stat(dir.File("new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(EntriesIn(dir.path()), 2u);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::vector<char> block(100000, 'x');
        const Status written = WriteFileAtomically(dir.File("new.txt"), block.data(), block.size());
        ::_exit(!written && written.message().find("new.txt: cannot write") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadText(dir.File("new.txt")), "second");
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}
