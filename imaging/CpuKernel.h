#pragma once
// Building a kernel for several processor levels (CpuLevel.h) and running the version for a level.
//
// A kernel that the compiler vectorises is a struct with a static function Run, marked LUMIVANE_KERNEL_BODY, and the
// list kLevels of the levels it has a version for, Portable always among them:
//
//     struct MoveSums {
//         static constexpr CpuLevel kLevels[] = {CpuLevel::Portable, CpuLevel::Avx2};
//         LUMIVANE_KERNEL_BODY static void Run(std::uint32_t* sums, const std::uint8_t* row, std::size_t count);
//     };
//     RunKernel<MoveSums>(level, sums, row, count);
//
// RunKernel runs the version for the highest listed level at or below `level`, which must be one this processor runs
// (RunnableCpuLevel). Each version is the same source, inlined into a function built for its level, so all give the
// same bytes: the project builds with -ffp-contract=off, so no level fuses a multiply and an add, and every other
// floating-point step is rounded the same way everywhere. Only levels that make the kernel faster are listed.
// GCC inlines the helpers that Run calls into a level's function only late, after the early loop passes, so a loop
// hidden in a helper (std::max over an initializer list) is left in place and stops the vectoriser: Run keeps to
// plain expressions and two-argument std::min and std::max.
//
// A kernel written with the intrinsics of a level is a function marked with that level's LUMIVANE_TARGET_ attribute,
// called when the level allows it.

#include "imaging/CpuLevel.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define LUMIVANE_X86_LEVELS 1
#define LUMIVANE_TARGET_SSSE3 __attribute__((target("ssse3")))
#define LUMIVANE_TARGET_AVX2 __attribute__((target("avx2")))
// What BestCpuLevel checks for CpuLevel::Avx512, feature by feature (GCC and clang name the same ones).
#define LUMIVANE_TARGET_AVX512 \
    __attribute__((target("avx2,fma,bmi,bmi2,avx512f,avx512bw,avx512cd,avx512dq,avx512vl,avx512vbmi")))
#endif

#define LUMIVANE_KERNEL_BODY inline __attribute__((always_inline))

namespace cpukernel {

template <typename Kernel>
constexpr bool Has(CpuLevel level) {
    for (const CpuLevel listed : Kernel::kLevels) {
        if (listed == level) return true;
    }
    return false;
}

template <typename Kernel, typename... Args>
void RunPortable(Args... args) {
    Kernel::Run(args...);
}

#ifdef LUMIVANE_X86_LEVELS
template <typename Kernel, typename... Args>
LUMIVANE_TARGET_SSSE3 void RunSsse3(Args... args) {
    Kernel::Run(args...);
}

template <typename Kernel, typename... Args>
LUMIVANE_TARGET_AVX2 void RunAvx2(Args... args) {
    Kernel::Run(args...);
}

template <typename Kernel, typename... Args>
LUMIVANE_TARGET_AVX512 void RunAvx512(Args... args) {
    Kernel::Run(args...);
}
#endif

}  // namespace cpukernel

template <typename Kernel, typename... Args>
void RunKernel(CpuLevel level, Args... args) {
    static_assert(cpukernel::Has<Kernel>(CpuLevel::Portable), "every kernel has a Portable version");
#ifdef LUMIVANE_X86_LEVELS
    if constexpr (cpukernel::Has<Kernel>(CpuLevel::Avx512)) {
        if (level >= CpuLevel::Avx512) return cpukernel::RunAvx512<Kernel>(args...);
    }
    if constexpr (cpukernel::Has<Kernel>(CpuLevel::Avx2)) {
        if (level >= CpuLevel::Avx2) return cpukernel::RunAvx2<Kernel>(args...);
    }
    if constexpr (cpukernel::Has<Kernel>(CpuLevel::Ssse3)) {
        if (level >= CpuLevel::Ssse3) return cpukernel::RunSsse3<Kernel>(args...);
    }
#endif
    (void)level;
    cpukernel::RunPortable<Kernel>(args...);
}
