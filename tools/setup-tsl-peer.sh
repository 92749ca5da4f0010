#!/usr/bin/env bash
# Installs the tests' independent TSL UMD sender (the npm package tsl-umd-v5, at the
# version and with the dependencies pinned in tests/host/tally/peer/package-lock.json)
# into a folder of the build tree. The build runs it once (the tsl_test_peer target);
# the tests never reach the registry themselves.
#
#   bash tools/setup-tsl-peer.sh FOLDER
#
# It always leaves FOLDER/status holding one line the tests read:
#   ok tsl-umd-v5 VERSION          the peer is installed
#   SKIPPED: REASON                 node or npm is missing, or the registry cannot
#                                   be reached; the peer tests skip with that line
#   FAILED: REASON                  the registry answered and the install still
#                                   failed; the peer tests fail with that line
# and exits 0, so that a studio laptop without the registry still builds.
#
#   KEST_NPM_TIMEOUT   seconds the install may take (default 180)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
peer=$here/tests/host/tally/peer
folder=${1:?usage: $0 FOLDER}
timeout_s=${KEST_NPM_TIMEOUT:-180}
mkdir -p "$folder"
status=$folder/status

say() {
    echo "$1" >"$status"
    echo "setup-tsl-peer: $1"
}

if ! command -v node >/dev/null 2>&1; then
    say "SKIPPED: node is not installed (tools/install-packages.sh test installs nodejs)"
    exit 0
fi
if ! command -v npm >/dev/null 2>&1; then
    say "SKIPPED: npm is not installed, so the peer tsl-umd-v5 cannot be fetched"
    exit 0
fi
cp "$peer/package.json" "$peer/package-lock.json" "$folder"/
log=$folder/npm.log
if timeout "$timeout_s" npm ci --prefix "$folder" --no-audit --no-fund --ignore-scripts \
    >"$log" 2>&1; then
    version=$(node -p "require('$folder/node_modules/tsl-umd-v5/package.json').version" 2>/dev/null)
    if [ -n "$version" ]; then
        say "ok tsl-umd-v5 $version"
        exit 0
    fi
    say "FAILED: npm ci succeeded but tsl-umd-v5 is not in $folder/node_modules"
    exit 0
fi
registry=$(npm config get registry 2>/dev/null || echo "the npm registry")
if ! timeout 30 npm ping >/dev/null 2>&1; then
    say "SKIPPED: the npm registry ($registry) cannot be reached to install tsl-umd-v5"
    exit 0
fi
say "FAILED: npm ci of tsl-umd-v5 failed with the registry reachable; see $log: $(tail -1 "$log")"
exit 0
