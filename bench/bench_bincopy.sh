#!/usr/bin/env bash
# bincopy against the system tools doing the same work, median of 5 runs:
#  -t  / -tr through a Shift_JIS table of the host's iconv mapping, 64 MiB of
#        text, against iconv (outputs must be byte-identical to iconv's);
#  -i    of a 256 MiB file into a target at an offset, against dd.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${KZ7_BIN:?}
work=${KZ7_BENCH_DIR:?}/bincopy
mkdir -p "$work"
cd "$work"

# Median wall time in seconds of 5 runs of a command.
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

report() {  # name ours reference goal
  local r
  r=$(ratio "$2" "$3")
  printf '%-34s %8ss  %-18s %8ss  ratio %5s  (goal <= %s)\n' "$1" "$2" "$5" "$3" "$r" "$4"
}

python3 "$here/bincopy_sjis.py" sjis.tbs sjis.txt $((64 << 20))

iconvTo() { iconv -f SHIFT_JIS -t UTF-8 sjis.txt > ref.u8; }
iconvBack() { iconv -f UTF-8 -t SHIFT_JIS ref.u8 > ref.sj; }
tblTo() { "$bin/bincopy" -t sjis.tbs sjis.txt out.u8; }
tblBack() { "$bin/bincopy" -tr sjis.tbs ref.u8 out.sj; }

iconvTo && iconvBack && tblTo && tblBack
cmp ref.u8 out.u8 || { echo "bincopy -t output differs from iconv" >&2; exit 1; }
cmp ref.sj out.sj || { echo "bincopy -tr output differs from iconv" >&2; exit 1; }

t_iconv=$(median5 iconvTo)
t_tbl=$(median5 tblTo)
report "bincopy -t  (64 MiB Shift_JIS)" "$t_tbl" "$t_iconv" 2 "iconv"
t_iconv=$(median5 iconvBack)
t_tbl=$(median5 tblBack)
report "bincopy -tr (back to Shift_JIS)" "$t_tbl" "$t_iconv" 2 "iconv"
rm -f ref.u8 ref.sj out.u8 out.sj sjis.txt

head -c $((256 << 20)) /dev/urandom > big.bin
offset=$((4 << 18))  # 1 MiB, a whole number of dd's 256 KiB blocks
head -c $((300 << 20)) /dev/zero > target.bin
cp target.bin target-dd.bin
binI() { "$bin/bincopy" -i target.bin "$offset" big.bin; }
ddI() { dd if=big.bin of=target-dd.bin conv=notrunc bs=256K seek=$((offset / (256 << 10))) status=none; }
binI && ddI
cmp target.bin target-dd.bin || { echo "bincopy -i result differs from dd" >&2; exit 1; }
t_dd=$(median5 ddI)
t_bin=$(median5 binI)
report "bincopy -i  (256 MiB at 1 MiB)" "$t_bin" "$t_dd" 1.1 "dd"
rm -f big.bin target.bin target-dd.bin sjis.tbs
