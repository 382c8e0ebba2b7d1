#pragma once
// Splits the rows 0 .. rows − 1 of a picture into contiguous bands and runs fn(begin, end) for each band, on up to
// `threads` threads (the calling thread takes the first band). Small pictures stay on the calling thread: starting a
// thread costs more than the work. fn must not throw.

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

// Pixels below which a stage runs on one thread.
inline constexpr std::int64_t kParallelMinPixels = 1 << 18;

// The number of threads a stage may use by default: the machine's cores.
inline int DefaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 64u));
}

template <typename Fn>
void ParallelRows(std::int32_t rows, std::int64_t pixels, int threads, Fn&& fn) {
    int bands = std::max(1, std::min<int>(threads, rows));
    if (pixels < kParallelMinPixels) bands = 1;
    if (bands == 1) {
        if (rows > 0) fn(std::int32_t{0}, rows);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(bands - 1));
    const auto bandStart = [&](int band) { return static_cast<std::int32_t>(std::int64_t{rows} * band / bands); };
    for (int band = 1; band < bands; ++band) {
        const std::int32_t begin = bandStart(band);
        const std::int32_t end = bandStart(band + 1);
        try {
            workers.emplace_back([&fn, begin, end] { fn(begin, end); });
        } catch (...) {
            fn(begin, end);  // no thread to be had: do the band here
        }
    }
    fn(bandStart(0), bandStart(1));
    for (auto& worker : workers) worker.join();
}
