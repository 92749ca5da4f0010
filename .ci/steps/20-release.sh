#!/usr/bin/env bash
# The whole tree with its tests as users build it: GCC, Release (-O3). Optimised
# builds see warnings a Debug build does not, and -Werror makes each one fatal. The
# benchmarks are part of this tree, so it also keeps them building; their timing
# targets are measured by hand on a quiet machine (docs/performance.md), as CI
# machines are shared.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-packages.sh build test bench
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
