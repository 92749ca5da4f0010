#!/usr/bin/env bash
# Runs the test suite of the release build (made by the release step) and the demo
# under valgrind memcheck. Any memory error, and any definite or indirect leak, fails
# the step: no suppressions are needed or used.
#
# The release build is the one users make (GCC -O3), and the one memory checker the
# other steps leave it without: ASan checks the Clang Debug build. Under valgrind its
# programs also run several times faster than the Debug build's with their coverage
# counters.
#
# Every test program of the suite runs under valgrind with its own arguments and
# working folder. Tests that run kest-host through a CMake script are unwrapped and
# kest-host itself runs under valgrind, with the real plug-in, for those that
# expect success; the deliberately faulty fixture plug-ins are left out (their
# faults are the point). Death tests re-execute their program outside valgrind.
# The programs that replace operator new (to count allocations or make them fail)
# are left out too: valgrind puts its own allocator in place of theirs, so
# their checks cannot work here. They run natively and under ASan. Tests labelled
# "realtime" (driven through a terminal or against devices on loopback, on the wall
# clock) and "browser" (a real browser drives them) are left out as well. The fuzz
# corpora's replays (label "replay") run: valgrind sees the reads of uninitialised
# memory that ASan does not. Two programs run at a time, the longest first (by the
# times of the suite's last run).
#
#   MEMCHECK_BUILD   build folder (default build/release)
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-packages.sh build test memcheck

build=${MEMCHECK_BUILD:-build/release}
if [ ! -x "$build/bin/kest-host" ]; then
    echo "memcheck: $build has no kest-host; build and test the release preset first" \
        "(bash .ci/steps/20-release.sh)"
    exit 1
fi
build=$(cd "$build" && pwd)

logs=$(mktemp -d /tmp/kest-memcheck.XXXXXX)
ctest --test-dir "$build" --show-only=json-v1 >"$logs/tests.json"

python3 - "$build" "$logs" <<'PY'
import json
import os
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

build, logs = sys.argv[1], sys.argv[2]
bin_dir = os.path.join(build, "bin")
VALGRIND = ["valgrind", "--tool=memcheck", "--error-exitcode=99", "--leak-check=full",
            "--show-leak-kinds=definite,indirect", "--errors-for-leak-kinds=definite,indirect",
            "--child-silent-after-fork=yes", "--num-callers=30"]
# Programs with an operator new of their own: valgrind's allocator takes its place.
SKIPPED = {"kest_string_alloc_test", "tavrin_allocation_failure_coverage_test",
           "kest_string_complete_test", "kest_out_of_memory_test", "tavrin_property_memory_test",
           "kest_whole_text_test"}
# Labels whose tests the memcheck step leaves out (see the comment at the top).
SKIPPED_LABELS = {"realtime", "browser"}

runs = []  # (name, argv, cwd, stdin file)
labelled = []  # left out for their labels
for test in json.load(open(os.path.join(logs, "tests.json")))["tests"]:
    command = test.get("command") or []
    props = {p["name"]: p["value"] for p in test.get("properties", [])}
    cwd = props.get("WORKING_DIRECTORY", bin_dir)
    if props.get("WILL_FAIL") in (True, "ON", "TRUE", "1") or test["name"] in SKIPPED:
        continue
    labels = props.get("LABELS") or []
    labels = set(labels if isinstance(labels, list) else [labels])
    if labels & SKIPPED_LABELS:
        labelled.append(test["name"])
        continue
    if command and command[0].startswith(bin_dir + os.sep):
        runs.append((test["name"], command, cwd, None))
        continue
    # A CMake script test: -DCOMMAND=a|b|c with the exit status it expects.
    defs = {}
    for arg in command:
        if arg.startswith("-D") and "=" in arg:
            key, value = arg[2:].split("=", 1)
            defs[key] = value
    program = defs.get("COMMAND", "").split("|")
    if (program[0].startswith(bin_dir + os.sep) and defs.get("EXIT") == "0"
            and "FAULT" not in defs and not any("fixture" in a for a in program)):
        runs.append((test["name"], program, cwd, defs.get("INPUT")))

runs.append(("demo", [os.path.join(bin_dir, "kest-host"), "--no-color"], bin_dir, None))

# The longest first, so that no long program is left running alone at the end: the
# suite's run in this build (the release step) left each test's time in CTest's cost data.
costs = {}
try:
    with open(os.path.join(build, "Testing", "Temporary", "CTestCostData.txt")) as f:
        for line in f:
            fields = line.split()
            if line.startswith("---"):
                break
            if len(fields) == 3:
                costs[fields[0]] = float(fields[2])
except (OSError, ValueError):
    pass
runs.sort(key=lambda entry: -costs.get(entry[0], 0.0))


def run(entry):
    name, argv, cwd, stdin_file = entry
    log = os.path.join(logs, name.replace("/", "_") + ".log")
    stdin = open(stdin_file, "rb") if stdin_file else subprocess.DEVNULL
    began = time.time()
    status = subprocess.call(VALGRIND + ["--log-file=" + log] + argv, cwd=cwd, stdin=stdin,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    summary = "?"
    with open(log, errors="replace") as f:
        text = f.read()
    for line in text.splitlines():
        if "ERROR SUMMARY" in line:
            summary = line.split("ERROR SUMMARY:")[1].strip()
    leaks = [l.split("==", 2)[-1].strip() for l in text.splitlines()
             if "definitely lost:" in l or "indirectly lost:" in l]
    ok = status == 0 and summary.startswith("0 errors")
    print("%-4s %-45s %5.1fs  %s%s" % ("ok" if ok else "FAIL", name, time.time() - began,
                                       summary, ("; " + "; ".join(leaks)) if leaks else ""),
          flush=True)
    return None if ok else (name, status, log)


start = time.time()
with ThreadPoolExecutor(max_workers=2) as pool:
    failed = [result for result in pool.map(run, runs) if result is not None]

print("memcheck: %d programs in %.0fs, %d failed; not run: %s; left out by label (%s): %s" % (
    len(runs), time.time() - start, len(failed), ", ".join(sorted(SKIPPED)),
    ", ".join(sorted(SKIPPED_LABELS)), ", ".join(sorted(labelled))))
for name, status, log in failed:
    print("---- %s (exit %d): %s (rerun with --track-origins=yes for more)" % (name, status, log))
    with open(log, errors="replace") as f:
        print("".join(f.readlines()[-60:]))
sys.exit(1 if failed else 0)
PY
rm -rf "$logs"
