#pragma once
// The processor levels the pixel kernels are built for. The program itself is built for plain x86-64 (or any other
// processor, where only Portable exists); each kernel also has versions for some higher levels, and a call runs the
// version for the level it is given. Every level gives the same bytes for the same input: the level decides only
// speed. The stages take the best level this processor runs unless they are told another (the tests run each kernel
// at every level this processor has and compare the bytes).

#include <vector>

enum class CpuLevel {
    Portable,  // plain C++ as the build flags allow
    Ssse3,     // x86-64 with SSSE3 (byte shuffles)
    Avx2,      // x86-64 with AVX2
    Avx512,    // x86-64 with AVX2, FMA, BMI1/2 and AVX-512 F, BW, CD, DQ, VL and VBMI
};

// The best level this processor runs, found once from what it reports.
CpuLevel BestCpuLevel();

// level, or the best level this processor runs when level is beyond it: each level includes the ones below it.
CpuLevel RunnableCpuLevel(CpuLevel level);

// Every level this processor runs, Portable first.
std::vector<CpuLevel> AvailableCpuLevels();

const char* CpuLevelName(CpuLevel level);
