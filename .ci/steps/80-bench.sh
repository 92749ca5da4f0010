#!/usr/bin/env bash
# Keeps the benchmarks building. Their timing targets are measured by hand on a quiet
# machine (docs/performance.md); CI machines are shared, so only the build is checked.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-packages.sh build bench
cmake --preset bench >/dev/null
cmake --build --preset bench
