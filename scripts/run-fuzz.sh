#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given seconds, each from the
# seed corpus its seed writer makes. Fails when any target finds a fault.
set -euo pipefail
build=$1
seconds=$2
bin="$build/bin"
status=0
shopt -s nullglob
targets=("$bin"/*_fuzz)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets built" >&2
  exit 1
fi
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  artifacts="$build/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  seeds="$bin/${name%_fuzz}_seeds"
  [ -x "$seeds" ] && "$seeds" "$corpus"
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
       -print_final_stats=0 -artifact_prefix="$artifacts" "$corpus" >"$build/$name.log" 2>&1; then
    echo "fuzz: $name FAILED (log: $build/$name.log)" >&2
    tail -n 40 "$build/$name.log" >&2
    status=1
  fi
done
exit $status
