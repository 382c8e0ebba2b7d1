#!/usr/bin/env bash
# Installs what is missing, builds Lumivane with warnings as errors, and runs every test: once in the shipped Release
# build, once more under AddressSanitizer and UndefinedBehaviorSanitizer.
#   LUMIVANE_SANITIZE=0 bash scripts/test.sh   skips the sanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVANE_WERROR=ON
cmake --build build
ctest --test-dir build --output-on-failure --no-tests=error -j2

if [ "${LUMIVANE_SANITIZE:-1}" != 0 ]; then
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIVANE_WERROR=ON \
        -DLUMIVANE_SANITIZE=ON -DLUMIVANE_BUILD_BENCH=OFF
  cmake --build build-sanitize
  ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j2
fi
