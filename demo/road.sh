#!/usr/bin/env bash
# The road of one dialog edit, taken the way a translator takes it:
#   1. take the game's IMG archive apart            (imgtool -e -d)
#   2. take one of its DB archives apart            (dbtool -e -d)
#   3. turn the DB's dialog files into text         (dlgtool -e)
#   4. edit one line of that text                   (sed)
#   5. build the dialog file again, resizing the dialog windows (dlgtool -c -o)
#   6. rebuild the DB archive and a new IMG archive (dbtool -r, imgtool -r)
#   7. check the new archive: the new line is in it, nothing else changed
# Every command is printed before it runs ("$ ..."), a short result after it.
#
# Usage: bash demo/road.sh BIN_DIR WORK_DIR
#   BIN_DIR   directory holding the programs (build/bin)
#   WORK_DIR  work directory: new, empty, or made by an earlier run (it is then
#             emptied); the sample game is written into WORK_DIR/game and
#             every step works inside WORK_DIR
# Exit status 0 when the road ends with the new line in the new archive and
# every other file unchanged, 1 when a step fails, 2 for a wrong command line.
#
# Your own game: put your kz7.img, kz7.tbs and kz7.tbl into WORK_DIR/game
# instead of running samplegame, and set the names below. The archive tools
# return the number of files they handled (0 means nothing was done), so
# each step below checks the status it expects.

. "$(dirname "$0")/lib.sh"
road_start "$@"

# What the road edits: a DB archive of the IMG archive (named as imgtool -e -d
# names it), a dialog file of that DB (named as dbtool -e -d names it, without
# its extension), the number of the dialog within that file, the text to
# replace and the new, longer text.
DB=01/01_0000.db
DIALOG=06/00_00_0100
DIALOG_NUMBER=1
OLD_TEXT='The elder is waiting for you.'
NEW_TEXT='The village elder has been waiting for you since dawn.'

TABLE=game/kz7.tbs   # dlgtool -o finds the lengths table beside it: game/kz7.tbl

size_of() { stat -c %s "$1"; }
# Window size word of dialog $2 in dialog file $1: the flags of its script
# record, width in bits 0-11 and number of lines in bits 12-15.
window_of() {
    local word
    word=$(od -An -tu2 -j $((4 + 8 * $2 + 2)) -N2 "$1" | tr -d ' ')
    [ -n "$word" ] || word=0
    printf '%d pixels wide, %d lines (size word 0x%04X)' $((word & 0xFFF)) $((word >> 12)) "$word"
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
[ -f "img/$DB" ] || fail "img/$DB was not extracted"
result "$status files extracted into img/, DB archives: $(cd img && find . -name '*.db' | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')"

echo
echo "== 2. take the DB archive $DB apart; dialog files get the extension .dlg"
mkdir -p db
run dbtool -e -d db "img/$DB"
need_files "dbtool could not extract img/$DB"
[ -f "db/$DIALOG.dlg" ] || fail "db/$DIALOG.dlg was not extracted"
result "$status files extracted into db/, dialog files: $(cd db && find . -name '*.dlg' | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')"

echo
echo "== 3. turn the dialog files into text through the table $TABLE"
DLGDIR=$(dirname "db/$DIALOG")
run dlgtool -e -t "$TABLE" "$DLGDIR" "$DLGDIR"
need_files "dlgtool could not convert the dialog files of $DLGDIR"
grep -aqF "$OLD_TEXT" "db/$DIALOG.txt" || fail "db/$DIALOG.txt does not hold the line to edit"
result "$status dialog files converted; the line to edit:"
grep -aF "$OLD_TEXT" "db/$DIALOG.txt" | tr -d '\r' | sed 's/^/       /'

echo
echo "== 4. edit the line (a scripted substitution; a translator uses an editor)"
old_re=$(printf '%s' "$OLD_TEXT" | sed 's/[][\.*^$/]/\\&/g')
new_re=$(printf '%s' "$NEW_TEXT" | sed 's/[\&/]/\\&/g')
run sed -i "s/$old_re/$new_re/" "db/$DIALOG.txt"
need_status 0 "sed could not edit db/$DIALOG.txt"
grep -aqF "$NEW_TEXT" "db/$DIALOG.txt" || fail "the edit did not reach db/$DIALOG.txt"
result "the line now reads:"
grep -aF "$NEW_TEXT" "db/$DIALOG.txt" | tr -d '\r' | sed 's/^/       /'

echo
echo "== 5. build the dialog file from the text, recomputing the window sizes"
old_size=$(size_of "db/$DIALOG.dlg")
old_window=$(window_of "db/$DIALOG.dlg" "$DIALOG_NUMBER")
run dlgtool -c -o -t "$TABLE" "db/$DIALOG.txt" "db/$DIALOG.dlg"
need_status 1 "dlgtool could not build db/$DIALOG.dlg"
new_window=$(window_of "db/$DIALOG.dlg" "$DIALOG_NUMBER")
result "db/$DIALOG.dlg: $old_size -> $(size_of "db/$DIALOG.dlg") bytes; window of dialog $DIALOG_NUMBER: $old_window -> $new_window"

echo
echo "== 6. the dialog grew: rebuild the DB archive, then a new IMG archive"
old_db_size=$(size_of "img/$DB")
run dbtool -r -d db "img/$DB"
need_status 1 "dbtool could not rebuild img/$DB"
result "img/$DB rebuilt in place: $old_db_size -> $(size_of "img/$DB") bytes"
run imgtool -r -d img game/kz7.img kz7-new.img
need_status 1 "imgtool could not write kz7-new.img"
[ -f kz7-new.img ] || fail "kz7-new.img was not written"
result "kz7-new.img written: $(size_of kz7-new.img) bytes (game/kz7.img: $(size_of game/kz7.img) bytes)"

echo
echo "== 7. check the new archive against the original one"
run imgtool -l . kz7-new.img
need_status 1 "imgtool could not list kz7-new.img"
mkdir -p check/old check/new check/olddb check/newdb
run imgtool -e -d check/old game/kz7.img
need_files "imgtool could not extract game/kz7.img again"
old_count=$status
run imgtool -e -d check/new kz7-new.img
need_files "imgtool could not extract kz7-new.img"
result "$status files extracted from kz7-new.img, $old_count from game/kz7.img"
compare_trees check/old check/new
result "files of the IMG archive: $unchanged unchanged, changed: ${changed[*]:-none}"
[ "${#changed[@]}" -eq 1 ] && [ "${changed[0]}" = "$DB" ] ||
    fail "expected only $DB to change in the IMG archive, changed: ${changed[*]:-none}"

run dbtool -e -d check/olddb "check/old/$DB"
need_files "dbtool could not extract the original $DB"
old_count=$status
run dbtool -e -d check/newdb "check/new/$DB"
need_files "dbtool could not extract the new $DB"
result "$status files extracted from the new $DB, $old_count from the original one"
compare_trees check/olddb check/newdb
result "files of $DB: $unchanged unchanged, changed: ${changed[*]:-none}"
[ "${#changed[@]}" -eq 1 ] && [ "${changed[0]}" = "$DIALOG.dlg" ] ||
    fail "expected only $DIALOG.dlg to change in $DB, changed: ${changed[*]:-none}"

run dlgtool -e -t "$TABLE" "check/newdb/$DIALOG.dlg" "check/newdb/$DIALOG.txt"
need_status 1 "dlgtool could not convert the new dialog file"
grep -aqF "$NEW_TEXT" "check/newdb/$DIALOG.txt" || fail "the new archive does not hold the new line"
if grep -aqF "$OLD_TEXT" "check/newdb/$DIALOG.txt"; then fail "the new archive still holds the old line"; fi
result "the new archive holds the new line:"
grep -aF "$NEW_TEXT" "check/newdb/$DIALOG.txt" | tr -d '\r' | sed 's/^/       /'
before=$(window_of "check/olddb/$DIALOG.dlg" "$DIALOG_NUMBER")
after=$(window_of "check/newdb/$DIALOG.dlg" "$DIALOG_NUMBER")
[ "$before" != "$after" ] || fail "the window size of dialog $DIALOG_NUMBER was not recomputed"
result "window of dialog $DIALOG_NUMBER: $before -> $after"

echo
echo "DEMO PASSED: the new line is in kz7-new.img, every other file is unchanged ($SECONDS s)"
exit 0
