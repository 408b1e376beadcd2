#!/usr/bin/env bash
# Takes the README's screenshots of picreel under Xvfb: the main dialog with
# a picture series chosen, the compressor choice, and the progress window
# during a run. Nothing is drawn by hand: the script types into the dialog
# with xdotool and grabs the windows with ffmpeg's x11grab.
#
# Usage: bash docs/screenshots.sh BIN_DIR
#   BIN_DIR  directory holding samplegame and picreel (build/bin)
# Writes docs/picreel-dialog.png, docs/picreel-compressor.png and
# docs/picreel-progress.png. Needs the Debian packages xvfb, xdotool, ffmpeg.
set -euo pipefail
bin=$(cd "$1" && pwd)
out=$(cd "$(dirname "$0")" && pwd)
for tool in Xvfb xdotool ffmpeg; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is needed" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb=
picreel=
cleanup() {
  [ -z "$picreel" ] || kill "$picreel" 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

# The sample game's movie, repeated to 300 pictures so the run lasts a
# moment: shot0000.bmp ... are links to its 30 frames.
"$bin/samplegame" "$work/game" >/dev/null
cd "$work/game/reel"
for i in $(seq 0 299); do
  ln -f "$(printf 'frame%04d.bmp' $((i % 30)))" "$(printf 'shot%04d.bmp' "$i")"
done
rm -f frame*.bmp

# grab WINDOW FILE: the window's picture, as large as the window.
grab() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size "${WIDTH}x${HEIGHT}" -i "$DISPLAY+$X,$Y" \
    -frames:v 1 "$2"
}
find_window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1; }

"$bin/picreel" >/dev/null 2>&1 &
picreel=$!
main=$(find_window '^zqPicreel$')
[ -n "$main" ] || { echo "screenshots: the dialog did not open" >&2; exit 1; }
# Focus starts in the directory box; Tab twice reaches the input name, three
# more the WAV box.
xdotool windowfocus --sync "$main"
xdotool key Tab Tab
xdotool type --delay 30 shot
xdotool key Tab Tab Tab
xdotool type --delay 30 soundtrack.wav
sleep 0.5
grab "$main" "$out/picreel-dialog.png"

xdotool key Return   # Create
choice=$(find_window '^Video Compression$')
[ -n "$choice" ] || { echo "screenshots: no compressor choice" >&2; exit 1; }
xdotool windowfocus --sync "$choice"
xdotool key Down     # FFV1: slower than the plain frames, so the run can be caught
sleep 0.3
grab "$choice" "$out/picreel-compressor.png"
xdotool key Return
progress=$(find_window '^Avi Creation Progress$')
[ -n "$progress" ] || { echo "screenshots: no progress window" >&2; exit 1; }
sleep 0.4
grab "$progress" "$out/picreel-progress.png"

# Close the dialog once the run is over.
for _ in $(seq 100); do
  [ -z "$(xdotool search --onlyvisible --name '^Avi Creation Progress$' 2>/dev/null)" ] && break
  sleep 0.2
done
xdotool windowfocus --sync "$main" key Escape
wait "$picreel" || true
picreel=
echo "wrote $out/picreel-dialog.png, $out/picreel-compressor.png, $out/picreel-progress.png"
