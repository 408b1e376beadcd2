#!/usr/bin/env bash
# Makes docs/background.png, the picture of the README's background section:
# the sample game's SCENE01 floor as bgtool -e draws it, enlarged 8 times
# by ImageMagick (without time stamps, so the file is the same on every run).
# Usage: bash scripts/docs-background.sh [BIN_DIR]   (default build/bin)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/bin}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$bin/samplegame" game >/dev/null
mkdir img db bmp
"$bin/imgtool" -e -d img game/kz7.img >/dev/null || true
"$bin/dbtool" -e -d db img/01/01_0000.db >/dev/null || true
"$bin/bgtool" -e db/0A/02_00_0300.0a db/04 bmp/
mkdir -p "$root/docs"
convert bmp/_000_0102.bmp -scale 800% -strip -define png:exclude-chunks=date,time \
    "$root/docs/background.png"
echo "wrote $root/docs/background.png"
