#include "imaging/ColorIsa.h"

ColorIsa BestColorIsa() {
#if defined(__x86_64__) && defined(__GNUC__)
    if (__builtin_cpu_supports("x86-64-v4") && __builtin_cpu_supports("avx512vbmi")) return ColorIsa::Avx512;
    if (__builtin_cpu_supports("avx2")) return ColorIsa::Avx2;
#endif
    return ColorIsa::Portable;
}

ColorIsa RunnableColorIsa(ColorIsa isa) {
    const ColorIsa best = BestColorIsa();
    return static_cast<int>(isa) <= static_cast<int>(best) ? isa : best;
}

std::vector<ColorIsa> AvailableColorIsas() {
    std::vector<ColorIsa> levels{ColorIsa::Portable};
    const ColorIsa best = BestColorIsa();
    if (best == ColorIsa::Avx2 || best == ColorIsa::Avx512) levels.push_back(ColorIsa::Avx2);
    if (best == ColorIsa::Avx512) levels.push_back(ColorIsa::Avx512);
    return levels;
}

const char* ColorIsaName(ColorIsa isa) {
    switch (isa) {
        case ColorIsa::Portable:
            return "Portable";
        case ColorIsa::Avx2:
            return "Avx2";
        case ColorIsa::Avx512:
            return "Avx512";
    }
    return "?";
}
