#!/usr/bin/env bash
# A whole translation with kz7, the way a translator takes it:
#   1. verify that the game survives unpacking and packing unchanged (kz7 verify)
#   2. unpack the whole game into a project folder           (kz7 unpack)
#   3. edit two dialog texts and one background picture      (sed, dd)
#   4. see what changed                                      (kz7 status)
#   5. check the texts: one window too wide, one unknown letter (kz7 check)
#   6. fix both and check again                               (kz7 check)
#   7. pack the changes into a new IMG archive               (kz7 pack)
#   8. unpack the new archive: exactly the edits are in it
# Every command is printed before it runs ("$ ..."), a short result after it.
#
# Usage: bash demo/road_5_kz7.sh BIN_DIR WORK_DIR
#   BIN_DIR   directory holding the programs (build/bin)
#   WORK_DIR  work directory: new, empty, or made by an earlier run (it is then
#             emptied); the sample game is written into WORK_DIR/game
# Exit status 0 when the new archive holds the edits and nothing else changed,
# 1 when a step fails, 2 for a wrong command line.

. "$(dirname "$0")/lib.sh"
road_start "$@"

# What the road edits, as kz7 unpack names the files.
TEXT1=work/files/01/01_0000/06/00_00_0100.txt
TEXT2=work/files/01/01_0002/06/00_00_0100.txt
FLOOR=work/files/01/01_0000/0A/02_00_0300_000_0102.bmp



road_enter_work

echo "== 0. the game: a sample game written by samplegame"
run samplegame game
need_status 0 "samplegame could not write the game"

echo
echo "== 1. does the game survive the road unchanged?"
run kz7 verify game
need_status 0 "kz7 verify found that the game does not come back byte for byte"

echo
echo "== 2. unpack the whole game"
run kz7 unpack game work
need_status 0 "kz7 could not unpack the game"

echo
echo "== 3. edit two dialogs and the floor of the first scene"
run sed -i 's/The elder is waiting for you\./The village elder has been waiting for you since dawn./' "$TEXT1"
run sed -i 's/Two coins for a night/Two c\xc3\xb6ins for one night/' "$TEXT2"
run dd "if=$FLOOR" "of=$FLOOR" bs=3072 count=1 iflag=skip_bytes oflag=seek_bytes skip=3126 seek=6198 conv=notrunc status=none
run kz7 status work
need_status 0 "kz7 status failed"

echo
echo "== 4. check the texts: the long line and the unknown letter are found"
run kz7 check work
need_status 1 "kz7 check did not find the overflow and the unknown letter"

echo
echo "== 5. fix both and check again"
run sed -i 's/The village elder has been waiting for you since dawn\./The elder waits for you since dawn./' "$TEXT1"
run sed -i 's/c\xc3\xb6ins/coins/' "$TEXT2"
run kz7 check work
need_status 0 "kz7 check still finds problems"

echo
echo "== 6. pack the changes into a new archive"
run kz7 pack work out
need_status 0 "kz7 pack failed"

echo
echo "== 7. the new archive unpacked again holds exactly the edits"
cp game/kz7.tbs game/kz7.tbl out/ || fail "cannot copy the tables"
run kz7 unpack out again
need_status 0 "kz7 could not unpack the new archive"
run kz7 unpack game orig
need_status 0 "kz7 could not unpack the game again"
changed=$(cd orig && find files -type f | LC_ALL=C sort | while IFS= read -r f; do
    cmp -s "$f" "../again/$f" || printf '%s ' "$f"; done)
result "files that differ from the game's: $changed"
for f in "${TEXT1#work/}" "${TEXT2#work/}"; do
    cmp -s "work/$f" "again/$f" || fail "the new archive does not hold the edited text of work/$f"
done
case " $changed" in *" ${FLOOR#work/} "*) ;; *) fail "the floor picture is not changed in the new archive" ;; esac
for f in $changed; do
    case $f in
        files/01/01_0000.db | files/01/01_0002.db | files/01/01_000[02]/06/00_00_0100.* | \
        files/01/01_0000/04/01_00_0200.tim | files/01/01_0000/0A/02_00_0300_000_0102.bmp) ;;
        *) fail "$f changed though nothing of it was edited" ;;
    esac
done

echo
echo "DEMO PASSED: kz7 took the game through a translation; the new archive holds exactly the edits ($SECONDS s)"
