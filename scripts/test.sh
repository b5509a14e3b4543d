#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test; then builds
# again with the address and undefined-behaviour sanitizers and runs the suite
# once more there (all but the Octave package installation, which compiles
# the sources anew with Octave's own flags).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXT_SANITIZE=ON \
  -DXT_BUILD_BENCH=OFF
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs" -E '^octave_package$'
