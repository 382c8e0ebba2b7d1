#!/usr/bin/env bash
# Installs what is missing, builds Lumivane and runs it: the bundled sample picture goes through the bundled sample
# profile with lumivane-cli, and the result is written to out/sample-corrected.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --target lumivane-cli

mkdir -p out
build/cli/lumivane-cli apply --profile resources/sample.qmx resources/sample.png -o out/sample-corrected.png
echo "Lumivane corrected resources/sample.png with resources/sample.qmx: the result is $(pwd)/out/sample-corrected.png"
