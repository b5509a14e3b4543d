#!/usr/bin/env bash
# Installs the Debian packages the benchmarks need beyond the build's own
# (scripts/deps.sh): hyperfine for whole-process timings, GNU time for peak memory,
# OpenBLAS as Octave's BLAS and LAPACK, perf and strace for the profile.
# Idempotent: packages already present are not asked for again.
set -euo pipefail

packages=(hyperfine time libopenblas0 linux-perf strace)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
"${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}"
