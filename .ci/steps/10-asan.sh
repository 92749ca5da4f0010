#!/usr/bin/env bash
# The whole suite again, built with Clang under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-packages.sh build test clang
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
