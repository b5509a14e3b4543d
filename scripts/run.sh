#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job on the embedded host:
# a simulation, vextrab(0.1, 'matchad', [50 Inf]), and the cross-section, vextrab(0.1).
# The figures are written to out/ as PNG, SVG, PDF and JSON (the simulation's with
# the banner as it showed during the computation); mexhost names them on standard error.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DXT_BUILD_TESTS=OFF -DXT_BUILD_BENCH=OFF
cmake --build build-release -j"$jobs" --target mexhost vextrab vextral

mexhost=build-release/mexhost/mexhost
rm -rf out/simulation out/cross-section
"$mexhost" --out out/simulation --snapshots "vextrab(0.1, 'matchad', [50 Inf])"
"$mexhost" --out out/cross-section "vextrab(0.1)"
