#!/usr/bin/env bash
# Where the time goes: perf profiles (software cpu-clock event, DWARF call
# graphs) of the driver's computation (program_bench's BM_DriverCompute) and of
# whole mexhost calls, the whole call taken apart by output format with hyperfine,
# and its system calls (strace -c). Prints the top entries of each; the perf data
# stay in BUILD_DIR/profile/ for perf report.
#
# usage: bash bench/profile.sh [--build DIR] [--no-build] [--top N]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

build=build-bench do_build=1 top=20
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift ;;
    --no-build) do_build=0 ;;
    --top) top=$2; shift ;;
    -h | --help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "usage: bash bench/profile.sh [--build DIR] [--no-build] [--top N]" >&2; exit 2 ;;
  esac
  shift
done
build=$(realpath -m "$build")

# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
if [ $do_build = 1 ]; then
  bash bench/deps.sh
  echo "Building $build (Release) ..."
  configure_and_build "$root" "$build"
fi
check_faces "$build"
command -v perf >/dev/null || { echo "bench: perf is not installed (bench/deps.sh)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/xt-profile.XXXXXX")
trap 'rm -rf "$work"' EXIT
data=$build/profile
mkdir -p "$data"
mexhost=$build/mexhost/mexhost
call="vextrab(0.1,'m','m')"
calls=20

echo "load average $(load_average) at the start"
started=$SECONDS

# perf report's table without its comment lines and unresolved addresses, the
# lines cut to 110 characters.
report() {  # DATA OPTIONS...
  local file=$1
  shift
  perf report -i "$file" --stdio --percent-limit 0.5 "$@" 2>/dev/null |
    awk -v top="$top" '{ $0 = substr($0, 1, 110); sub(/[ \t]+$/, "") }
      /^#/ || /^$/ || / 0x[0-9a-f]+$/ { next }
      n < top { n++; print }'
}

# Inclusive shares ("PERCENT<tab>FUNCTION", largest first) with the entries of one
# name summed: perf keeps a function apart per process and per inlined copy.
children_by_name() {  # DATA OPTIONS...
  local file=$1
  shift
  perf report -i "$file" --stdio --percent-limit 0 --children --sort symbol -g none "$@" \
    2>/dev/null | awk '/^#/ || NF < 4 { next } {
      name = $0; sub(/^ *[0-9.]+% +[0-9.]+% +\[.\] /, "", name); sub(/[ \t-]+$/, "", name)
      if (name ~ /^0x[0-9a-f]+$/) next
      sub(/%/, "", $1); share[name] += $1 }
      END { for (name in share) printf "%.2f\t%s\n", share[name], name }' | sort -t$'\t' -k1,1gr
}
print_children() {  # FILE
  awk -F'\t' -v top="$top" 'n < top { n++; printf "%9s%%  %s\n", $1, substr($2, 1, 95) }' "$1"
}

record() {  # DATA COMMAND...
  local file=$1
  shift
  rm -f "$file" "$file.old"
  perf record -q -e cpu-clock -F 1000 --call-graph dwarf,16384 -o "$file" "$@" \
    >/dev/null 2>"$work/perf.err" || { tail -5 "$work/perf.err" >&2; return 1; }
}

printf '\n== The driver compute (program_bench BM_DriverCompute, 3 s), self time by function\n'
record "$data/compute.data" "$build/bench/program_bench" --benchmark_filter='^BM_DriverCompute$' \
  --benchmark_min_time=3
report "$data/compute.data" --no-children --sort symbol -g none
printf '\n== The driver compute, time including callees, by function\n'
children_by_name "$data/compute.data" >"$work/compute_functions"
print_children "$work/compute_functions"

printf '\n== %d whole calls: mexhost "%s", all formats, real pause; by program and library\n' "$calls" "$call"
cat >"$work/calls.sh" <<EOF
for k in \$(seq $calls); do
  "$mexhost" --formats png,svg,pdf,json --out "$work/figs" "$call" >/dev/null
done
EOF
record "$data/process.data" bash "$work/calls.sh"
report "$data/process.data" --no-children --sort comm,dso -g none
printf '\n== The whole calls, self time by function\n'
report "$data/process.data" --no-children --sort dso,symbol -g none --comm mexhost

# Shares of mexhost's cpu time by activity: the inclusive shares of the functions
# named or the self shares of the libraries named. The names are the
# program's own and may move; a row that matches nothing shows 0.
activities=(
  "computation: plattm, mtlfd, iffts, ftrapez|fn|^xt::(plattmBody|mtlfdBody|ifftsBody|ftrapez[A-Za-z]*)$"
  "the plug-in call, figures included|fn|^xt::vextrabBody$"
  "banner snapshot (drawnow; files only with --snapshots)|fn|^xt::byname::drawnow$"
  "figure files, every format|fn|^mh::gfx::writeFigure$"
  "PNG encoding (libpng)|fn|^mh::gfx::writePng$"
  "  of it zlib compression (deflate)|fn|^deflate$"
  "JSON text|fn|^mh::gfx::figureJson"
  "fonts: fontconfig, freetype, expat (self)|dso|^lib(fontconfig|freetype|expat)"
  "dynamic loading: ld.so (self)|dso|^ld-linux"
  "kernel: page faults, files, process (self)|dso|^.kernel"
)
children_by_name "$data/process.data" --comm mexhost >"$work/functions"
printf '\n== The whole calls, time including callees, by function\n'
print_children "$work/functions"
perf report -i "$data/process.data" --stdio --percent-limit 0 --no-children --sort comm,dso \
  -g none 2>/dev/null | awk '$2 == "mexhost" { sub(/%/, "", $1); print $1 "\t" $3 }' >"$work/libraries"
cpu_ms=$(hyperfine -N --warmup 2 --runs "$calls" --export-csv "$work/cpu.csv" -n cpu \
  "$mexhost --formats png,svg,pdf,json --out $work/figs \"$call\"" >/dev/null 2>&1 &&
  awk -F, 'NR == 2 { print 1000 * ($5 + $6) }' "$work/cpu.csv")
mexhost_share=$(awk -F'\t' '{ s += $1 } END { print s }' "$work/libraries")
printf '\n== The whole call by activity: share of mexhost'"'"'s cpu time (%s ms a call, user + system)\n' \
  "$(calc "$cpu_ms")"
for entry in "${activities[@]}"; do
  IFS='|' read -r label kind pattern <<<"$entry"
  file=$work/functions
  [ "$kind" = dso ] && file=$work/libraries
  share=$(awk -F'\t' -v re="$pattern" -v all="$mexhost_share" \
    '$2 ~ re { s += $1 } END { printf "%.1f", 100 * s / all }' "$file")
  printf '%-50s %6s%% %8s ms\n' "$label" "$share" "$(calc "$share / 100 * $cpu_ms")"
done

printf '\n== The whole call by parts (hyperfine medians of %d runs)\n' "$calls"
part() {  # LABEL MEXHOST_ARGUMENTS...
  local label=$1 line="$mexhost"
  shift
  local a
  for a in "$@"; do line+=" \"$a\""; done
  local s
  s=$(hyperfine_median "$calls" part "$line")
  printf '%-52s %9s ms\n' "$label" "$(calc "1000 * $s")"
}
mkdir -p "$work/figs"
part "start-up, no plug-in: --no-default-plugins \"x = 1;\"" --no-default-plugins "x = 1;"
part "start-up with the plug-ins: \"x = 1;\"" "x = 1;"
for formats in json png svg pdf png,svg,pdf,json; do
  part "--no-pause --formats $formats" --no-pause --formats "$formats" --out "$work/figs" "$call"
done
part "png,svg,pdf,json, real pause" --formats png,svg,pdf,json --out "$work/figs" "$call"
echo "(the driver compute alone is program_bench's BM_DriverCompute; each format's own"
echo " cost is its row minus the JSON row, JSON being the cheapest; the pause is the"
echo " last row minus the one above)"

if command -v strace >/dev/null; then
  printf '\n== System calls of one whole call (strace -c -f), top entries\n'
  strace -c -f -o "$work/strace.txt" "$mexhost" --formats png,svg,pdf,json \
    --out "$work/figs" "$call" >/dev/null
  head -n $((top / 2 + 2)) "$work/strace.txt"
  strace -f -e trace=openat -o "$work/open.txt" "$mexhost" --formats png,svg,pdf,json \
    --out "$work/figs" "$call" >/dev/null
  printf 'files opened: %s, of them fonts and font configuration: %s, written figures: %s\n' \
    "$(grep -c 'openat(' "$work/open.txt")" \
    "$(grep -cE 'fontconfig|/fonts/' "$work/open.txt")" \
    "$(grep -c "$work/figs" "$work/open.txt")"
fi
echo
echo "load average $(load_average) at the end, $((SECONDS - started)) s in all;" \
  "perf data in $data (perf report -i FILE)"
