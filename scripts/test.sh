#!/usr/bin/env bash
# Installs what is missing, builds Lumivane with warnings as errors, and runs every test twice: once in the shipped
# Release build made by GCC, once more in a build made by clang under AddressSanitizer and UndefinedBehaviorSanitizer,
# so that both compilers are proven; then each fuzz harness for a short while in a third build (clang, libFuzzer).
#   LUMIVANE_SANITIZE=0 bash scripts/test.sh   skips the clang sanitizer build
#   LUMIVANE_FUZZ_SECONDS=0 bash scripts/test.sh   skips the fuzz harnesses (default: 30 s each)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

CC=gcc CXX=g++ cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVANE_WERROR=ON
cmake --build build
# A test that times out is run once more, and only such a test: SANE backends end their reader threads by asynchronous
# cancellation, which now and then leaves a lock of the C library held by a dead thread and hangs that test's program
# (about one run in several hundred with the test backend). A test that fails is never run again.
ctest --test-dir build --output-on-failure --no-tests=error -j2 --repeat after-timeout:2

if [ "${LUMIVANE_SANITIZE:-1}" != 0 ]; then
  # A folder of its own: a build folder keeps the compiler it was first configured with.
  CC=clang CXX=clang++ cmake -S . -B build-clang-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DLUMIVANE_WERROR=ON -DLUMIVANE_SANITIZE=ON -DLUMIVANE_BUILD_BENCH=OFF
  cmake --build build-clang-sanitize
  ctest --test-dir build-clang-sanitize --output-on-failure --no-tests=error -j2 --repeat after-timeout:2
fi

# The fuzz harnesses of tests/fuzz, each for LUMIVANE_FUZZ_SECONDS (30 by default; 0 skips them) from its seed corpus,
# in a third build folder made by clang with libFuzzer, ASan and UBSan. New inputs go to a scratch folder, findings
# to build-fuzz/findings/. See README for longer runs.
fuzz_seconds=${LUMIVANE_FUZZ_SECONDS:-30}
if [ "$fuzz_seconds" != 0 ]; then
  if command -v clang >/dev/null && command -v clang++ >/dev/null; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIVANE_WERROR=ON \
          -DLUMIVANE_SANITIZE=ON -DLUMIVANE_FUZZ=ON -DLUMIVANE_BUILD_GUI=OFF -DLUMIVANE_BUILD_BENCH=OFF
    cmake --build build-fuzz --target fuzzers
    mkdir -p build-fuzz/findings
    for harness in decoders bmp24 profile store; do
      scratch=$(mktemp -d)
      echo "fuzzing $harness for ${fuzz_seconds} s"
      build-fuzz/tests/fuzz/fuzz_$harness -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2560 \
        -artifact_prefix=build-fuzz/findings/$harness- -print_final_stats=1 "$scratch" "tests/fuzz/corpus/$harness"
      rm -rf "$scratch"
    done
  else
    echo "NOTE: clang is not installed, so the fuzz harnesses were NOT run (scripts/install-deps.sh installs it)." >&2
  fi
fi
