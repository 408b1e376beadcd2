#!/usr/bin/env bash
# picreel -b on 1000 BMP frames of 320 x 240 (made by ffmpeg's test source at
# bench time): an uncompressed AVI against ffmpeg -c:v rawvideo and an FFV1
# AVI against ffmpeg -c:v ffv1 from the same pictures; medians of 5 runs.
# Then, once, a movie past 1 GiB (OpenDML) whose frames ffprobe must count.
set -euo pipefail
bin=${KZ7_BIN:?KZ7_BIN must name the release binaries}
work=${KZ7_BENCH_DIR:?KZ7_BENCH_DIR must name a scratch directory}/picreel
picreel="$bin/picreel"
runs=5
frames=1000

rm -rf "$work"
mkdir -p "$work/frames"
trap 'rm -rf "$work"' EXIT
command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null ||
  { echo "bench_picreel: ffmpeg and ffprobe are needed" >&2; exit 1; }

ffmpeg -v error -f lavfi -i "testsrc=size=320x240:rate=15" -frames:v $frames \
  -pix_fmt bgr24 "$work/frames/f%04d.bmp"

now() { date +%s%N; }
median() { sort -n | sed -n "$(((runs + 1) / 2))p"; }
time_one() {   # time_one NAME COMMAND: adds the time in ms to $work/NAME.ms
  local t0 t1
  rm -f "$work"/out.*
  sync
  t0=$(now)
  eval "$2" >/dev/null 2>&1
  t1=$(now)
  echo $(((t1 - t0) / 1000000)) >>"$work/$1.ms"
}
time_pair() {  # alternates two commands so a change of load hits both alike
  : >"$work/$1.ms"; : >"$work/$3.ms"
  for _ in $(seq $runs); do
    time_one "$1" "$2"
    time_one "$3" "$4"
  done
}
report() {
  local m r
  m=$(median <"$work/$2.ms")
  r=$(median <"$work/$3.ms")
  awk -v w="$1" -v m="$m" -v r="$r" -v n="$4" -v g="$5" 'BEGIN {
    printf "%-28s %6d ms   %-22s %6d ms   ratio %.2f (goal <= %s)\n", w, m, n, r, (r > 0 ? m / r : 0), g }'
}
count() { ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets \
            -of default=nw=1:nk=1 "$1"; }

cd "$work/frames"
time_pair dib '"$picreel" -b -r 15 f ../out.avi' \
          rawref 'ffmpeg -v error -framerate 15 -i f%04d.bmp -c:v rawvideo ../out.ref.avi'
"$picreel" -b f ../check.avi
[ "$(count ../check.avi)" = $frames ] || { echo "bench_picreel: uncompressed movie lacks frames" >&2; exit 1; }
time_pair ffv1 '"$picreel" -b -c ffv1 f ../out.avi' \
          ffv1ref 'ffmpeg -v error -framerate 15 -i f%04d.bmp -c:v ffv1 ../out.ref.avi'
"$picreel" -b -c ffv1 f ../check.avi
[ "$(count ../check.avi)" = $frames ] || { echo "bench_picreel: FFV1 movie lacks frames" >&2; exit 1; }
rm -f ../check.avi

# picreel flushes the movie to disk before it replaces the old one; ffmpeg
# leaves it in the page cache. The same reference with the flush added shows
# how much of the difference that is.
time_pair dibagain '"$picreel" -b -r 15 f ../out.avi' \
          rawsync 'ffmpeg -v error -framerate 15 -i f%04d.bmp -c:v rawvideo ../out.ref.avi && sync ../out.ref.avi'

echo "$frames BMP frames of 320 x 240, median of $runs runs"
report "picreel -b (uncompressed)" dib rawref "ffmpeg -c:v rawvideo" 1.0
report "picreel -b -c ffv1" ffv1 ffv1ref "ffmpeg -c:v ffv1" 1.1
report "picreel -b (uncompressed)" dibagain rawsync "ffmpeg + sync FILE" "1.0, flushed alike"

# Past 1 GiB: 180 frames of 1920 x 1080 (6 MiB each), all links to one
# picture, so only the movie takes the space.
mkdir "$work/big"
ffmpeg -v error -f lavfi -i "testsrc=size=1920x1080:rate=15" -frames:v 1 -pix_fmt bgr24 "$work/big/b0000.bmp"
for i in $(seq 1 179); do ln "$work/big/b0000.bmp" "$(printf '%s/big/b%04d.bmp' "$work" "$i")"; done
cd "$work/big"
t0=$(now)
"$picreel" -b b ../big.avi
t1=$(now)
size=$(stat -c %s ../big.avi)
got=$(count ../big.avi)
echo "movie past 1 GiB: $size bytes, $got of 180 frames read back by ffprobe ($(((t1 - t0) / 1000000)) ms)"
[ "$size" -gt 1073741824 ] && [ "$got" = 180 ] || { echo "bench_picreel: the large movie is cut" >&2; exit 1; }
