#!/usr/bin/env bash
# Builds the plug-in and kest-host (the demo preset: no tests, so no test
# libraries), then runs the built-in demo scenario. Extra arguments go to kest-host
# (for example --no-color, or a scenario file). Installs the native build toolchain
# first, if any of it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh build
cmake --preset demo >/dev/null
cmake --build --preset demo
exec build/demo/bin/kest-host "$@"
