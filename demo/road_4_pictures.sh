#!/usr/bin/env bash
# The road of a movie: numbered pictures and a soundtrack become AVI movies.
#   1. write the sample game; its movie pictures are in game/reel/
#   2. make an uncompressed movie with the soundtrack   (picreel -b)
#   3. make a lossless FFV1 movie of the same pictures  (picreel -b -c ffv1)
#   4. check both movies with ffprobe: streams, codecs, frame counts, and that
#      the FFV1 movie decodes to the same frames as the uncompressed one
# Every command is printed before it runs ("$ ..."), a short result after it.
#
# Usage: bash demo/road_4_pictures.sh BIN_DIR WORK_DIR
#   BIN_DIR   directory holding the programs (build/bin)
#   WORK_DIR  work directory: new, empty, or made by an earlier run (it is then
#             emptied)
# Exit status 0 when both movies are right, 1 when a step fails, 2 for a wrong
# command line. Needs ffprobe and ffmpeg (Debian package ffmpeg).
#
# Your own pictures: put frame0000.bmp, frame0001.bmp ... into WORK_DIR/game/reel
# in place of the samplegame step; set FRAMES to their number.

. "$(dirname "$0")/lib.sh"
road_start "$@"

PREFIX=frame             # the pictures: game/reel/frame*.bmp
SOUNDTRACK=soundtrack.wav
FRAMES=30


# One stream property of a movie: probe MOVIE STREAM ENTRY
probe() {
    ffprobe -v error -select_streams "$2" -count_packets \
        -show_entries "stream=$3" -of default=nw=1:nk=1 "$1" 2>/dev/null | head -1
}

command -v ffprobe >/dev/null && command -v ffmpeg >/dev/null ||
    fail "ffprobe and ffmpeg are needed to check the movies (Debian package ffmpeg)"

road_enter_work

echo "== 0. the pictures: the movie of the sample game"
run samplegame game
need_status 0 "samplegame could not write the game"
cd game/reel || fail "samplegame wrote no game/reel"
count=$(ls "$PREFIX"*.bmp 2>/dev/null | wc -l)
[ "$count" -eq "$FRAMES" ] || fail "expected $FRAMES pictures in game/reel, found $count"
result "$count pictures $PREFIX*.bmp and $SOUNDTRACK in game/reel/"

echo
echo "== 1. an uncompressed movie with the soundtrack"
run picreel -b -r 15 -w "$SOUNDTRACK" "$PREFIX" ../../movie-dib.avi
need_status 0 "picreel could not make movie-dib.avi"

echo
echo "== 2. a lossless FFV1 movie of the same pictures"
run picreel -b -c ffv1 "$PREFIX" ../../movie-ffv1.avi
need_status 0 "picreel could not make movie-ffv1.avi"
cd ../.. || fail "cannot go back to $WORK"

echo
echo "== 3. check both movies with ffprobe and ffmpeg"
run ffprobe -v error -show_entries stream=index,codec_type,codec_name,r_frame_rate -of compact movie-dib.avi
need_status 0 "ffprobe cannot read movie-dib.avi"
for movie in movie-dib.avi movie-ffv1.avi; do
    frames=$(probe "$movie" v nb_read_packets)
    [ "$frames" = "$FRAMES" ] || fail "$movie has ${frames:-no} frames, expected $FRAMES"
done
[ "$(probe movie-dib.avi v codec_name)" = rawvideo ] || fail "movie-dib.avi is not uncompressed"
[ "$(probe movie-dib.avi a codec_name)" = pcm_s16le ] || fail "movie-dib.avi has no soundtrack"
[ "$(probe movie-ffv1.avi v codec_name)" = ffv1 ] || fail "movie-ffv1.avi is not FFV1"
result "movie-dib.avi: $FRAMES uncompressed frames and the soundtrack, $(stat -c %s movie-dib.avi) bytes"
result "movie-ffv1.avi: $FRAMES FFV1 frames, $(stat -c %s movie-ffv1.avi) bytes"
run ffmpeg -v error -i movie-ffv1.avi -f framemd5 -pix_fmt bgr24 ffv1.md5
need_status 0 "ffmpeg cannot decode movie-ffv1.avi"
run ffmpeg -v error -i movie-dib.avi -map 0:v -f framemd5 -pix_fmt bgr24 dib.md5
need_status 0 "ffmpeg cannot decode movie-dib.avi"
run ffmpeg -v error -i "game/reel/${PREFIX}%04d.bmp" -f framemd5 -pix_fmt bgr24 pictures.md5
need_status 0 "ffmpeg cannot read the pictures"
frame_sums() { grep -v '^#' "$1" | cut -d, -f6; }
cmp -s <(frame_sums pictures.md5) <(frame_sums dib.md5) ||
    fail "movie-dib.avi does not decode to the pictures"
cmp -s <(frame_sums pictures.md5) <(frame_sums ffv1.md5) ||
    fail "movie-ffv1.avi does not decode to the pictures"
result "both movies decode to exactly the $FRAMES pictures"

echo
echo "DEMO PASSED: $FRAMES pictures made an uncompressed and an FFV1 movie, both read frame-exact by ffmpeg ($SECONDS s)"
exit 0
