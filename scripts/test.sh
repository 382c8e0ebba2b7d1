#!/usr/bin/env bash
# Installs what is missing, builds Lumivane with warnings as errors, and runs every test twice: once in the shipped
# Release build made by GCC, once more in a build made by clang under AddressSanitizer and UndefinedBehaviorSanitizer,
# so that both compilers are proven without a third build.
#   LUMIVANE_SANITIZE=0 bash scripts/test.sh   skips the clang sanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

CC=gcc CXX=g++ cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVANE_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure --no-tests=error -j2

if [ "${LUMIVANE_SANITIZE:-1}" != 0 ]; then
  # A folder of its own: a build folder keeps the compiler it was first configured with.
  CC=clang CXX=clang++ cmake -S . -B build-clang-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DLUMIVANE_WERROR=ON -DLUMIVANE_SANITIZE=ON -DLUMIVANE_BUILD_BENCH=OFF
  cmake --build build-clang-sanitize
  ctest --test-dir build-clang-sanitize --output-on-failure --no-tests=error -j2
fi
