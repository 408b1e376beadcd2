#!/usr/bin/env bash
# Takes every road of the demo in turn: demo/road.sh (one dialog edit), then
# each demo/road_*.sh in name order. Each road gets its own work folder under
# WORK_DIR and ends with its own PASSED or FAILED line; the demo passes when
# every road passes.
#
# Usage: bash demo/run.sh BIN_DIR WORK_DIR
set -u
if [ $# -ne 2 ]; then
    echo "Usage: bash $0 BIN_DIR WORK_DIR" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$2" || exit 2
status=0
for road in "$here"/road.sh "$here"/road_*.sh; do
    [ -e "$road" ] || continue
    name=$(basename "$road" .sh)
    echo "== $name"
    bash "$road" "$1" "$2/$name" || status=1
    echo
done
exit $status
