#pragma once
// The instruction-set levels the colour kernels are built for. Every level gives the same bytes for the same input;
// the level only decides speed. The best level is chosen at run time from what the processor offers, so the program
// itself is built for plain x86-64 (or any other processor, where only Portable exists).

#include <vector>

enum class ColorIsa {
    Portable,  // plain C++ as the build flags allow
    Avx2,      // x86-64 with AVX2
    Avx512,    // x86-64-v4 (AVX-512 F, BW, CD, DQ, VL) with AVX-512 VBMI
};

// The best level this processor runs.
ColorIsa BestColorIsa();

// isa, or the best level this processor runs when isa is beyond it: each level includes the ones below it.
ColorIsa RunnableColorIsa(ColorIsa isa);

// Every level this processor runs, Portable first: the tests compare each with the straightforward code.
std::vector<ColorIsa> AvailableColorIsas();

const char* ColorIsaName(ColorIsa isa);
