#pragma once
// Marks a loop-heavy function to be compiled twice on x86-64, for AVX2 and for the baseline, with the choice made once
// at load time from the processor's features. Only whole-number loops are marked, so both versions give the same
// bytes. Elsewhere the mark is empty.

#if defined(__x86_64__) && defined(__GNUC__) && defined(__linux__)
#define LUMIVANE_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
// The same with an SSSE3 version between the two, for loops that gain from byte shuffles.
#define LUMIVANE_ROW_CLONES __attribute__((target_clones("avx2", "ssse3", "default")))
#else
#define LUMIVANE_AVX2_CLONES
#define LUMIVANE_ROW_CLONES
#endif
