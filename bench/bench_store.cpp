// Reading the per-user store: files of 10,000 to 200,000 keys (about 9 bytes a key, from lumivane-hostile-files'
// generator), each read whole and one value looked up, as the window does at start. The time per key should stay
// flat as the file grows: the lookups behind each key head are by index, not by walking the keys read so far.
//
//   build/bench/bench_store --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/UserStore.h"
#include "tests/fuzz/HostileFiles.h"

namespace {

std::string StoreFile(int keys) {
    const char* shm = "/dev/shm";
    const std::string folder = ::access(shm, W_OK) == 0 ? shm : "/tmp";
    const std::string path =
        folder + "/lumivane-bench-store-" + std::to_string(::getpid()) + "-" + std::to_string(keys);
    std::ofstream(path, std::ios::binary) << hostile::StoreWithKeys(keys);
    return path;
}

void BM_StoreRead(benchmark::State& state) {
    const int keys = static_cast<int>(state.range(0));
    const std::string path = StoreFile(keys);
    std::string last = "K";
    last += std::to_string(keys - 1);
    if (UserStore(path).State() != UserStore::FileState::Loaded) state.SkipWithError("the store was not read");
    for (auto _ : state) {
        const UserStore store(path);
        benchmark::DoNotOptimize(store.QueryValue(last, "v"));
    }
    ::unlink(path.c_str());
    // Nanoseconds a key: the inverse of keys read a second, scaled.
    state.counters["ns_per_key"] = benchmark::Counter(
        static_cast<double>(keys) * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StoreRead)->Arg(10000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
