#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DXT_BUILD_TESTS=OFF -DXT_BUILD_BENCH=OFF
cmake --build build -j"$jobs"
echo "Build finished. The embedded host (mexhost) that runs a simulation is not built yet;"
echo "this command stops after the build."
