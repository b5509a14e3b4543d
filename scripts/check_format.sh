#!/usr/bin/env bash
# Fails when a tracked C or C++ source differs from what clang-format makes of it
# with the repository's .clang-format; prints the places. Fix with
#   git ls-files '*.cpp' '*.hpp' '*.h' '*.c' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format || true)}
if [[ -z "$format" ]]; then
  echo "check_format: clang-format is not installed (scripts/deps.sh installs it)" >&2
  exit 1
fi
# Outside a git checkout (an unpacked archive) every source under the tree is checked.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.hpp' '*.h' '*.c')
else
  mapfile -t files < <(find . -path ./build\* -prune -o \
    \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' -o -name '*.c' \) -print)
fi
if ! "$format" --dry-run --Werror "${files[@]}"; then
  echo "check_format: the files above are not formatted; run clang-format -i on them" >&2
  exit 1
fi
echo "check_format: ${#files[@]} files formatted"
