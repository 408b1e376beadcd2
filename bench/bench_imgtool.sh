#!/usr/bin/env bash
# imgtool on a synthetic archive of 256 MiB in 4096 files (both directory
# types): extraction against tar -xf of the same files, recreation against
# cat of the same files into one file; medians of 5 runs and peak memory.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${KZ7_BIN:?KZ7_BIN must name the release binaries}
work=${KZ7_BENCH_DIR:?KZ7_BENCH_DIR must name a scratch directory}/imgtool
imgtool="$bin/imgtool"
runs=5

rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

g++ -O2 -std=c++20 "$here/imgtool_gen.cpp" -o "$work/gen"
"$work/gen" "$work/kz7.img"

# The same files for the reference tools: a tar of the extracted tree, and
# the list of files in archive order (names sort in directory/table order).
mkdir "$work/tree"
count=0
"$imgtool" -e "$work/tree" "$work/kz7.img" || count=$?
files=$(find "$work/tree" -type f | wc -l)
if [ "$files" -ne 4096 ] || [ "$count" -ne 255 ]; then
  echo "bench_imgtool: extraction gave $files files, exit code $count" >&2
  exit 1
fi
(cd "$work/tree" && tar -cf "$work/files.tar" .)
mapfile -t ordered < <(cd "$work/tree" && find . -type f | sort)

now() { date +%s%N; }
median() { sort -n | sed -n "$(((runs + 1) / 2))p"; }

# time_one NAME PREPARE COMMAND: runs PREPARE (untimed) then COMMAND, adding
# its time in ms to $work/NAME.ms and its peak RSS in KiB to $work/NAME.rss.
time_one() {
  local name=$1 prepare=$2 command=$3 t0 t1
  eval "$prepare"
  sync
  t0=$(now)
  eval "/usr/bin/time -f %M -o '$work/rss.tmp' $command" >/dev/null 2>&1 || true
  t1=$(now)
  echo $(((t1 - t0) / 1000000)) >>"$work/$name.ms"
  cat "$work/rss.tmp" >>"$work/$name.rss"
}

# time_pair NAME_A PREPARE_A COMMAND_A NAME_B PREPARE_B COMMAND_B: the two
# commands alternate, so a change in the machine's load hits both alike.
time_pair() {
  : >"$work/$1.ms"; : >"$work/$1.rss"; : >"$work/$4.ms"; : >"$work/$4.rss"
  for _ in $(seq $runs); do
    time_one "$1" "$2" "$3"
    time_one "$4" "$5" "$6"
  done
}

report() {
  local what=$1 mine=$2 ref=$3 refname=$4 goal=${5:-(goal <= 1.25)}
  local m r
  m=$(median <"$work/$mine.ms")
  r=$(median <"$work/$ref.ms")
  awk -v w="$what" -v m="$m" -v r="$r" -v n="$refname" -v g="$goal" 'BEGIN {
    printf "%-34s %6d ms   %-10s %6d ms   ratio %.2f %s\n", w, m, n, r, (r > 0 ? m / r : 0), g }'
}

cd "$work"
time_pair extract 'rm -rf out && mkdir out' '"$imgtool" -e out kz7.img' \
          untar 'rm -rf out && mkdir out' 'tar -xf files.tar -C out'
cd "$work/tree"
cp ../kz7.img ../inplace.img
time_pair recreate 'rm -f ../new.img' '"$imgtool" -r . ../kz7.img ../new.img' \
          cat 'rm -f ../new.cat' 'sh -c '"'"'cat "$@" >../new.cat'"'"' cat "${ordered[@]}"'
cmp -s ../new.img ../kz7.img || { echo "bench_imgtool: recreated archive differs" >&2; exit 1; }
: >"$work/inplace.ms"; : >"$work/inplace.rss"
for _ in $(seq $runs); do time_one inplace ':' '"$imgtool" -r . ../inplace.img'; done
cmp -s ../inplace.img ../kz7.img || { echo "bench_imgtool: archive recreated in place differs" >&2; exit 1; }

echo "archive: $(stat -c %s "$work/kz7.img") bytes (256 MiB of file data), 4096 files, median of $runs runs"
report "imgtool -e" extract untar "tar -xf"
report "imgtool -r DIR IMG out" recreate cat "cat"
# Replacing the input flushes the whole new archive to disk first, which cat
# does not do: shown for information, not held to the goal.
report "imgtool -r DIR IMG (fsync+rename)" inplace cat "cat" "(flushes to disk; no goal)"
echo "peak RSS imgtool -e: $(sort -n "$work/extract.rss" | tail -1) KiB, imgtool -r: $(sort -n "$work/recreate.rss" "$work/inplace.rss" | tail -1) KiB (goal <= 16384 KiB)"
