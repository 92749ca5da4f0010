#!/usr/bin/env bash
# Instructions per event of the plug-in and of the hand-written baseline, counted by
# callgrind. Unlike times, these counts do not move with the load of a shared
# machine: compare them across changes.
#
#   bash tools/callgrind-events.sh [event...]
#
# Events: press_release (default: a GPI press that routes and the release that
# restores, two events per iteration), mixed (nine events per iteration), gpi_press,
# gpi_release, router_revertive, tally_slot, database_change, parent_request (a
# type 3 request and the type 5 release of its answer, counted as one), or "all".
#
# Each side runs kest-event-loop at 1000 and at 11000 iterations; the difference
# divided by the events of 10000 iterations cancels start-up and shutdown.
# The build is the bench preset's (Release), in $KEST_BENCH_BUILD or build/perf-bench.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KEST_BENCH_BUILD:-$root/build/perf-bench}
low=1000
high=11000

if [ $# -eq 0 ]; then
    set -- press_release
elif [ "$1" = all ]; then
    set -- press_release gpi_press gpi_release router_revertive tally_slot database_change \
        parent_request mixed
fi

command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset bench -B "$build" >/dev/null
fi
cmake --build "$build" -j2 --target kest-event-loop >/dev/null
loop=$build/bin/kest-event-loop

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# instructions <side> <event> <iterations>: total instructions of one run.
instructions() {
    local log=$work/log
    valgrind --tool=callgrind --callgrind-out-file="$work/out" "$loop" "$1" "$2" "$3" \
        >/dev/null 2>"$log" || { cat "$log" >&2; exit 1; }
    sed -n 's/^==[0-9]*== Collected : \([0-9]*\).*/\1/p' "$log"
}

events_per_iteration() {
    case $1 in
        press_release) echo 2 ;;
        mixed) echo 9 ;;
        *) echo 1 ;;
    esac
}

printf '%-18s %14s %14s %7s\n' event plugin baseline ratio
for event in "$@"; do
    per=$(events_per_iteration "$event")
    declare -A count=()
    for side in plugin baseline; do
        a=$(instructions "$side" "$event" "$low")
        b=$(instructions "$side" "$event" "$high")
        count[$side]=$(( (b - a) / ((high - low) * per) ))
    done
    ratio=$(awk -v p="${count[plugin]}" -v b="${count[baseline]}" 'BEGIN { printf "%.2f", p / b }')
    printf '%-18s %14s %14s %7s\n' "$event" "${count[plugin]}" "${count[baseline]}" "$ratio"
    unset count
done
echo "(instructions per event, callgrind; $low vs $high iterations)"
