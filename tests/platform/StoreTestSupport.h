#pragma once
// Helpers for the tests of the per-user store and its users: whole-file text, folder listings, and running part of a
// test with the rights of an ordinary user.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// The names in a folder, sorted.
inline std::vector<std::string> Entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs body with the rights of an ordinary user, for cases that depend on file modes (a read-only folder): root
// passes every mode check. As root the body runs in a forked child that has first become the user "nobody" (65534);
// GoogleTest prints the child's failures as they happen and its exit status fails the test here. The test is skipped
// when root cannot give up its rights.
inline void AsOrdinaryUser(const std::function<void()>& body) {
    if (::geteuid() != 0) {
        body();
        return;
    }
    constexpr int kCannotDrop = 77;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0) << "fork failed";
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(kCannotDrop);
        body();
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child running as an ordinary user did not exit normally";
    if (WEXITSTATUS(status) == kCannotDrop) GTEST_SKIP() << "root cannot become an ordinary user here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed as an ordinary user (the failures are printed above)";
}

}  // namespace testsupport
