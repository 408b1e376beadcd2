# What every road of the demo shares, sourced by demo/road*.sh: the command
# line, the work directory, and the way a road shows each command, its result
# and its end.
set -u -o pipefail

# road_start "$@": reads BIN_DIR and WORK_DIR, puts the programs first on PATH.
road_start() {
    if [ $# -ne 2 ]; then
        echo "Usage: bash $0 BIN_DIR WORK_DIR" >&2
        exit 2
    fi
    BIN=$(cd "$1" && pwd) || exit 2
    WORK=$2
    PATH="$BIN:$PATH"
}

status=0
run() {   # prints a command, runs it and keeps its exit status in $status
    local arg shown=
    for arg in "$@"; do   # quote what the shell would split, as you would type it
        case $arg in
            *[!A-Za-z0-9_./=:-]*) shown+=" '${arg//\'/\'\\\'\'}'" ;;
            *) shown+=" $arg" ;;
        esac
    done
    printf '\n$%s\n' "$shown"
    "$@"
    status=$?
}
result() { printf '  -> %s\n' "$*"; }
fail() {
    printf '\nDEMO FAILED: %s\n' "$*"
    exit 1
}
need_status() {   # need_status EXPECTED WHAT
    [ "$status" -eq "$1" ] || fail "$2 (exit status $status, expected $1)"
}
need_files() {    # a tool that returns its file count must have handled some
    [ "$status" -gt 0 ] || fail "$1 (exit status 0: no file handled)"
}

# Files below $1 and $2 compared by name: sets $unchanged to the number of
# identical files and $changed to the names of the others.
compare_trees() {
    local same=0 f
    changed=()
    while IFS= read -r f; do
        if cmp -s "$1/$f" "$2/$f"; then same=$((same + 1)); else changed+=("$f"); fi
    done < <(cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    while IFS= read -r f; do
        [ -e "$1/$f" ] || changed+=("$f (only in $2)")
    done < <(cd "$2" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    unchanged=$same
}

# Empties $WORK and enters it, but only if a road made it: never a directory
# of yours that happens to be named there. The clock starts here.
road_enter_work() {
    local mark=.kz7-demo-road
    if [ -e "$WORK" ] && [ -n "$(ls -A "$WORK" 2>/dev/null)" ] && [ ! -e "$WORK/$mark" ]; then
        fail "$WORK is not empty and was not made by this script; name a new or empty directory"
    fi
    rm -rf "$WORK" && mkdir -p "$WORK" && : > "$WORK/$mark" || fail "cannot make the work directory $WORK"
    cd "$WORK" || fail "cannot enter $WORK"   # archive rebuilds put their temporary files here
    SECONDS=0
}
