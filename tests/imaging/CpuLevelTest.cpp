// The processor levels: which ones this machine offers, and which version of a kernel a level runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/CpuKernel.h"
#include "imaging/CpuLevel.h"

namespace {

constexpr CpuLevel kEveryLevel[] = {CpuLevel::Portable, CpuLevel::Ssse3, CpuLevel::Avx2, CpuLevel::Avx512};

TEST(CpuLevel, AvailableLevelsRunFromPortableToTheBest) {
    const std::vector<CpuLevel> levels = AvailableCpuLevels();
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.front(), CpuLevel::Portable);
    EXPECT_EQ(levels.back(), BestCpuLevel());
    for (std::size_t i = 1; i < levels.size(); ++i) EXPECT_LT(levels[i - 1], levels[i]);
    for (const CpuLevel level : kEveryLevel) {
        EXPECT_EQ(RunnableCpuLevel(level), level <= BestCpuLevel() ? level : BestCpuLevel()) << CpuLevelName(level);
    }
}

// The level found must be the one the system lists in /proc/cpuinfo, or the tests that compare every level would
// quietly leave the wider versions untried (or a program would stop on an unknown instruction).
TEST(CpuLevel, BestLevelMatchesWhatTheKernelReports) {
#if defined(__x86_64__) && defined(__linux__)
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    std::set<std::string> flags;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("flags", 0) != 0) continue;
        std::istringstream words(line.substr(line.find(':') + 1));
        for (std::string word; words >> word;) flags.insert(word);
        break;
    }
    if (flags.empty()) GTEST_SKIP() << "/proc/cpuinfo lists no flags";
    const auto has = [&](std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (flags.count(name) == 0) return false;
        }
        return true;
    };
    CpuLevel expected = CpuLevel::Portable;
    if (has({"ssse3"})) expected = CpuLevel::Ssse3;
    if (has({"avx2"})) expected = CpuLevel::Avx2;
    if (has({"avx2", "fma", "bmi1", "bmi2", "avx512f", "avx512bw", "avx512cd", "avx512dq", "avx512vl", "avx512vbmi"})) {
        expected = CpuLevel::Avx512;
    }
    EXPECT_EQ(BestCpuLevel(), expected) << "found " << CpuLevelName(BestCpuLevel()) << ", /proc/cpuinfo lists "
                                        << CpuLevelName(expected);
#else
    GTEST_SKIP() << "levels beyond Portable exist only on x86-64 Linux";
#endif
}

// A kernel reports the function its body was inlined into, the version RunKernel chose, without template arguments.
struct Probe {
    static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Avx2};

    LUMIVANE_KERNEL_BODY static void Run(std::string* version, const char* caller = __builtin_FUNCTION()) {
        *version = caller;
        version->erase(std::min(version->find('<'), version->size()));
    }
};

TEST(CpuKernel, RunsTheHighestVersionAtOrBelowTheLevel) {
    struct Case {
        CpuLevel level;
        const char* version;
    };
    const Case cases[] = {
        {CpuLevel::Portable, "RunPortable"},
        {CpuLevel::Ssse3, "RunPortable"},  // no SSSE3 version: the one below
        {CpuLevel::Avx2, "RunAvx2"},
        {CpuLevel::Avx512, "RunAvx2"},  // no AVX-512 version: the one below
    };
    for (const Case& c : cases) {
        if (c.level > BestCpuLevel()) continue;
        std::string version;
        RunKernel<Probe>(c.level, &version);
        EXPECT_EQ(version, c.version) << CpuLevelName(c.level);
    }
}

}  // namespace
