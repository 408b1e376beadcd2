#!/usr/bin/env bash
# The road of a movie: the frames of a STR movie (as a movie converter writes
# it from an AVI) go into the game's movie inside the raw CD image, in place.
#   1. write the sample game: kz7.bin (raw CD image, the game movie starts at
#      byte FramePos) and movie.str (the new movie, 2048-byte sectors)
#   2. import the movie                     (kz7str kz7.bin movie.str FramePos)
#   3. check: every game frame holds its STR frame's data in the game's
#      layout (sector 9 first) with its rlnght and qscale, every sector's EDC
#      is valid, every byte outside the movie's video sectors is unchanged
# Every command is printed before it runs ("$ ..."), a short result after it.
#
# Usage: bash demo/road_3_movie.sh BIN_DIR WORK_DIR
# Exit status 0 when every check holds, 1 when a step fails, 2 for a wrong
# command line.
#
# Your own game: put your raw image and STR movie into WORK_DIR/game instead
# of running samplegame and set the names, FRAMEPOS and FRAMES below.

. "$(dirname "$0")/lib.sh"
road_start "$@"

IMAGE=game/kz7.bin
MOVIE=game/movie.str
FRAMEPOS=9408   # byte of the first sector of the game movie's first frame
FRAMES=3        # frames of movie.str

SECTOR=2352
FRAME=$((10 * SECTOR))
CHUNK=2292      # movie data in one of the game's video sectors

u16() { od -An -v -tu2 --endian=little -j "$2" -N2 "$1" | tr -d ' '; }
u32() { od -An -v -tu4 --endian=little -j "$2" -N4 "$1" | tr -d ' '; }
bytes() { tail -c +$(($2 + 1)) "$1" | head -c "$3"; }   # FILE OFFSET COUNT

# CD-ROM EDC: CRC-32 of the reversed polynomial 0x8001801B (0xD8018001),
# without inversions, over bytes 16 to 2347 of a sector.
EDC_TABLE=()
for ((i = 0; i < 256; i++)); do
    c=$i
    for ((k = 0; k < 8; k++)); do
        if ((c & 1)); then c=$(((c >> 1) ^ 0xD8018001)); else c=$((c >> 1)); fi
    done
    EDC_TABLE[i]=$c
done
edc_of() {   # FILE OFFSET: the EDC of the sector at OFFSET
    local crc=0 b
    for b in $(od -An -v -tu1 -j $(($2 + 16)) -N 2332 "$1"); do
        crc=$(((crc >> 8) ^ EDC_TABLE[(crc ^ b) & 255]))
    done
    echo "$crc"
}
check_edcs() {   # FILE: sets $bad to the sectors whose EDC does not match
    local n sectors
    sectors=$(($(stat -c %s "$1") / SECTOR))
    bad=()
    for ((n = 0; n < sectors; n++)); do
        [ "$(edc_of "$1" $((n * SECTOR)))" = "$(u32 "$1" $((n * SECTOR + 2348)))" ] || bad+=("$n")
    done
}

road_enter_work

echo "== 1. the game: a raw CD image with a movie, and a new STR movie"
run samplegame game
[ "$status" -eq 0 ] || fail "samplegame could not write the game (exit status $status)"
cp "$IMAGE" before.bin || fail "cannot keep a copy of $IMAGE"
check_edcs before.bin
[ ${#bad[@]} -eq 0 ] || fail "the sample image has sectors with a wrong EDC: ${bad[*]}"
result "$IMAGE: $(($(stat -c %s "$IMAGE") / SECTOR)) sectors, every EDC valid; $MOVIE: $(($(stat -c %s "$MOVIE") / 2048)) sectors"

echo
echo "== 2. import the movie into the game's frames from byte $FRAMEPOS"
run kz7str "$IMAGE" "$MOVIE" "$FRAMEPOS" 2> kz7str.err
cat kz7str.err
[ "$status" -eq 0 ] || fail "kz7str ended with exit status $status"
[ ! -s kz7str.err ] || fail "kz7str reported a problem"
result "$(cmp -l before.bin "$IMAGE" | wc -l) bytes of $IMAGE changed"

echo
echo "== 3. check the image"
str=0
for ((n = 0; n < FRAMES; n++)); do
    game=$((FRAMEPOS + n * FRAME))
    count=$(u16 "$MOVIE" $((str + 6)))
    # The STR frame's data, cut or filled with 0xFF to the game's 18336 bytes.
    for ((k = 0; k < count; k++)); do bytes "$MOVIE" $((str + k * 2048 + 32)) 2016; done > want.dat
    head -c $((8 * CHUNK)) /dev/zero | tr '\0' '\377' >> want.dat
    head -c $((8 * CHUNK)) want.dat > want18336.dat
    for s in 9 8 7 6 5 4 3 2; do bytes "$IMAGE" $((game + s * SECTOR + 24 + 32)) $CHUNK; done > got.dat
    cmp -s want18336.dat got.dat || fail "game frame $n does not hold STR frame $n in the game's layout"
    for s in 2 3 4 5 6 7 8 9; do
        h=$((game + s * SECTOR + 24))
        [ "$(u16 "$IMAGE" $((h + 20)))" = "$(u16 "$MOVIE" $((str + 20)))" ] &&
            [ "$(u16 "$IMAGE" $((h + 24)))" = "$(u16 "$MOVIE" $((str + 24)))" ] ||
            fail "rlnght or qscale of sector $s of game frame $n is not the STR frame's"
    done
    result "game frame $n at byte $game: the $((count * 2016)) bytes of STR frame $n (sectors 9 to 2), rlnght $(u16 "$IMAGE" $((game + 2 * SECTOR + 44))), qscale $(u16 "$IMAGE" $((game + 2 * SECTOR + 48)))"
    str=$((str + count * 2048))
done

check_edcs "$IMAGE"
[ ${#bad[@]} -eq 0 ] || fail "sectors with a wrong EDC after the import: ${bad[*]}"
result "every sector's EDC is valid"

# Outside the video sectors (2 to 9 of each frame) every byte is as it was;
# inside them only the movie data, rlnght, qscale and the EDC may change.
changed_outside=0
while read -r pos _; do
    off=$((pos - 1 - FRAMEPOS))
    rel=$((off % FRAME % SECTOR))
    if ((off < 0 || off >= FRAMES * FRAME || off % FRAME < 2 * SECTOR)) ||
        ! ((rel >= 56 || rel == 44 || rel == 45 || rel == 48 || rel == 49)); then
        changed_outside=$((changed_outside + 1))
    fi
done < <(cmp -l before.bin "$IMAGE")
[ "$changed_outside" -eq 0 ] || fail "$changed_outside bytes changed outside the movie data and headers"
result "no byte outside the movie data, rlnght, qscale and EDCs of the video sectors changed"

echo
echo "DEMO PASSED: the movie is in $IMAGE, every EDC is valid, nothing else changed ($SECONDS s)"
exit 0
