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
# built (target kest_generated_headers), not the tree. Sources that share a compile
# command are checked a batch at a time, two checks at a time, within a time bound.
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

# clang-tidy checks sources that share a compile command a batch at a time
# (tools/tidy-run.py says how); first it must find what a faulty fixture holds.
stamp "clang-tidy on its fixture: two findings in sources that do not compile as one"
fixture=$(mktemp -d /tmp/kest-style.XXXXXX)
trap 'rm -rf "$fixture"' EXIT
python3 - "$PWD" "$fixture" <<'PY'
import json, os, sys
root, out = sys.argv[1], sys.argv[2]
names = ("moved_twice.cpp", "same_helper.cpp", "clean.cpp")
json.dump([{"directory": root, "file": "tests/tools/tidy_fixture/" + name,
            "arguments": ["clang++", "-std=c++17", "-c", "tests/tools/tidy_fixture/" + name,
                          "-o", os.path.join(out, name + ".o")]} for name in names],
          open(os.path.join(out, "compile_commands.json"), "w"))
PY
fixture_status=0
fixture_out=$(python3 tools/tidy-run.py "$fixture" 2>&1) || fixture_status=$?
for expected in "moved_twice.cpp:16:.*bugprone-use-after-move" \
        "same_helper.cpp:16:.*bugprone-use-after-move" "does not compile as one unit"; do
    if [ "$fixture_status" -ne 1 ] || ! grep -q -- "$expected" <<<"$fixture_out"; then
        echo "$fixture_out"
        echo "style: clang-tidy on tests/tools/tidy_fixture should fail with $expected" \
            "(exit $fixture_status)"
        lint_status=1
    fi
done

stamp "clang-tidy: every project source, at most ${limit}s"
tidy_status=0
timeout "$limit" python3 tools/tidy-run.py "$build" || tidy_status=$?
if [ "$tidy_status" -eq 124 ]; then
    echo "style: clang-tidy did not finish within ${limit}s (STYLE_TIMEOUT)"
fi

if [ "$lint_status" -ne 0 ] || [ "$tidy_status" -ne 0 ]; then
    exit 1
fi
stamp "style clean"
