#!/usr/bin/env bash
# Runs every benchmark script bench/bench_*.sh against the Release build.
# Each prints its timings and ratios to a named reference tool.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export KZ7_BIN="$here/../build/bin"
export KZ7_BENCH_DIR="${KZ7_BENCH_DIR:-$here/../build/bench}"
mkdir -p "$KZ7_BENCH_DIR"
status=0
for script in "$here"/bench_*.sh; do
  [ -e "$script" ] || continue
  echo "== $(basename "$script")"
  bash "$script" || status=1
done
exit $status
