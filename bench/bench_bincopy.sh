#!/usr/bin/env bash
# bincopy against the system tools doing the same work, median of 5 runs:
#  -t  / -tr through a Shift_JIS table of the host's iconv mapping, against
#        iconv (outputs must be byte-identical to iconv's), on two texts of
#        64 MiB: a mix of mostly double-byte codes, ASCII and kana with CR LF
#        line ends; and codes drawn uniformly from the table without control
#        codes (7,037 entries), an LF about one code in twenty;
#  -i    of a 256 MiB file into a target at an offset, against dd.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${KZ7_BIN:?}
work=${KZ7_BENCH_DIR:?}/bincopy
mkdir -p "$work"
cd "$work"

. "$here/lib.sh"

# Both directions of one text: NAME MIX GOAL.
tableWorkload() {
  local name=$1 t_iconv t_tbl
  python3 "$here/bincopy_sjis.py" sjis.tbs sjis.txt $((64 << 20)) "$2"
  iconvTo && iconvBack && tblTo && tblBack
  cmp ref.u8 out.u8 || { echo "bincopy -t output differs from iconv ($name)" >&2; exit 1; }
  cmp ref.sj out.sj || { echo "bincopy -tr output differs from iconv ($name)" >&2; exit 1; }
  read -r t_tbl t_iconv < <(median5pair tblTo iconvTo)
  report "bincopy -t  ($name)" "$t_tbl" "$t_iconv" "$3" "iconv"
  read -r t_tbl t_iconv < <(median5pair tblBack iconvBack)
  report "bincopy -tr ($name, back)" "$t_tbl" "$t_iconv" "$3" "iconv"
  rm -f ref.u8 ref.sj out.u8 out.sj sjis.txt sjis.tbs
}

iconvTo() { iconv -f SHIFT_JIS -t UTF-8 sjis.txt > ref.u8; }
iconvBack() { iconv -f UTF-8 -t SHIFT_JIS ref.u8 > ref.sj; }
tblTo() { "$bin/bincopy" -t sjis.tbs sjis.txt out.u8; }
tblBack() { "$bin/bincopy" -tr sjis.tbs ref.u8 out.sj; }

tableWorkload "64 MiB mixed" mixed 2
tableWorkload "64 MiB uniform" uniform 1.0

head -c $((256 << 20)) /dev/urandom > big.bin
offset=$((4 << 18))  # 1 MiB, a whole number of dd's 256 KiB blocks
# Both targets made alike: how a file was written last changes how fast the
# kernel writes into it again.
head -c $((300 << 20)) /dev/zero > target.bin
head -c $((300 << 20)) /dev/zero > target-dd.bin
binI() { "$bin/bincopy" -i target.bin "$offset" big.bin; }
ddI() { dd if=big.bin of=target-dd.bin conv=notrunc bs=256K seek=$((offset / (256 << 10))) status=none; }
binI && ddI
cmp target.bin target-dd.bin || { echo "bincopy -i result differs from dd" >&2; exit 1; }
# Taken in turn, with the new data of the setup flushed first, so that the
# kernel's write-back of one command's pages falls on both alike.
sync
read -r t_bin t_dd < <(median5pair binI ddI)
report "bincopy -i  (256 MiB at 1 MiB)" "$t_bin" "$t_dd" 1.1 "dd"
rm -f big.bin target.bin target-dd.bin
