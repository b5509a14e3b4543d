#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the main job need, and
# any further packages named as arguments (bench/deps.sh names the benchmarks').
# Idempotent: packages already present are not asked for again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config libedit-dev python3
  libeigen3-dev libfftw3-dev libopenblas0
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcairo2-dev libpng-dev fonts-dejavu-core
  octave liboctave-dev gnuplot-nox
  ngspice
  chromium nodejs
  clang-14 libfuzzer-14-dev clang-format-14
  valgrind
)
packages+=("$@")

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
