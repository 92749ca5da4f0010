#!/usr/bin/env bash
# Builds everything with the default preset and runs the whole test suite.
# Installs the build toolchain and the test libraries first, if any is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh build test
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
