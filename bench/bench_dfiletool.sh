#!/usr/bin/env bash
# dfiletool against cat moving the same bytes, median of 5 runs: a 64 MiB
# data file of 1024 elements behind a 4440 header split into one DFile, and
# the DFile joined back into a data file (which must equal the original).
# dfiletool flushes an output to disk before it replaces an older one; cat
# does not, hence the goal of 3.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${KZ7_BIN:?}
work=${KZ7_BENCH_DIR:?}/dfiletool
mkdir -p "$work"
cd "$work"

. "$here/lib.sh"

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
