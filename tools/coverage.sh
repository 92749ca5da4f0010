#!/usr/bin/env bash
# Line and branch coverage from the whole test suite, built with GCC --coverage (the
# coverage preset): first the plug-in's own code (script_helper/ and panels/), then
# kest-host (host/) with figures of its own.
#
#   bash tools/coverage.sh [--html] [--min-lines N] [--min-branches N]
#                          [--host-min-lines N] [--host-min-branches N]
#
# Prints gcovr's per-file table and totals of each. Branches that exceptions alone can take,
# and those the compiler proves unreachable, are not counted. With --html the
# reports land in <build>/coverage/index.html and <build>/coverage/host/index.html.
# With --min-lines / --min-branches (the plug-in) and --host-min-lines /
# --host-min-branches (host/) the script fails when a total falls below its floor.
#
#   COVERAGE_BUILD   build folder (default build/coverage, the preset's)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${COVERAGE_BUILD:-build/coverage}
html=0
gcovr_fail=()
host_fail=()
while [ $# -gt 0 ]; do
    case $1 in
        --html) html=1 ;;
        --min-lines) gcovr_fail+=(--fail-under-line "$2"); shift ;;
        --min-branches) gcovr_fail+=(--fail-under-branch "$2"); shift ;;
        --host-min-lines) host_fail+=(--fail-under-line "$2"); shift ;;
        --host-min-branches) host_fail+=(--fail-under-branch "$2"); shift ;;
        *)
            echo "usage: $0 [--html] [--min-lines N] [--min-branches N]" \
                "[--host-min-lines N] [--host-min-branches N]" >&2
            exit 2
            ;;
    esac
    shift
done

cmake --preset coverage -B "$build" >/dev/null
cmake --build "$build" -j2
# Counts from an earlier run would add up with this one's.
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -j2 --output-on-failure

# Searched for counts: the coverage build alone. gcovr follows symbolic links, and
# other build folders hold some that lead out of the tree (a Wine prefix's drive Z:
# is the whole file system), where it would find other trees' counts.
common=(--root . --exclude-throw-branches --exclude-unreachable-branches
        --object-directory "$build" "$build")
filters=("${common[@]}" --filter 'script_helper/' --filter 'panels/')
host_filters=("${common[@]}" --filter 'host/')
echo "== script_helper/ and panels/"
gcovr "${filters[@]}" --txt - --print-summary --branches | grep -v '^$'
echo "== host/"
gcovr "${host_filters[@]}" --txt - --print-summary --branches | grep -v '^$'
if [ "$html" -eq 1 ]; then
    mkdir -p "$build/coverage/host"
    gcovr "${filters[@]}" --html-details "$build/coverage/index.html"
    gcovr "${host_filters[@]}" --html-details "$build/coverage/host/index.html"
    echo "coverage: $build/coverage/index.html, $build/coverage/host/index.html"
fi
status=0
if [ ${#gcovr_fail[@]} -gt 0 ]; then
    gcovr "${filters[@]}" "${gcovr_fail[@]}" >/dev/null || status=1
fi
if [ ${#host_fail[@]} -gt 0 ]; then
    gcovr "${host_filters[@]}" "${host_fail[@]}" >/dev/null || status=1
fi
exit "$status"
