#!/usr/bin/env bash
# The whole tree with its tests as users build it: GCC, Release (-O3). Optimised
# builds see warnings a Debug build does not, and -Werror makes each one fatal.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-packages.sh build test
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
