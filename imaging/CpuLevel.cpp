#include "imaging/CpuLevel.h"

#include "imaging/CpuKernel.h"

namespace {

CpuLevel DetectCpuLevel() {
#ifdef LUMIVANE_X86_LEVELS
    // Exactly the features LUMIVANE_TARGET_AVX512 lets the compiler use. __builtin_cpu_supports also checks that the
    // system saves the wide registers.
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") && __builtin_cpu_supports("bmi") &&
        __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512cd") && __builtin_cpu_supports("avx512dq") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi")) {
        return CpuLevel::Avx512;
    }
    if (__builtin_cpu_supports("avx2")) return CpuLevel::Avx2;
    if (__builtin_cpu_supports("ssse3")) return CpuLevel::Ssse3;
#endif
    return CpuLevel::Portable;
}

}  // namespace

CpuLevel BestCpuLevel() {
    static const CpuLevel best = DetectCpuLevel();
    return best;
}

CpuLevel RunnableCpuLevel(CpuLevel level) {
    const CpuLevel best = BestCpuLevel();
    return level <= best ? level : best;
}

std::vector<CpuLevel> AvailableCpuLevels() {
    std::vector<CpuLevel> levels;
    for (CpuLevel level : {CpuLevel::Portable, CpuLevel::Ssse3, CpuLevel::Avx2, CpuLevel::Avx512}) {
        if (level <= BestCpuLevel()) levels.push_back(level);
    }
    return levels;
}

const char* CpuLevelName(CpuLevel level) {
    switch (level) {
        case CpuLevel::Portable:
            return "Portable";
        case CpuLevel::Ssse3:
            return "SSSE3";
        case CpuLevel::Avx2:
            return "AVX2";
        case CpuLevel::Avx512:
            return "AVX-512";
    }
    return "?";
}
