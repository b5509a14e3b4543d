#!/usr/bin/env bash
# The driver's computation (plattm with Nj = 200, mtlfd on 2049 frequencies, two
# iffts, ftrapez) in the C++ program against the Octave reference of the same
# pipeline, measured in the same run. Prints both medians and their ratio.
#
# usage: bench/compare_reference.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=9

cpp_ms=$("$build/bench/program_bench" --benchmark_filter=BM_DriverCompute \
  --benchmark_repetitions=$runs --benchmark_report_aggregates_only=true \
  --benchmark_format=csv 2>/dev/null |
  awk -F, '/BM_DriverCompute_median/ {
    v = $3; u = $5
    if (u == "ns") v /= 1e6; else if (u == "us") v /= 1e3; else if (u == "s") v *= 1e3
    print v }')

oct_ms=$(octave-cli --no-gui -q --eval "
  addpath('tests/reference');
  ref_driver_compute(0.1, 'm', 'm');
  t = zeros(1, $runs);
  for k = 1:$runs
    tic; ref_driver_compute(0.1, 'm', 'm'); t(k) = toc;
  end
  printf('%.3f\n', 1000 * median(t));" 2>/dev/null)

printf 'driver compute, median of %d runs\n' "$runs"
printf '  C++ program      %10.2f ms\n' "$cpp_ms"
printf '  Octave reference %10.2f ms\n' "$oct_ms"
awk -v c="$cpp_ms" -v o="$oct_ms" 'BEGIN { printf "  ratio Octave/C++ %10.2f\n", o / c }'
