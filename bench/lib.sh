# Timing helpers shared by bench scripts, sourced after `cd` into the work
# folder. Times are wall-clock seconds with three decimals.

# Median of 5 runs of a command.
median5() {
  local times=()
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    times+=($(( t1 - t0 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p | awk '{ printf "%.3f", $1 / 1e9 }'
}

# Medians of 5 runs of each of two commands, run in turn so that the load of
# the machine weighs on both alike: prints "A B".
median5pair() {
  local a=() b=() t0 t1 t2
  for _ in 1 2 3 4 5; do
    t0=$(date +%s%N)
    $1 >/dev/null
    t1=$(date +%s%N)
    $2 >/dev/null
    t2=$(date +%s%N)
    a+=($(( t1 - t0 )))
    b+=($(( t2 - t1 )))
  done
  med() { printf '%s\n' "$@" | sort -n | sed -n 3p | awk '{ printf "%.3f", $1 / 1e9 }'; }
  echo "$(med "${a[@]}") $(med "${b[@]}")"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

report() {  # name ours reference goal reference-name
  printf '%-34s %8ss  %-18s %8ss  ratio %5s  (goal <= %s)\n' "$1" "$2" "$5" "$3" \
    "$(ratio "$2" "$3")" "$4"
}
