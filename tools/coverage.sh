#!/usr/bin/env bash
# Line and branch coverage from the whole test suite: first the plug-in's own code
# (script_helper/ and panels/), then kest-host (host/) with figures of its own. The
# default preset (GCC Debug, what tools/test.sh builds) carries the counters
# (--coverage), so the suite that tests the tree also measures it.
#
#   bash tools/coverage.sh [--last-run] [--html] [--min-lines N] [--min-branches N]
#                          [--host-min-lines N] [--host-min-branches N]
#
# Runs tools/test.sh (which builds the default preset and runs the suite), then
# reports. With --last-run it runs nothing and reports on the counts that the
# suite's last run left (CI, right after tools/test.sh). Prints gcovr's per-file table and totals of each. Branches
# that exceptions alone can take, and those the compiler proves unreachable, are not
# counted. With --html the reports land in <build>/coverage/index.html and
# <build>/coverage/host/index.html. With --min-lines / --min-branches (the plug-in)
# and --host-min-lines / --host-min-branches (host/) the script fails when a total
# falls below its floor.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/default
html=0
last_run=0
plugin_fail=()
host_fail=()
while [ $# -gt 0 ]; do
    case $1 in
        --last-run) last_run=1 ;;
        --html) html=1 ;;
        --min-lines) plugin_fail+=(--fail-under-line "$2"); shift ;;
        --min-branches) plugin_fail+=(--fail-under-branch "$2"); shift ;;
        --host-min-lines) host_fail+=(--fail-under-line "$2"); shift ;;
        --host-min-branches) host_fail+=(--fail-under-branch "$2"); shift ;;
        *)
            echo "usage: $0 [--last-run] [--html] [--min-lines N] [--min-branches N]" \
                "[--host-min-lines N] [--host-min-branches N]" >&2
            exit 2
            ;;
    esac
    shift
done

if [ "$last_run" -eq 0 ]; then
    bash tools/test.sh
fi
if ! grep -q '^KEST_COVERAGE:BOOL=ON$' "$build/CMakeCache.txt" 2>/dev/null; then
    echo "coverage: $build is not a build with coverage counters (KEST_COVERAGE);" \
        "build it with: bash tools/test.sh" >&2
    exit 1
fi
if [ -z "$(find "$build" -name '*.gcda' -print -quit)" ]; then
    echo "coverage: $build holds no counts; run the suite first: bash tools/test.sh" >&2
    exit 1
fi

# gcov reads the counts once, into one JSON file; each report filters that.
# Searched for counts: the build alone. gcovr follows symbolic links, and other
# build folders hold some that lead out of the tree (a Wine prefix's drive Z: is
# the whole file system), where it would find other trees' counts.
counts=$build/coverage.json
gcovr --root . --exclude-throw-branches --exclude-unreachable-branches -j2 \
    --object-directory "$build" "$build" \
    --filter 'script_helper/' --filter 'panels/' --filter 'host/' --json "$counts"
plugin=(--root . --add-tracefile "$counts" --filter 'script_helper/' --filter 'panels/')
host=(--root . --add-tracefile "$counts" --filter 'host/')
echo "== script_helper/ and panels/"
gcovr "${plugin[@]}" --txt - --print-summary --branches | grep -v '^$'
echo "== host/"
gcovr "${host[@]}" --txt - --print-summary --branches | grep -v '^$'
if [ "$html" -eq 1 ]; then
    mkdir -p "$build/coverage/host"
    gcovr "${plugin[@]}" --html-details "$build/coverage/index.html"
    gcovr "${host[@]}" --html-details "$build/coverage/host/index.html"
    echo "coverage: $build/coverage/index.html, $build/coverage/host/index.html"
fi
status=0
if [ ${#plugin_fail[@]} -gt 0 ]; then
    gcovr "${plugin[@]}" "${plugin_fail[@]}" >/dev/null || status=1
fi
if [ ${#host_fail[@]} -gt 0 ]; then
    gcovr "${host[@]}" "${host_fail[@]}" >/dev/null || status=1
fi
exit "$status"
