#!/usr/bin/env bash
# The exec rate of a fuzz target measured so that two builds compare: its committed
# corpus (a fixed set of inputs) replayed RUNS times each, in inputs per CPU-second
# (user + system, so other load on the machine hardly moves it). Best of REPEAT.
#
#   bash tools/fuzz-speed.sh [TARGET] [RUNS] [REPEAT]   (tavrin_panel 3000 3)
#
#   FUZZ_BUILD   build folder (default build/fuzz, the fuzz preset's)
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:-tavrin_panel}
runs=${2:-3000}
repeat=${3:-3}
build=${FUZZ_BUILD:-build/fuzz}
program=$build/bin/${target}_fuzzer
inputs=(fuzz/corpus/"$target"/*)
[ -x "$program" ] || { echo "no $program: build the fuzz preset first" >&2; exit 2; }

best=0
for ((i = 0; i < repeat; i++)); do
    times=$(mktemp)
    /usr/bin/time -o "$times" -f '%U %S' "$program" -runs="$runs" -close_fd_mask=2 "${inputs[@]}" \
        >/dev/null 2>&1
    cpu=$(tail -1 "$times")
    rm -f "$times"
    rate=$(awk -v c="$cpu" -v n=$((runs * ${#inputs[@]})) \
        'BEGIN { split(c, t, " "); printf "%d", n / (t[1] + t[2]) }')
    echo "run $((i + 1)): $((runs * ${#inputs[@]})) inputs, cpu ${cpu/ /s user + }s sys, $rate inputs/cpu-s"
    [ "$rate" -le "$best" ] || best=$rate
done
echo "$target: best $best inputs per CPU-second"
