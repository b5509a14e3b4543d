#!/usr/bin/env bash
# Builds the program in Release and prints every performance figure beside the
# peer it is judged against, both measured in this run: the stage timings, the
# driver's computation against the Octave reference, plattm at Nj = 200, 800, 2000
# and 4000 against Octave with OpenBLAS (time and peak memory), what the machine
# reaches with library kernels on the same work, and whole mexhost calls against
# octave-cli and ngspice. See bench/README.md.
#
# usage: bash bench/run.sh [--quick] [--runs N] [--build DIR] [--against REV]
#                          [--no-build] [--no-deps] [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() {
  cat <<'EOF'
usage: bash bench/run.sh [options]

  --quick        fewer repetitions, plattm at Nj = 4000 left out and Nj = 2000
                 run once (the default, every row, takes 5 minutes at load
                 average 2 on two cores and 8.5 at load 5, the build not counted)
  --runs N       repetitions of the stage benchmarks and of the plattm rows at
                 Nj = 200 and 800 (default 9; 5 with --quick)
  --build DIR    build folder (default build-bench)
  --against REV  also build git revision REV (its files from git archive) in
                 DIR/against and print its figures beside ours: the program
                 against itself in the same run
  --no-build     use DIR as it is (no configure, no build)
  --no-deps      do not install the Debian packages (scripts/deps.sh, bench/deps.sh)
  --check        only check that DIR offers what the harness drives, then exit
  -h, --help     this text

Default: every row, Nj = 4000 included.
EOF
}

quick=0 runs='' build=build-bench against='' do_build=1 do_deps=1 check_only=0
while [ $# -gt 0 ]; do
  case $1 in
    --quick) quick=1 ;;
    --runs) runs=$2; shift ;;
    --build) build=$2; shift ;;
    --against) against=$2; shift ;;
    --no-build) do_build=0 ;;
    --no-deps) do_deps=0 ;;
    --check) check_only=1; do_build=0; do_deps=0 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  shift
done
build=$(realpath -m "$build")

# shellcheck source=bench/common.sh
source "$root/bench/common.sh"

if [ $check_only = 1 ]; then
  check_faces "$build"
  echo "bench: $build offers what bench/run.sh drives"
  exit 0
fi

if [ $do_deps = 1 ]; then
  bash scripts/deps.sh
  bash bench/deps.sh
fi
if [ $do_build = 1 ]; then
  echo "Building $build (Release) ..."
  configure_and_build "$root" "$build"
fi
check_faces "$build"

work=$(mktemp -d "${TMPDIR:-/tmp}/xt-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

ref_build=
if [ -n "$against" ]; then
  ref_build=$build/against
  echo "Building $against in $ref_build ..."
  rm -rf "$ref_build.src"
  mkdir -p "$ref_build.src"
  git archive "$against" | tar -x -C "$ref_build.src"
  configure_and_build "$ref_build.src" "$ref_build" mexhost vextrab program_bench
  check_faces "$ref_build"
fi

if [ -z "$runs" ]; then runs=$((quick ? 5 : 9)); fi
process_runs=$((quick ? 10 : 20))
octave_process_runs=$((quick ? 3 : 7))
plattm_rows=(200 800 2000 4000)
if [ $quick = 1 ]; then plattm_rows=(200 800 2000); fi

mexhost=$build/mexhost/mexhost
results=$build/bench-results.tsv
: >"$results"
declare -A fig

# Keeps a figure for the summary and writes it to the results file.
record() { fig[$1]=$2; printf '%s\t%s\n' "$1" "$2" >>"$results"; }
have() { [ -n "${fig[$1]:-}" ] && [ "${fig[$1]}" != nan ]; }

section() { printf '\n== %s\n' "$1"; }

# ---------------------------------------------------------------- environment
have_octave=0; command -v octave-cli >/dev/null && have_octave=1
have_ngspice=0; command -v ngspice >/dev/null && have_ngspice=1

section "Machine and tools"
load_start=$(load_average)
echo "date          $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "cpu           $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores"
echo "load average  $load_start (1, 5, 15 min) at the start"
echo "compiler      $(c++ --version | head -1)"
echo "build         $build (Release, -O3 -g)"
if [ $have_octave = 1 ]; then
  cat >"$work/blas.m" <<'EOF'
printf('octave        %s\n', version());
printf('Octave BLAS   %s\n', version('-blas'));
printf('Octave LAPACK %s\n', version('-lapack'));
maps = fileread('/proc/self/maps');
libs = unique(regexp(maps, '/\S*lib(open)?blas\S*\.so[.0-9]*', 'match'));
printf('BLAS loaded   %s\n', strjoin(libs, ', '));
libs = unique(regexp(maps, '/\S*liblapack\S*\.so[.0-9]*', 'match'));
printf('LAPACK loaded %s\n', strjoin(libs, ', '));
EOF
  octave_run "$work/blas.m" 2>/dev/null
  echo "OpenBLAS      $(getconf _NPROCESSORS_ONLN) threads (OPENBLAS_NUM_THREADS ${OPENBLAS_NUM_THREADS:-unset})"
  alternative=$(update-alternatives --query libblas.so.3-x86_64-linux-gnu 2>/dev/null |
    awk '/^Value:/ { print $2 }')
  echo "system BLAS   ${alternative:-unknown} (Octave is run with $openblas_dir first)"
else
  echo "octave        not installed: its rows are left out"
fi
if [ $have_ngspice = 1 ]; then
  echo "ngspice       $(ngspice --version 2>/dev/null | grep -m1 -o 'ngspice-[0-9]*')"
fi

# ---------------------------------------------------------------- stages
# Medians of program_bench's aggregates, "NAME WALL_MS CPU_MS" per line. The
# repetitions of the benchmarks are interleaved, so that a change of the machine's
# load reaches every stage alike.
stage_medians() {  # BUILD_DIR REPETITIONS
  "$1/bench/program_bench" --benchmark_repetitions="$2" --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true --benchmark_format=csv 2>/dev/null |
    awk -F, '$1 ~ /_median"$/ {
      name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
      s = 1e-6; if ($5 == "us") s = 1e-3; else if ($5 == "ms") s = 1; else if ($5 == "s") s = 1e3
      printf "%s %.6f %.6f\n", name, $3 * s, $4 * s }'
}

stage_names=(BM_Ftrapez BM_Plattm BM_Mtlfd BM_TwoIffts BM_DriverCompute)
declare -A stage_label=([BM_Ftrapez]="ftrapez" [BM_Plattm]="plattm, Nj = 200"
  [BM_Mtlfd]="mtlfd, 2049 frequencies" [BM_TwoIffts]="two iffts"
  [BM_DriverCompute]="whole driver compute")

section "Stages (program_bench, medians of $runs repetitions)"
stage_medians "$build" "$runs" >"$work/stages"
if [ -n "$ref_build" ]; then stage_medians "$ref_build" "$runs" >"$work/ref_stages"; fi
while read -r name wall cpu; do
  record "stage.$name.wall_ms" "$wall"
  record "stage.$name.cpu_ms" "$cpu"
done <"$work/stages"
if [ -n "$ref_build" ]; then
  while read -r name wall cpu; do record "against.stage.$name.wall_ms" "$wall"; done <"$work/ref_stages"
fi
header="%-26s %11s %11s %7s"
printf "$header" "stage" "wall [ms]" "cpu [ms]" "share"
if [ -n "$ref_build" ]; then printf ' %13s %9s' "$against [ms]" "speed-up"; fi
echo
whole=${fig[stage.BM_DriverCompute.wall_ms]}
sum=0
for name in "${stage_names[@]}"; do
  wall=${fig[stage.$name.wall_ms]}
  share=$(calc "100 * $wall / $whole")
  if [ "$name" != BM_DriverCompute ]; then sum=$(calc "$sum + $wall"); fi
  printf "$header" "${stage_label[$name]}" "$(calc "$wall")" "$(calc "${fig[stage.$name.cpu_ms]}")" \
    "$(printf '%.1f%%' "$share")"
  if [ -n "$ref_build" ]; then
    ref=${fig[against.stage.$name.wall_ms]}
    printf ' %13s %9s' "$(calc "$ref")" "$(printf '%.2fx' "$(calc "$ref / $wall")")"
  fi
  echo
done
printf '%-26s %11s   (the four stages measured one by one)\n' "sum of the stages" "$(calc "$sum")"
# The runtime on tiny values (not a stage: the glue between them).
if [ -n "${fig[stage.BM_TinyArrays.wall_ms]:-}" ]; then
  printf "$header" "tiny-array expressions" "$(calc "${fig[stage.BM_TinyArrays.wall_ms]}")" \
    "$(calc "${fig[stage.BM_TinyArrays.cpu_ms]}")" "-"
  if [ -n "${fig[against.stage.BM_TinyArrays.wall_ms]:-}" ]; then
    ref=${fig[against.stage.BM_TinyArrays.wall_ms]}
    printf ' %13s %9s' "$(calc "$ref")" \
      "$(printf '%.2fx' "$(calc "$ref / ${fig[stage.BM_TinyArrays.wall_ms]}")")"
  fi
  echo
fi

# ---------------------------------------------------------------- Octave reference
if [ $have_octave = 1 ]; then
  section "Driver compute against the Octave reference (tests/reference), medians of $runs"
  octave_run --eval "
    addpath('$root/tests/reference');
    ref_driver_compute(0.1, 'm', 'm');
    t = zeros(1, $runs);
    for k = 1:$runs
      tic; ref_driver_compute(0.1, 'm', 'm'); t(k) = toc;
    end
    printf('%.6f\n', 1000 * median(t));" 2>/dev/null >"$work/reference"
  record reference.octave_ms "$(cat "$work/reference")"
  record reference.ratio "$(calc "${fig[reference.octave_ms]} / $whole")"
  printf '%-26s %11s ms\n' "C++ program" "$(calc "$whole")"
  printf '%-26s %11s ms\n' "Octave reference" "$(calc "${fig[reference.octave_ms]}")"
  printf '%-26s %11s\n' "ratio Octave / C++" "$(calc "${fig[reference.ratio]}")"
  if [ -n "$ref_build" ]; then
    ref=${fig[against.stage.BM_DriverCompute.wall_ms]}
    printf '%-26s %11s ms (ratio Octave / it %s)\n' "C++ at $against" "$(calc "$ref")" \
      "$(calc "${fig[reference.octave_ms]} / $ref")"
  fi
fi

# ---------------------------------------------------------------- plattm alone
# The system size of plattm's strip-charge matrix for Nj on the driver's geometry
# (b = [1 0.2 0.2]): each conductor's share of Nj rounded, plus two per conductor.
system_size() {
  awk -v n="$1" 'BEGIN { split("1 0.2 0.2", b, " "); s = 0
    for (i = 1; i <= 3; i++) s += int(b[i] / 1.4 * n + 0.5) + 2; print s }'
}
plattm_statement() { echo "[c, l] = plattm([1 0.2 0.2], [-0.2 0.2], 0.1, $1);"; }
rows_runs() {  # NJ: repetitions of a plattm row
  if [ "$1" -ge 4000 ]; then echo 3; elif [ "$1" -ge 2000 ]; then echo $((quick ? 1 : 3)); else echo "$runs"; fi
}

section "plattm alone: mexhost --expose-local against Octave + OpenBLAS (bench/octave_plattm.m)"
echo "ours: one process per call, its start-up (mexhost --expose-local \"x = 1;\") subtracted;"
echo "Octave: tic/toc around the call inside one session; memory: peak RSS of the process"
if [ $have_octave = 1 ]; then
  # The peer must compute what plattm computes: against the reference at Nj = 200.
  agreement=$(octave_run --eval "
    addpath('$root/tests/reference', '$root/bench');
    [c1, l1] = ref_plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 200);
    [c2, l2] = octave_plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 200);
    printf('%.3g\n', max(abs([c1(:); l1(:)] - [c2(:); l2(:)]) ./ abs([c1(:); l1(:)])));" 2>/dev/null)
  record plattm.octave_agreement "$agreement"
  echo "octave_plattm against tests/reference/ref_plattm.m at Nj = 200: largest relative difference $agreement"
fi
result=$(measure_process "$runs" "$mexhost" --expose-local "x = 1;")
read -r startup startup_kib <<<"$result"
record plattm.startup_s "$startup"
record plattm.startup_kib "$startup_kib"
if [ -n "$ref_build" ]; then
  result=$(measure_process "$runs" "$ref_build/mexhost/mexhost" --expose-local "x = 1;")
  read -r ref_startup _ <<<"$result"
fi
if [ $have_octave = 1 ]; then
  result=$(measure_process 1 "${octave_command[@]}" --eval "x = 1;")
  read -r _ octave_idle_kib <<<"$result"
  record plattm.octave_idle_kib "$octave_idle_kib"
fi
row="%6s %6s %11s %11s %9s %10s %11s"
printf "$row" Nj S "ours [s]" "Octave [s]" "ours/Oct" "ours [MiB]" "Octave [MiB]"
if [ -n "$ref_build" ]; then printf ' %13s' "$against [s]"; fi
echo
for nj in "${plattm_rows[@]}"; do
  n=$(rows_runs "$nj")
  size=$(system_size "$nj")
  result=$(measure_process "$n" "$mexhost" --expose-local "$(plattm_statement "$nj")")
  read -r process kib <<<"$result"
  record "plattm.$nj.ours_s" "$(calc "$process - $startup")"
  record "plattm.$nj.ours_kib" "$kib"
  octave_s=nan octave_kib=nan
  if [ $have_octave = 1 ]; then
    warm=$([ "$nj" -le 800 ] && echo 1 || echo 0)
    result=$(measure_process 1 "${octave_command[@]}" --eval "
      addpath('$root/bench');
      if $warm, octave_plattm([1 0.2 0.2], [-0.2 0.2], 0.1, $nj); end
      t = zeros(1, $n);
      for k = 1:$n
        tic; [c, l] = octave_plattm([1 0.2 0.2], [-0.2 0.2], 0.1, $nj); t(k) = toc;
      end
      fid = fopen('$work/octave_plattm', 'w'); fprintf(fid, '%.6f\n', median(t)); fclose(fid);")
    read -r _ octave_kib <<<"$result"
    octave_s=$(cat "$work/octave_plattm")
    record "plattm.$nj.octave_s" "$octave_s"
    record "plattm.$nj.octave_kib" "$octave_kib"
  fi
  printf "$row" "$nj" "$size" "$(calc "${fig[plattm.$nj.ours_s]}")" "$(calc "$octave_s")" \
    "$(calc "${fig[plattm.$nj.ours_s]} / $octave_s")" "$(calc "$kib / 1024")" \
    "$(calc "$octave_kib / 1024")"
  if [ -n "$ref_build" ]; then
    result=$(measure_process "$n" "$ref_build/mexhost/mexhost" --expose-local \
      "$(plattm_statement "$nj")")
    read -r ref_process _ <<<"$result"
    record "against.plattm.$nj.s" "$(calc "$ref_process - $ref_startup")"
    printf ' %13s' "$(calc "${fig[against.plattm.$nj.s]}")"
  fi
  echo
done
printf 'start-up subtracted: %s s, %s MiB;' "$(calc "$startup")" "$(calc "$startup_kib / 1024")"
if [ $have_octave = 1 ]; then
  printf ' an idle octave-cli holds %s MiB' "$(calc "$octave_idle_kib / 1024")"
fi
echo

# ---------------------------------------------------------------- the machine's reach
# "NAME WALL_MS" medians of machine_bench. A run that fails is reported with the end
# of its error output, and its rows are left out (they print as nan), so that the
# rest of the figures still come.
machine_medians() {  # PROGRAM FILTER REPETITIONS
  local status=0
  "$1" --benchmark_filter="$2" --benchmark_repetitions="$3" --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true --benchmark_format=csv \
    >"$work/machine.csv" 2>"$work/machine.err" || status=$?
  if [ $status != 0 ]; then
    echo "$(basename "$1") failed (exit $status); its last words:" >&2
    grep -v '^\*\*\*WARNING' "$work/machine.err" | tail -n 3 >&2
  fi
  awk -F, '$1 ~ /_median"$/ {
        name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
        s = 1e-6; if ($5 == "us") s = 1e-3; else if ($5 == "ms") s = 1; else if ($5 == "s") s = 1e3
        printf "%s %.6f\n", name, $3 * s }' "$work/machine.csv"
}
section "What the machine reaches with library kernels (machine_bench, Octave's OpenBLAS)"
machine_filter='.'
if [ $quick = 1 ]; then machine_filter='BM_LU/(207|805|2007)$|BM_Inverse/(207|805)$|BM_PerFrequency|BM_RealInverseFFT|BM_Exponentials'; fi
machine_reps=$((quick ? 3 : 5))
for variant in machine_bench machine_bench_native; do
  [ -x "$build/bench/$variant" ] || continue
  machine_medians "$build/bench/$variant" "$machine_filter" "$machine_reps" |
    while read -r name ms; do printf '%s\t%s\n' "$variant.$name.ms" "$ms"; done >>"$work/machine"
done
while IFS=$'\t' read -r key value; do record "$key" "$value"; done <"$work/machine"
if [ $have_octave = 1 ]; then
  sizes="207 805 2007 4005"
  if [ $quick = 1 ]; then sizes="207 805 2007"; fi
  for threads in 1 "$(nproc)"; do
    OPENBLAS_NUM_THREADS=$threads octave_run --eval "
      for n = [$sizes]
        A = rand(n) + n * eye(n);
        r = max(3, min(50, round(2e10 / n^3)));
        [L, U, P] = lu(A);
        t = zeros(1, r);
        for k = 1:r, tic; [L, U, P] = lu(A); t(k) = toc; end
        u = zeros(1, r);
        if n < 4000, for k = 1:r, tic; X = inv(A); u(k) = toc; end, end
        printf('%d %.6f %.6f\n', n, 1000 * median(t), 1000 * median(u));
      end" 2>/dev/null | while read -r n lu inv; do
      printf 'openblas%s.lu.%s.ms\t%s\n' "$threads" "$n" "$lu"
      if [ "$n" -lt 4000 ]; then printf 'openblas%s.inv.%s.ms\t%s\n' "$threads" "$n" "$inv"; fi
    done >>"$work/openblas"
  done
  while IFS=$'\t' read -r key value; do record "$key" "$value"; done <"$work/openblas"
fi
lu_row="%6s %-34s %10s %9s"
printf "$lu_row\n" S "dense LU with partial pivoting" "[ms]" "GFLOP/s"
for size in 207 805 2007 4005; do
  flops=$(calc "2 / 3 * $size ^ 3")
  for source in machine_bench:"Eigen, the program's flags" machine_bench_native:"Eigen, -march=native" \
    openblas1:"OpenBLAS dgetrf (Octave lu), 1 thread" \
    "openblas$(nproc)":"OpenBLAS dgetrf (Octave lu), $(nproc) threads"; do
    key=${source%%:*} label=${source#*:}
    case $key in
      machine*) key=$key.BM_LU/$size.ms ;;
      *) key=$key.lu.$size.ms ;;
    esac
    have "$key" || continue
    printf "$lu_row\n" "$size" "$label" "$(calc "${fig[$key]}")" \
      "$(calc "$flops / ${fig[$key]} / 1e6")"
  done
done
printf "%6s %-34s %10s %9s\n" S "full inverse (LU and inverse, 2 S^3)" "[ms]" "GFLOP/s"
for size in 207 805 2007; do
  for source in machine_bench_native:"Eigen, -march=native" "openblas$(nproc)":"OpenBLAS (Octave inv), $(nproc) threads"; do
    key=${source%%:*} label=${source#*:}
    case $key in machine*) key=$key.BM_Inverse/$size.ms ;; *) key=$key.inv.$size.ms ;; esac
    have "$key" || continue
    printf "$lu_row\n" "$size" "$label" "$(calc "${fig[$key]}")" \
      "$(calc "2 * $size ^ 3 / ${fig[$key]} / 1e6")"
  done
done
for name in BM_PerFrequency BM_RealInverseFFT BM_Exponentials; do
  have "machine_bench_native.$name.ms" || continue
  case $name in
    BM_PerFrequency) label="2049 x (4 complex exp + 4x4 complex solve)" ;;
    BM_RealInverseFFT) label="4 real inverse FFTs of 4096, plan reused" ;;
    BM_Exponentials) label="3 x 2049 complex exponentials" ;;
  esac
  printf '%-41s %10s ms (-march=native; %s ms with the program'"'"'s flags)\n' "$label" \
    "$(calc "${fig[machine_bench_native.$name.ms]}")" "$(calc "${fig[machine_bench.$name.ms]:-nan}")"
done

# ---------------------------------------------------------------- whole process
section "Whole process (hyperfine medians; mexhost and ngspice $process_runs runs, octave-cli $octave_process_runs)"
call="vextrab(0.1,'m','m')"
mkdir -p "$work/all" "$work/json" "$work/octave"
record process.mexhost_all_s "$(hyperfine_median "$process_runs" mexhost-all \
  "$mexhost --formats png,svg,pdf,json --out $work/all \"$call\"")"
record process.mexhost_json_s "$(hyperfine_median "$process_runs" mexhost-json \
  "$mexhost --no-pause --formats json --out $work/json \"$call\"")"
record process.mexhost_startup_s "$(hyperfine_median "$process_runs" mexhost-startup \
  "$mexhost \"x = 1;\"")"
for f in figure1.png figure1.svg figure1.pdf figure2.json; do
  [ -s "$work/all/$f" ] || { echo "bench: mexhost wrote no $f" >&2; exit 1; }
done
if [ -n "$ref_build" ]; then
  record against.process.mexhost_all_s "$(hyperfine_median "$process_runs" ref-all \
    "$ref_build/mexhost/mexhost --formats png,svg,pdf,json --out $work/all \"$call\"")"
  record against.process.mexhost_json_s "$(hyperfine_median "$process_runs" ref-json \
    "$ref_build/mexhost/mexhost --no-pause --formats json --out $work/json \"$call\"")"
fi
if [ $have_octave = 1 ] && [ -e "$build/octave/vextral.mex" ]; then
  cat >"$work/vextral_png.m" <<EOF
addpath('$build/octave');
graphics_toolkit gnuplot;
setenv('GNUTERM', 'unknown');
vextral(0.1, 'm', 'm');
print(1, '-dpng', '$work/octave/figure1.png');
print(2, '-dpng', '$work/octave/figure2.png');
EOF
  record process.octave_s "$(hyperfine_median "$octave_process_runs" octave-cli \
    "$octave_line $work/vextral_png.m")"
  [ -s "$work/octave/figure2.png" ] || { echo "bench: octave-cli wrote no figure2.png" >&2; exit 1; }
fi
if [ $have_ngspice = 1 ]; then
  # The line and its terminations as the program computes them: ct, lt and the
  # matched terminations Zs = Zl = Zc = 300000000*lt, from one mexhost session.
  "$mexhost" --expose-local "[ct, lt] = plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 200);" \
    "Zc = 300000000 * lt;" "fprintf('%.17g\n', ct, lt, Zc, Zc);" >"$work/line_numbers"
  bash "$root/bench/ngspice_line.sh" "$work/line_numbers" 5e-12 2.5e-8 "$work/ngspice.txt" \
    >"$work/line.cir"
  record process.ngspice_s "$(hyperfine_median "$process_runs" ngspice "ngspice -b $work/line.cir")"
  [ -s "$work/ngspice.txt" ] || { echo "bench: ngspice wrote no waveforms" >&2; exit 1; }
fi
proc="%-58s %10s"
printf "$proc %s\n" "command" "[ms]" ""
printf "$proc\n" "mexhost --formats png,svg,pdf,json \"$call\", real pause" \
  "$(calc "1000 * ${fig[process.mexhost_all_s]}")"
printf "$proc\n" "mexhost --no-pause --formats json \"$call\"" \
  "$(calc "1000 * ${fig[process.mexhost_json_s]}")"
printf "$proc\n" "mexhost \"x = 1;\" (start-up and plug-in loading)" \
  "$(calc "1000 * ${fig[process.mexhost_startup_s]}")"
if have process.octave_s; then
  record process.octave_ratio "$(calc "${fig[process.octave_s]} / ${fig[process.mexhost_all_s]}")"
  printf "$proc   ratio to mexhost, all formats: %s\n" \
    "octave-cli: vextral(0.1,'m','m'), both figures printed to PNG" \
    "$(calc "1000 * ${fig[process.octave_s]}")" "$(calc "${fig[process.octave_ratio]}")"
fi
if have process.ngspice_s; then
  record process.ngspice_ratio "$(calc "${fig[process.ngspice_s]} / ${fig[process.mexhost_json_s]}")"
  printf "$proc   ratio to mexhost, JSON only: %s\n" \
    "ngspice -b: coupled line, 25 ns at a 5 ps step" \
    "$(calc "1000 * ${fig[process.ngspice_s]}")" "$(calc "${fig[process.ngspice_ratio]}")"
fi
if [ -n "$ref_build" ]; then
  printf "$proc\n" "$against: mexhost, all formats" "$(calc "1000 * ${fig[against.process.mexhost_all_s]}")"
  printf "$proc\n" "$against: mexhost, --no-pause, JSON only" \
    "$(calc "1000 * ${fig[against.process.mexhost_json_s]}")"
fi

# ---------------------------------------------------------------- distance
section "Distance from the machine (wall times of this run)"
floor_of() {  # KEY: the faster of the two builds of machine_bench
  local a=${fig[machine_bench.$1.ms]:-nan} b=${fig[machine_bench_native.$1.ms]:-nan}
  if [ "$a" = nan ]; then echo "$b"; elif [ "$b" = nan ]; then echo "$a"; else calc "($a < $b) ? $a : $b"; fi
}
dist="%-22s %10s %7s %-36s %10s %8s"
printf "$dist\n" stage "[ms]" share "what the machine does of the same work" "[ms]" "factor"
distance_row() {  # LABEL MS KERNEL_LABEL KERNEL_MS [no share]
  local share
  share=$(printf '%.1f%%' "$(calc "100 * $2 / $whole")")
  if [ $# -gt 4 ]; then share=-; fi
  printf "$dist\n" "$1" "$(calc "$2")" "$share" "$3" \
    "$(calc "$4")" "$(printf '%.0fx' "$(calc "$2 / $4")")"
}
distance_row ftrapez "${fig[stage.BM_Ftrapez.wall_ms]}" "3 x 2049 complex exponentials" \
  "$(floor_of BM_Exponentials)"
distance_row "plattm, Nj = 200" "${fig[stage.BM_Plattm.wall_ms]}" "LU of the 207 x 207 system" \
  "$(floor_of BM_LU/207)"
distance_row mtlfd "${fig[stage.BM_Mtlfd.wall_ms]}" "2049 x fixed 4x4 complex solve" \
  "$(floor_of BM_PerFrequency)"
distance_row "two iffts" "${fig[stage.BM_TwoIffts.wall_ms]}" "4 real inverse FFTs, plan reused" \
  "$(floor_of BM_RealInverseFFT)"
floor_sum=$(calc "$(floor_of BM_Exponentials) + $(floor_of BM_LU/207) + $(floor_of BM_PerFrequency) + $(floor_of BM_RealInverseFFT)")
distance_row "whole driver compute" "$whole" "the four above" "$floor_sum"
for nj in 2000 4000; do
  have "plattm.$nj.ours_s" || continue
  size=$(system_size "$nj")
  best=$(floor_of "BM_LU/$size")
  if have "openblas$(nproc).lu.$size.ms"; then
    other=${fig[openblas$(nproc).lu.$size.ms]}
    best=$(calc "($best < $other) ? $best : $other")
  fi
  if [ "$best" = nan ]; then continue; fi
  distance_row "plattm, Nj = $nj" "$(calc "1000 * ${fig[plattm.$nj.ours_s]}")" \
    "LU of the $size x $size system, best" "$best" no-share
done
echo "(share: of the whole driver compute; factor: stage time over the machine's time)"
ours200=${fig[stage.BM_Plattm.wall_ms]}
printf 'plattm at Nj = 200 counted as one LU (2/3 S^3): %s GFLOP/s; as a full inverse (2 S^3): %s GFLOP/s\n' \
  "$(calc "2 / 3 * 207 ^ 3 / $ours200 / 1e6")" "$(calc "2 * 207 ^ 3 / $ours200 / 1e6")"

# ---------------------------------------------------------------- targets
section "Targets"
target() {  # TEXT VALUE CONDITION(awk, v = value)
  local verdict="not measured"
  if [ -n "$2" ] && [ "$2" != nan ]; then
    verdict=$(awk -v v="$2" "BEGIN { print ($3) ? \"met\" : \"not met\" }")
  fi
  printf '%-60s %12s  %s\n' "$1" "$(calc "${2:-nan}")" "$verdict"
}
target "whole driver compute under 2 ms [ms]" "$whole" "v < 2"
target "Octave reference / C++ at least 300" "${fig[reference.ratio]:-}" "v >= 300"
target "mtlfd under 1 ms [ms]" "${fig[stage.BM_Mtlfd.wall_ms]}" "v < 1"
target "plattm at Nj = 200 under 1 ms [ms]" "$ours200" "v < 1"
if have plattm.2000.octave_s; then
  target "plattm at Nj = 2000 / Octave at most 0.5" \
    "$(calc "${fig[plattm.2000.ours_s]} / ${fig[plattm.2000.octave_s]}")" "v <= 0.5"
fi
if have plattm.4000.ours_kib; then
  target "peak memory at Nj = 4000 under 400 MB [MB]" "$(calc "${fig[plattm.4000.ours_kib]} * 1.024 / 1000")" "v < 400"
else
  target "peak memory at Nj = 4000 under 400 MB [MB] (--quick)" "" "0"
fi
target "mexhost, all formats, real pause, under 80 ms [ms]" \
  "$(calc "1000 * ${fig[process.mexhost_all_s]}")" "v < 80"
target "octave-cli / mexhost all formats at least 20" "${fig[process.octave_ratio]:-}" "v >= 20"
target "ngspice / mexhost JSON only at least 2" "${fig[process.ngspice_ratio]:-}" "v >= 2"

load_end=$(load_average)
record load.start "$load_start"
record load.end "$load_end"
printf '\nload average %s at the start, %s at the end; figures in %s\n' "$load_start" "$load_end" \
  "$results"
