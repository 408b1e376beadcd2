#!/usr/bin/env bash
# dfiletool against cat moving the same bytes, median of 5 runs: a 64 MiB
# data file of 1024 elements behind a 4440 header split into one DFile, and
# the DFile joined back into a data file (which must equal the original).
# dfiletool flushes each finished output to disk before it replaces the old
# one; cat does not, hence the goal of 3.
set -euo pipefail
bin=${KZ7_BIN:?}
work=${KZ7_BENCH_DIR:?}/dfiletool
mkdir -p "$work"
cd "$work"

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

report() {  # name ours reference goal reference-name
  printf '%-34s %8ss  %-18s %8ss  ratio %5s  (goal <= %s)\n' "$1" "$2" "$5" "$3" \
    "$(ratio "$2" "$3")" "$4"
}

count=1024
size=$((64 << 10))
head -c $((count * size)) /dev/urandom > body.bin
python3 - "$count" "$size" > header.bin <<'PY'
import struct, sys
n, size = int(sys.argv[1]), int(sys.argv[2])
base = 4 + 8 * n
sys.stdout.buffer.write(struct.pack('<I', n) + b''.join(struct.pack('<II', base + i * size, size) for i in range(n)))
PY
cat header.bin body.bin > data.bin

split() { "$bin/dfiletool" 4440 data.bin data.txt; }
join() { "$bin/dfiletool" -j 4440 data.txt joined.bin; }
catSplit() { cat body.bin > cat.txt; }
catJoin() { cat header.bin body.bin > cat.bin; }
split >/dev/null && join >/dev/null
cmp data.bin joined.bin || { echo "dfiletool -j did not give the data file back" >&2; exit 1; }

t_cat=$(median5 catSplit)
t_ours=$(median5 split)
report "dfiletool split (64 MiB, 1024)" "$t_ours" "$t_cat" 3 "cat"
t_cat=$(median5 catJoin)
t_ours=$(median5 join)
report "dfiletool -j    (64 MiB, 1024)" "$t_ours" "$t_cat" 3 "cat"
rm -f body.bin header.bin data.bin data.txt joined.bin cat.txt cat.bin
