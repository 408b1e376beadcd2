#!/usr/bin/env bash
# kz7str importing 2000 frames into a 700 MB raw CD image, against dd
# conv=notrunc writing the same bytes at the same positions; median of 5.
# kz7str reads each game frame, checks and renews the EDCs of its eight
# video sectors and writes it back; dd only writes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${KZ7_BIN:?}
work=${KZ7_BENCH_DIR:?}/kz7str
mkdir -p "$work"
cd "$work"

frames=2000
frame=23520
pos=$((100 * frame))  # a whole number of frames, so dd can seek in frames

median5() {
  local times=()
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    times+=($(( t1 - t0 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p | awk '{ printf "%.3f", $1 / 1e9 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

python3 "$here/kz7str_gen.py" kz7.bin movie.str $((700 * 1000 * 1000)) "$pos" "$frames"
cp kz7.bin dd.bin

import() { "$bin/kz7str" kz7.bin movie.str "$pos" 2>kz7str.err; }
import
[ ! -s kz7str.err ] || { cat kz7str.err >&2; exit 1; }
# dd writes what the import wrote: the frames' new bytes, at the same place.
dd if=kz7.bin of=frames.bin bs=$frame skip=$((pos / frame)) count=$frames status=none
ddWrite() { dd if=frames.bin of=dd.bin bs=$frame seek=$((pos / frame)) conv=notrunc status=none; }
ddWrite
cmp kz7.bin dd.bin || { echo "kz7str and dd results differ" >&2; exit 1; }

t_dd=$(median5 ddWrite)
t_kz=$(median5 import)
printf '%-34s %8ss  %-18s %8ss  ratio %5s  (goal <= %s)\n' "kz7str (2000 frames, 700 MB image)" \
  "$t_kz" "dd conv=notrunc" "$t_dd" "$(ratio "$t_kz" "$t_dd")" 1.5
rm -f kz7.bin dd.bin frames.bin movie.str kz7str.err
