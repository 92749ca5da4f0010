#!/usr/bin/env bash
# Instructions per event on kest-host's own thread with browser pages open, counted
# by callgrind: kest-web-bench runs page statements (press 2, release 2) through the
# console, the page's parts and the server, with P pages connected from a thread of
# their own. Only the host's thread (callgrind's thread 1) is counted.
#
#   bash tools/callgrind-web.sh [PAGES...]          (default: 0 1 10)
#
# Each count runs 200 and 1200 events; the difference divided by 1000 cancels the
# start-up. The build is the release preset's, in $KEST_WEB_BENCH_BUILD or
# build/release.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${KEST_WEB_BENCH_BUILD:-$root/build/release}
low=200
high=1200
[ $# -gt 0 ] || set -- 0 1 10

command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset release -B "$build" >/dev/null
fi
cmake --build "$build" -j2 --target kest-web-bench >/dev/null
bench=$build/bin/kest-web-bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# host_instructions <events> <pages>: instructions of the host's thread in one run.
host_instructions() {
    rm -f "$work"/out*
    valgrind --tool=callgrind --separate-threads=yes --callgrind-out-file="$work/out" \
        "$bench" --events "$1" --pages "$2" >"$work/log" 2>&1 || { cat "$work/log" >&2; exit 1; }
    sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$work/out-01"
}

printf '%-6s %16s %8s\n' pages instructions/event ratio
base=
for pages in "$@"; do
    a=$(host_instructions "$low" "$pages")
    b=$(host_instructions "$high" "$pages")
    per=$(( (b - a) / (high - low) ))
    [ -n "$base" ] || base=$per
    printf '%-6s %16d %8s\n' "$pages" "$per" "$(awk -v x="$per" -v y="$base" 'BEGIN { printf "%.2f", x / y }')"
done
