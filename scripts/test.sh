#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test; then builds
# again with the address and undefined-behaviour sanitizers (with clang, mostly
# unoptimised, to keep the build short) and runs the suite once more there, all but the
# Octave tests, since Octave itself is not built with the sanitizers. Tests
# labelled "slow" are left out of both passes; run them with
# `ctest --test-dir build -L slow`.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

# Ninja starts a target's compiles while the libraries below it still build, which
# keeps both cores busy.
configure() {
  local dir=$1
  shift
  # A cache made with another generator or compiler is started afresh.
  local compiler=c++
  for arg in "$@"; do
    if [[ $arg == -DCMAKE_CXX_COMPILER=* ]]; then compiler=${arg#-DCMAKE_CXX_COMPILER=}; fi
  done
  compiler=$(readlink -f "$(command -v "$compiler")")
  if [[ -f $dir/CMakeCache.txt ]] &&
    { ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt" ||
      [[ $(readlink -f "$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$dir/CMakeCache.txt")") != "$compiler" ]]; }; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
  fi
  cmake -S . -B "$dir" -G Ninja "$@"
}

# The first pass is optimised as the default build is (-O2) but without debugging
# information, which costs a quarter of the compile time and is not needed here.
configure build -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG"
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" -LE slow

# The sanitizer pass is built with clang, whose front end takes the Eigen-heavy
# units in a third of GCC's time, without optimisation except for the numerical
# units and mexhost's interpreter and graphics (-O1, so that the sessions run at a
# usable speed). The Octave reference's outputs are the ones the first pass wrote.
configure build-sanitize -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" -DCMAKE_C_FLAGS_DEBUG="-O0 -g1" \
  -DXT_COMPUTE_FLAGS=-O1 -DXT_SANITIZE=ON -DXT_BUILD_BENCH=OFF \
  -DXT_REFERENCE_OUTPUTS_FROM="$PWD/build/tests/program/reference_outputs"
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs" -LE slow
