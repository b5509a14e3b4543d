#!/usr/bin/env bash
# Installs the Debian packages the benchmarks need beyond the build's own
# (scripts/deps.sh): hyperfine for whole-process timings, GNU time for peak memory,
# OpenBLAS as Octave's BLAS and LAPACK, perf and strace for the profile.
# Idempotent: packages already present are not asked for again.
set -euo pipefail
exec bash "$(dirname "$0")/../scripts/deps.sh" hyperfine time libopenblas0 linux-perf strace
