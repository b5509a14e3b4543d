#!/usr/bin/env bash
# Builds and runs one libFuzzer target of tests/fuzz.
#
#   bash tests/fuzz/run.sh TARGET [SECONDS] [libFuzzer options...]
#
# TARGET is the name of tests/fuzz/TARGET_fuzz.cpp (parser, ...); SECONDS defaults
# to 600. The instrumented build lives in build-fuzz/ (clang-14, -DXT_FUZZ=ON). The
# fuzzer starts from the seeds in tests/fuzz/corpus/TARGET and keeps what it finds
# in build-fuzz/fuzz/TARGET/corpus; a crashing input lands in
# build-fuzz/fuzz/TARGET/artifacts. The last lines show the final stats (#runs,
# cov, ft). It runs at low priority in one process.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
target=${1:?usage: run.sh TARGET [SECONDS] [libFuzzer options...]}
seconds=${2:-600}
shift $(( $# >= 2 ? 2 : 1 ))
if [[ ! -f "$here/${target}_fuzz.cpp" ]]; then
  echo "run.sh: no target '$target' (expected tests/fuzz/${target}_fuzz.cpp)" >&2
  exit 2
fi

build="$root/build-fuzz"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DXT_FUZZ=ON "${launcher[@]}"
fi
nice -n 10 cmake --build "$build" -j2 --target "${target}_fuzz"

work="$build/fuzz/$target"
mkdir -p "$work/corpus" "$work/artifacts"
options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=4096
         -print_final_stats=1 -artifact_prefix="$work/artifacts/")
if [[ -f "$here/$target.dict" ]]; then
  options+=(-dict="$here/$target.dict")
fi
# Leaks are checked by the sanitizer build's tests; libFuzzer's leak check would
# report the session's one-time static state.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:allocator_may_return_null=1}
# Every copy of the runtime (the plug-ins carry their own) refuses arrays beyond this.
export XT_FUZZ_MEMORY_LIMIT_MB=${XT_FUZZ_MEMORY_LIMIT_MB:-64}
exec nice -n 10 "$build/tests/fuzz/${target}_fuzz" "${options[@]}" "$@" \
  "$work/corpus" "$here/corpus/$target"
