#!/usr/bin/env bash
# Builds everything with the default preset and runs the whole test suite.
# Installs the build toolchain and the test libraries first, if any is missing.
# The default build carries coverage counters: this run's counts are what
# tools/coverage.sh --last-run reports on.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh build test
cmake --preset default >/dev/null
cmake --build --preset default
# Counts of an earlier run would add up with this one's.
find build/default -name '*.gcda' -delete
ctest --preset default
