#!/usr/bin/env bash
# bgtool on a synthetic background of 1024 x 512 pixels in 64 tile sets of
# 8-bit tiles, 64 palettes and 8 TIMs: extraction writes 64 full-size
# pictures (96 MiB), against cat writing 64 files of the same size into a
# fresh folder (the floor: writing those bytes); import of the 64 pictures
# with every cell edited, against ImageMagick mapping the whole edited
# background to one 256-colour palette (convert -remap); medians of 5 runs
# and peak memory.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
bin=${KZ7_BIN:?KZ7_BIN must name the release binaries}
work=${KZ7_BENCH_DIR:?KZ7_BENCH_DIR must name a scratch directory}/bgtool
bgtool="$bin/bgtool"
runs=5

rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

g++ -O2 -std=c++20 -I"$root/samplegame" -I"$root/!libs" "$here/bgtool_gen.cpp" \
    "$root/samplegame/sampletim.cpp" -o "$work/gen"
"$work/gen" "$work"

cd "$work"
mkdir out
"$bgtool" -e bg.0a tims out/
pictures=$(find out -name '*.bmp' | wc -l)
if [ "$pictures" -ne 64 ]; then
  echo "bench_bgtool: extraction wrote $pictures pictures, expected 64" >&2
  exit 1
fi
cp out/_000_0100.bmp picture.bmp
"$work/gen" edit "$work"
convert=convert
[ -x /usr/bin/convert ] && convert=/usr/bin/convert

now() { date +%s%N; }
median() { sort -n | sed -n "$(((runs + 1) / 2))p"; }

time_one() {   # NAME PREPARE COMMAND: time in ms to NAME.ms, peak RSS in KiB to NAME.rss
  local name=$1 prepare=$2 command=$3 t0 t1
  eval "$prepare"
  sync
  t0=$(now)
  eval "/usr/bin/time -f %M -o '$work/rss.tmp' $command" >/dev/null 2>&1 || true
  t1=$(now)
  echo $(((t1 - t0) / 1000000)) >>"$work/$name.ms"
  cat "$work/rss.tmp" >>"$work/$name.rss"
}

time_pair() {  # the two commands alternate, so load changes hit both alike
  : >"$work/$1.ms"; : >"$work/$1.rss"; : >"$work/$4.ms"; : >"$work/$4.rss"
  for _ in $(seq $runs); do
    time_one "$1" "$2" "$3"
    time_one "$4" "$5" "$6"
  done
}

report() {
  local what=$1 mine=$2 ref=$3 refname=$4 goal=$5 m r
  m=$(median <"$work/$mine.ms")
  r=$(median <"$work/$ref.ms")
  awk -v w="$what" -v m="$m" -v r="$r" -v n="$refname" -v g="$goal" 'BEGIN {
    printf "%-34s %6d ms   %-14s %6d ms   ratio %.2f %s\n", w, m, n, r, (r > 0 ? m / r : 0), g }'
}

time_pair extract 'rm -rf out && mkdir out' '"$bgtool" -e bg.0a tims out/' \
          cat 'rm -rf out && mkdir out' \
          'sh -c '"'"'for i in $(seq 64); do cat picture.bmp >out/$i.bmp; done'"'"''

# Every whole output file goes to disk before it is renamed into place (the
# shared output routine flushes it), which cat does not do: the same copies
# each flushed with sync show what that flush costs on this machine.
time_pair extract2 'rm -rf out && mkdir out' '"$bgtool" -e bg.0a tims out/' \
          catsync 'rm -rf out && mkdir out' \
          'sh -c '"'"'for i in $(seq 64); do cat picture.bmp >out/$i.bmp; sync out/$i.bmp; done'"'"''

time_pair import 'rm -rf res && mkdir res' '"$bgtool" -i bg.0a tims edited/ res/' \
          remap 'rm -f remap.bmp' '"$convert" edited.bmp -remap palette.bmp remap.bmp'

echo "background: 1024 x 512 pixels, 64 tile sets, 64 palettes, 8 TIMs; 64 pictures of $(stat -c %s picture.bmp) bytes; median of $runs runs"
report "bgtool -e (64 pictures)" extract cat "cat x 64" "(goal <= 2.0)"
report "bgtool -e (64 pictures)" extract2 catsync "cat+sync x 64" "(flushed alike; no goal)"
report "bgtool -i (64 edited pictures)" import remap "convert -remap" "(goal <= 1.0)"
echo "peak RSS bgtool -e: $(sort -n "$work/extract.rss" | tail -1) KiB, bgtool -i: $(sort -n "$work/import.rss" | tail -1) KiB"
