#!/usr/bin/env bash
# valgrind memcheck over mexhost: the main job, the cross-section and a dozen
# failing calls of both plug-ins and the local functions, in one session.
# Prints valgrind's error and leak summaries; exits non-zero if any memory error
# is found or any byte is definitely or indirectly lost. The blocks that the
# system's font libraries lose on their own are suppressed (system.supp) and
# counted under "suppressed"; every other lost block would come from our code.
#
#   tests/memcheck/memcheck.sh [BUILD_DIR]     (default: build; about a minute)
#
# Not part of ctest: valgrind makes the run some thirty times slower.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
mexhost="$build/mexhost/mexhost"
[ -x "$mexhost" ] || { echo "no $mexhost: build first" >&2; exit 2; }
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

statements=(
  "vextrab(0.1, 'matchad', [50 Inf])"
  "vextrab(0.1)"
  "vextral(0.1, 'm', [50 0])"
  # failing calls
  "vextrab(0.1, 'm', 'm', 1)"
  "x = vextral(0.1, 'm', 'm')"
  "vextrab()"
  "vextral(0.1, 'm')"
  "vextrab([0.1 0.1 0.1])"
  "vextrab({0.1}, 'm', 'm')"
  "vextral(0.1, 'm', [50; Inf])"
  "vextrab(0.1, 'm', zeros(1, 2, 2))"
  "vextrab(NaN, 'm', 'm')"
  "ftrapez(1, [1 2], [1 2 3], 1)"
  "plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 200, 4)"
  "plattm([1 0.2 0.2], [-0.2 0.2], 0.1, 1e7)"
  "mtlfd(1:3, 0.1, ones(2, 1, 2), 50, [0; 0], 50, eye(2), eye(2))"
  "iffts({1}, 1)"
  "c = 1; for k = 1:300, c = {c}; end; vextrab(c)"
)

cd "$work"
set +e
valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
  --errors-for-leak-kinds=none --num-callers=40 \
  --suppressions="$root/tests/memcheck/system.supp" --log-file="$work/memcheck.log" \
  "$mexhost" --no-pause --expose-local --formats png,svg,json --out figs "${statements[@]}" \
  >"$work/stdout.txt" 2>"$work/stderr.txt"
status=$?
set -e

echo "mexhost exit status: $status (1: some statements failed, as intended)"
echo "statements run: ${#statements[@]}, error lines: $(grep -c '^error: ' "$work/stderr.txt" || true)"
log=$(sed -n 's/^==[0-9]*== //p' "$work/memcheck.log")
definite=$(sed -n 's/^ *definitely lost: \([0-9,]*\) bytes.*/\1/p' <<<"$log" | tr -d ,)
indirect=$(sed -n 's/^ *indirectly lost: \([0-9,]*\) bytes.*/\1/p' <<<"$log" | tr -d ,)
errors=$(sed -n 's/^ERROR SUMMARY: \([0-9,]*\) errors.*/\1/p' <<<"$log" | tr -d ,)
if [ "${definite:-0}" != 0 ] || [ "${indirect:-0}" != 0 ] || [ "${errors:-1}" != 0 ]; then
  # The loss records and errors, for whoever has to find them.
  sed -n '/^HEAP SUMMARY/,$p' <<<"$log"
else
  sed -n '/^HEAP SUMMARY/,/^ *total heap usage/p; /^LEAK SUMMARY/,/^ *suppressed/p; /^ERROR SUMMARY/p' <<<"$log"
fi
# With no leak at all valgrind prints "All heap blocks were freed" instead.
[ "${definite:-0}" = 0 ] && [ "${indirect:-0}" = 0 ] && [ "${errors:-1}" = 0 ]
