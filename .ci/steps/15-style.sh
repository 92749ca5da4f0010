#!/usr/bin/env bash
# Style: clang-format, clang-tidy, NOLINT reasons, and the length of host/'s
# functions and files. clang-format (the checked-in .clang-format) must leave every
# tracked C++ file unchanged, clang-tidy (the checked-in .clang-tidy) must find
# nothing in any project source, and every NOLINT must name its checks and give its
# reason.
# Every finding is printed; any finding fails the step.
#
# clang-tidy reads the compile commands of the default preset, configured with the
# benchmarks added so that bench/ is checked too. Only the generated headers are
# built (target kest_generated_headers), not the tree. Two files are checked at a
# time, within a time bound.
#
#   STYLE_BUILD     build folder (default build/style)
#   STYLE_TIMEOUT   seconds allowed for clang-tidy (default 1500)
set -euo pipefail
cd "$(dirname "$0")/../.."

# The tidy build is the default preset with the benchmarks: it needs their libraries.
bash tools/install-packages.sh build test bench style

build=${STYLE_BUILD:-build/style}
limit=${STYLE_TIMEOUT:-1500}
start=$(date +%s)
stamp() { echo "--- [style $(( $(date +%s) - start ))s] $*"; }

mapfile -t sources < <(git ls-files '*.cpp' '*.h' '*.hpp' '*.cc')
stamp "clang-format: ${#sources[@]} files"
lint_status=0
clang-format --dry-run -Werror "${sources[@]}" || lint_status=$?
if [ "$lint_status" -ne 0 ]; then
    echo "style: clang-format would change the files above (clang-format -i FILE)"
fi

# A NOLINT names the checks it silences and says why, on the same line.
bare=$(git grep -nE 'NOLINT' -- '*.cpp' '*.h' '*.hpp' '*.cc' | grep -v 'NOLINTEND' |
       grep -vE 'NOLINT(NEXTLINE|BEGIN)?\([^)]+\): [^ ]' || true)
if [ -n "$bare" ]; then
    echo "$bare"
    echo "style: NOLINT without its checks and reason, as NOLINT(check): why"
    lint_status=1
fi

# kest-host's size goals: no function over 60 lines, no file over 450.
stamp "host/: lengths of functions and files"
python3 tools/host-lengths.py || lint_status=1

stamp "configure $build and build its generated headers"
cmake --preset default -B "$build" -DKEST_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target kest_generated_headers >/dev/null

logs=$(mktemp -d /tmp/kest-style.XXXXXX)
trap 'rm -rf "$logs"' EXIT
# The project's own translation units: in this tree, not generated into a build.
# A source compiled into more than one target (the fuzz replay's main, the plug-in's
# sources in a test of their own) has a command for each; clang-tidy would check it
# once for every command, so it is given the first alone, in a database of its own.
root=$PWD
mkdir -p "$logs/db"
mapfile -t units < <(python3 - "$build/compile_commands.json" "$root" "$logs/db" <<'PY'
import json, os, sys
commands, root, db = sys.argv[1], sys.argv[2], sys.argv[3]
seen = set()
kept = []
for entry in json.load(open(commands)):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    inside = os.path.relpath(path, root)
    if inside.startswith("..") or inside.split(os.sep)[0] in ("build", "out"):
        continue
    if "must_not_compile" in inside:  # a probe that proves an include fails
        continue
    if inside not in seen:
        seen.add(inside)
        kept.append(entry)
        print(inside)
with open(os.path.join(db, "compile_commands.json"), "w") as out:
    json.dump(kept, out)
PY
)

stamp "clang-tidy: ${#units[@]} files, 2 at a time, at most ${limit}s"
export KEST_STYLE_DB=$logs/db KEST_STYLE_LOGS=$logs
tidy_status=0
printf '%s\0' "${units[@]}" | timeout "$limit" xargs -0 -P2 -n1 bash -c '
    status=0
    out=$(timeout 300 clang-tidy -p "$KEST_STYLE_DB" --quiet "$1" 2>&1) || status=$?
    [ "$status" -eq 0 ] && exit 0
    [ "$status" -eq 124 ] && out="$1: clang-tidy took more than 300s"
    printf "%s\n" "$out" | grep -vE "^[0-9]+ warnings? (generated|treated as errors)\.?$|^Suppressed [0-9]+ warnings" \
        >"$KEST_STYLE_LOGS/$(echo "$1" | tr / _).log"
    exit 1' _ || tidy_status=$?

if [ "$tidy_status" -eq 124 ]; then
    echo "style: clang-tidy did not finish within ${limit}s (STYLE_TIMEOUT)"
fi
findings=0
for log in "$logs"/*.log; do
    [ -e "$log" ] || continue
    cat "$log"
    findings=$((findings + $(grep -cE '(warning|error): ' "$log" || true)))
done
failed_files=$(find "$logs" -name '*.log' | wc -l)
stamp "clang-tidy: $findings findings in $failed_files of ${#units[@]} files"

if [ "$lint_status" -ne 0 ] || [ "$tidy_status" -ne 0 ]; then
    exit 1
fi
stamp "style clean"
