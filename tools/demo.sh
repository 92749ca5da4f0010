#!/usr/bin/env bash
# Builds the plug-in and kest-host, then runs the built-in demo scenario.
# Extra arguments go to kest-host (for example --no-color, or a scenario file).
# Installs the native build toolchain first, if any of it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh build
cmake --preset default >/dev/null
cmake --build --preset default
exec build/default/bin/kest-host "$@"
