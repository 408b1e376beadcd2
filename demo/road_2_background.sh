#!/usr/bin/env bash
# The road of one background edit, taken the way a translator takes it:
#   1. take the game's IMG archive apart             (imgtool -e -d)
#   2. take one of its DB archives apart             (dbtool -e -d)
#   3. list the background's tile info file          (bgtool -l)
#   4. draw each tile set of it into a BMP picture   (bgtool -e)
#   5. edit the pictures: redraw some cells with other cells of the same
#      picture (colours of the background's own palettes), by copying rows
#      of pixels (dd; a translator uses a paint program)
#   6. put the pictures back into the TIMs and the tile info file (bgtool -i)
#   7. rebuild the DB archive and a new IMG archive  (dbtool -r, imgtool -r)
#   8. check the new archive: extracted again, its pictures show the edit
#      where tiles have one user and the old texels where tiles are shared;
#      every other file is unchanged
# Every command is printed before it runs ("$ ..."), a short result after it.
#
# Usage: bash demo/road_2_background.sh BIN_DIR WORK_DIR
#   BIN_DIR   directory holding the programs (build/bin)
#   WORK_DIR  work directory: new, empty, or made by an earlier run (it is then
#             emptied); the sample game is written into WORK_DIR/game
# Exit status 0 when the new archive shows the edit and nothing else changed,
# 1 when a step fails, 2 for a wrong command line.

. "$(dirname "$0")/lib.sh"
road_start "$@"

# What the road edits: a DB archive of the IMG archive, its tile info file
# and TIM folder (named as dbtool -e -d names them), and the pictures bgtool
# -e draws of the background's three tile sets: an 8-bit floor, a 4-bit fence
# and a roof made of two of the floor's tiles.
DB=01/01_0000.db
INFO=0A/02_00_0300.0a
TIMS=04
FLOOR=_000_0102.bmp
FENCE=_001_0203_4bit.bmp
ROOF=_002_0304.bmp


# Cells of 16 x 16 pixels in which two 64 x 48 pictures of 24 bits differ,
# as "x,y" of their top left pixels.
cells_differing() {
    cmp -l "$1" "$2" | awk '{ p = int(($1 - 55) / 3); x = p % 64; y = 47 - int(p / 64);
        c[int(x / 16) * 16 "," int(y / 16) * 16] = 1 }
        END { for (k in c) print k }' | LC_ALL=C sort | tr '\n' ' '
}

road_enter_work

echo "== 0. the game: a sample game written by samplegame"
run samplegame game
need_status 0 "samplegame could not write the game"

echo
echo "== 1. take the IMG archive apart; DB archives get the extension .db"
mkdir -p img
run imgtool -e -d img game/kz7.img
need_files "imgtool could not extract game/kz7.img"

echo
echo "== 2. take the DB archive $DB apart; TIMs get the extension .tim, tile info files .0a"
mkdir -p db
run dbtool -e -d db "img/$DB"
need_files "dbtool could not extract img/$DB"
[ -f "db/$INFO" ] || fail "db/$INFO was not extracted"
result "$status files extracted into db/; TIMs: $(cd "db/$TIMS" && ls | tr '\n' ' ')"

echo
echo "== 3. list the tile info file"
run bgtool -l "db/$INFO"
need_status 0 "bgtool could not list db/$INFO"

echo
echo "== 4. draw every tile set into a picture of the whole background"
mkdir -p bmp
run bgtool -e "db/$INFO" "db/$TIMS" bmp/
need_status 0 "bgtool could not extract db/$INFO"
for p in "$FLOOR" "$FENCE" "$ROOF"; do [ -f "bmp/$p" ] || fail "bmp/$p was not written"; done
mkdir -p orig && cp bmp/*.bmp orig/
result "pictures: $(cd bmp && ls | tr '\n' ' ')"

echo
echo "== 5. edit: the floor's bottom row of tiles redrawn over its top row, the"
echo "   top half of the fence (and roof) rows redrawn over their bottom half"
# Rows are stored bottom-up after a 54-byte header, 192 bytes each: picture
# rows 16-31 are file rows 16-31, rows 0-15 file rows 32-47.
run dd if="bmp/$FLOOR" of="bmp/$FLOOR" bs=3072 count=1 iflag=skip_bytes oflag=seek_bytes \
    skip=$((54 + 16 * 192)) seek=$((54 + 32 * 192)) conv=notrunc status=none
need_status 0 "dd could not edit bmp/$FLOOR"
for p in "$FENCE" "$ROOF"; do
    run dd if="bmp/$p" of="bmp/$p" bs=1536 count=1 iflag=skip_bytes oflag=seek_bytes \
        skip=$((54 + 8 * 192)) seek=54 conv=notrunc status=none
    need_status 0 "dd could not edit bmp/$p"
done
result "cells changed in $FLOOR: $(cells_differing orig/$FLOOR bmp/$FLOOR)"
result "cells changed in $FENCE: $(cells_differing orig/$FENCE bmp/$FENCE)"
result "cells changed in $ROOF: $(cells_differing orig/$ROOF bmp/$ROOF)"

echo
echo "== 6. put the pictures back; tiles that another tile set also uses are left alone"
mkdir -p new
run bgtool -i "db/$INFO" "db/$TIMS" bmp/ new/
need_status 0 "bgtool could not import into db/$INFO"
for f in "db/$INFO" db/"$TIMS"/*.tim; do
    [ -f "new/$(basename "$f")" ] || fail "new/$(basename "$f") was not written"
done
changed_files=()
for f in db/"$TIMS"/*.tim "db/$INFO"; do
    cmp -s "$f" "new/$(basename "$f")" || changed_files+=("$(basename "$f")")
done
result "written into new/: $(cd new && ls | tr '\n' ' '); changed: ${changed_files[*]:-none}"
cp new/*.tim "db/$TIMS/" && cp "new/$(basename "$INFO")" "db/$INFO" || fail "cannot copy new/ into db/"

echo
echo "== 7. rebuild the DB archive, then a new IMG archive"
run dbtool -r -d db "img/$DB"
need_status 1 "dbtool could not rebuild img/$DB"
run imgtool -r -d img game/kz7.img kz7-new.img
need_status 1 "imgtool could not write kz7-new.img"

echo
echo "== 8. check the new archive against the original one"
mkdir -p check/old check/new check/olddb check/newdb check/bmp
run imgtool -e -d check/old game/kz7.img
need_files "imgtool could not extract game/kz7.img again"
run imgtool -e -d check/new kz7-new.img
need_files "imgtool could not extract kz7-new.img"
compare_trees check/old check/new
result "files of the IMG archive: $unchanged unchanged, changed: ${changed[*]:-none}"
[ "${#changed[@]}" -eq 1 ] && [ "${changed[0]}" = "$DB" ] ||
    fail "expected only $DB to change in the IMG archive, changed: ${changed[*]:-none}"
run dbtool -e -d check/olddb "check/old/$DB"
need_files "dbtool could not extract the original $DB"
run dbtool -e -d check/newdb "check/new/$DB"
need_files "dbtool could not extract the new $DB"
compare_trees check/olddb check/newdb
result "files of $DB: $unchanged unchanged, changed: ${changed[*]:-none}"
[ "${changed[*]:-}" = "$TIMS/01_00_0200.tim $TIMS/01_01_0201.tim" ] ||
    fail "expected only the two texture TIMs to change in $DB, changed: ${changed[*]:-none}"
run bgtool -e "check/newdb/$INFO" "check/newdb/$TIMS" check/bmp/
need_status 0 "bgtool could not extract the new background"
floor=$(cells_differing "bmp/$FLOOR" "check/bmp/$FLOOR")
result "$FLOOR: the new archive differs from the edited picture in cells: ${floor:-none}(the shared tiles)"
[ "$floor" = "0,0 16,0 " ] || fail "the floor's unshared cells do not show the edit"
cmp -s "bmp/$FENCE" "check/bmp/$FENCE" || fail "the fence does not show the edit"
result "$FENCE: the new archive shows the edited picture"
cmp -s "orig/$ROOF" "check/bmp/$ROOF" || fail "the roof's shared tiles changed"
result "$ROOF: the new archive shows the old picture (its tiles are shared with the floor)"

echo
echo "DEMO PASSED: the edit is in kz7-new.img where tiles have one user, every other file is unchanged ($SECONDS s)"
exit 0
