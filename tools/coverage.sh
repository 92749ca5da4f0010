#!/usr/bin/env bash
# Line and branch coverage of the plug-in's own code (script_helper/ and panels/)
# from the whole test suite, built with GCC --coverage (the coverage preset).
#
#   bash tools/coverage.sh [--html] [--min-lines N] [--min-branches N]
#
# Prints gcovr's per-file table and totals. Branches that exceptions alone can take,
# and those the compiler proves unreachable, are not counted. With --html the
# report lands in <build>/coverage/index.html. With --min-lines / --min-branches
# the script fails when a total falls below the floor.
#
#   COVERAGE_BUILD   build folder (default build/coverage, the preset's)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${COVERAGE_BUILD:-build/coverage}
html=0
gcovr_fail=()
while [ $# -gt 0 ]; do
    case $1 in
        --html) html=1 ;;
        --min-lines) gcovr_fail+=(--fail-under-line "$2"); shift ;;
        --min-branches) gcovr_fail+=(--fail-under-branch "$2"); shift ;;
        *) echo "usage: $0 [--html] [--min-lines N] [--min-branches N]" >&2; exit 2 ;;
    esac
    shift
done

cmake --preset coverage -B "$build" >/dev/null
cmake --build "$build" -j2
# Counts from an earlier run would add up with this one's.
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -j2 --output-on-failure

filters=(--root . --filter 'script_helper/' --filter 'panels/'
         --exclude-throw-branches --exclude-unreachable-branches
         --object-directory "$build")
gcovr "${filters[@]}" --txt - --print-summary --branches | grep -v '^$'
if [ "$html" -eq 1 ]; then
    mkdir -p "$build/coverage"
    gcovr "${filters[@]}" --html-details "$build/coverage/index.html"
    echo "coverage: $build/coverage/index.html"
fi
if [ ${#gcovr_fail[@]} -gt 0 ]; then
    gcovr "${filters[@]}" "${gcovr_fail[@]}" >/dev/null
fi
