# Helpers shared by bench/run.sh and bench/profile.sh (sourced, not run).
# shellcheck shell=bash disable=SC2154,SC2034
# Expects $work, a scratch folder, set by the script that sources it.
#
# The harness drives the program through its stable faces only: the mexhost
# program (with --expose-local for plattm at the prompt), the benchmark names of
# program_bench, and CMake targets. check_faces says which of them a build lacks.

# The program's Release build for measuring: -O3 as shipped, plus debug
# information so that profiles name functions and lines (it does not change the
# generated code).
configure_and_build() {  # SOURCE_DIR BUILD_DIR [TARGET...] (default: all the harness uses)
  local source=$1 build=$2
  shift 2
  local wanted=("$@")
  if [ ${#wanted[@]} -eq 0 ]; then
    wanted=(mexhost vextrab program_bench machine_bench machine_bench_native octave_mex)
  fi
  mkdir -p "$build"
  cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS=-g \
    -DXT_BUILD_TESTS=OFF -DXT_BUILD_BENCH=ON >"$build/bench-configure.log" 2>&1 ||
    { tail -20 "$build/bench-configure.log" >&2; return 1; }
  local available targets=()
  available=$(cmake --build "$build" --target help 2>/dev/null)
  local t
  for t in "${wanted[@]}"; do
    if grep -qE "(^|[ .])$t($|[ :])" <<<"$available"; then targets+=("$t"); fi
  done
  cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" \
    >"$build/bench-build.log" 2>&1 || { tail -30 "$build/bench-build.log" >&2; return 1; }
}

# Fails with a message naming what the harness needs and the build does not offer.
check_faces() {  # BUILD_DIR
  local build=$1 problems=()
  local mexhost=$build/mexhost/mexhost bench=$build/bench/program_bench
  if [ -x "$mexhost" ]; then
    local help option
    help=$("$mexhost" --help 2>&1 || true)
    for option in --expose-local --out --formats --no-pause; do
      grep -q -- "$option" <<<"$help" || problems+=("mexhost has no option $option")
    done
  else
    problems+=("no $mexhost")
  fi
  if [ -x "$bench" ]; then
    local names name
    names=$("$bench" --benchmark_list_tests 2>/dev/null || true)
    for name in BM_Ftrapez BM_Plattm BM_Mtlfd BM_TwoIffts BM_DriverCompute; do
      grep -qx "$name" <<<"$names" || problems+=("program_bench has no benchmark $name")
    done
  else
    problems+=("no $bench")
  fi
  if [ ${#problems[@]} -gt 0 ]; then
    printf 'bench: %s\n' "${problems[@]}" >&2
    return 1
  fi
}

# Median of the numbers on standard input, one a line.
median() {
  sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "nan"; exit }
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Prints "SECONDS KIB": the medians over RUNS runs of the wall time and of the peak
# resident memory (GNU time's %M) of the command; its output is discarded. Each
# run's figures go on one line of $work/last_runs.
measure_process() {  # RUNS COMMAND...
  local runs=$1 k start end
  shift
  : >"$work/last_runs"
  for ((k = 0; k < runs; k++)); do
    start=$EPOCHREALTIME
    /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>"$work/stderr" ||
      { echo "bench: failed: $*" >&2; tail -5 "$work/stderr" >&2; return 1; }
    end=$EPOCHREALTIME
    echo "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }') $(tail -1 "$work/rss")" \
      >>"$work/last_runs"
  done
  echo "$(cut -d' ' -f1 "$work/last_runs" | median) $(cut -d' ' -f2 "$work/last_runs" | median)"
}

# Median wall time in seconds of a short command under hyperfine (a shell-free
# exec per run, two warm-up runs). NAME only labels the run.
hyperfine_median() {  # RUNS NAME COMMAND_LINE
  local runs=$1 name=$2 command=$3
  hyperfine -N --warmup 2 --runs "$runs" --export-csv "$work/hyperfine.csv" \
    -n "$name" "$command" >/dev/null 2>"$work/stderr" ||
    { echo "bench: hyperfine failed on: $command" >&2; tail -5 "$work/stderr" >&2; return 1; }
  awk -F, 'NR == 2 { print $4 }' "$work/hyperfine.csv"
}

# Octave with OpenBLAS as its BLAS and LAPACK whatever the system's alternatives
# say (OpenBLAS's folder first on the library path), quiet, no window: the command
# as an array (octave_command) and as one line for hyperfine (octave_line).
openblas_dir=/usr/lib/x86_64-linux-gnu/openblas-pthread
octave_command=(octave-cli --no-gui -q)
if [ -d "$openblas_dir" ]; then
  octave_command=(env "LD_LIBRARY_PATH=$openblas_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    "${octave_command[@]}")
fi
octave_line="${octave_command[*]}"
octave_run() { "${octave_command[@]}" "$@"; }

# Evaluates an arithmetic awk expression; nan when a figure in it is missing or
# the expression cannot be evaluated (a division by zero).
calc() {
  case $1 in *nan* | "") echo nan; return ;; esac
  awk "BEGIN { printf \"%.6g\", $1 }" 2>/dev/null || echo nan
}

load_average() { cut -d' ' -f1-3 /proc/loadavg; }
