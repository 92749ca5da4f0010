#!/usr/bin/env bash
# tools/wine-runtime.sh decides from a run of its probe, never from what is
# installed: a fake `wine` and `wineserver` put first in PATH play each way a run
# can go. Nothing is installed (KEST_WINE_INSTALL=0) and the qemu-user route is
# left out (KEST_WINE_ROUTE=native), so the machine is never changed.
#
#   bash wine_runtime_test.sh <source dir>
set -euo pipefail

source_dir=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/kest-wine-runtime-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
: >"$work/probe.exe"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"

export PATH=$work/bin:$PATH KEST_WINE_INSTALL=0 KEST_WINE_ROUTE=native \
    KEST_WINE_PROBE_EXE=$work/probe.exe KEST_WINE_PROBE_TIMEOUT=3

line="kest wine probe: a 32-bit Windows program ran"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# fake_wine <shell body>: what `wine` does when run.
fake_wine() {
    printf '#!/bin/bash\n%s\n' "$1" >"$work/bin/wine"
    chmod +x "$work/bin/wine" "$work/bin/wineserver"
}
# answer: the script's one line; it must exit 0 and say at most one line.
answer() {
    local out status=0
    out=$(bash "$source_dir/tools/wine-runtime.sh" 2>"$work/err") || status=$?
    [ "$status" -eq 0 ] || fail "wine-runtime exited $status: $(cat "$work/err")"
    [ "$(printf '%s' "$out" | grep -c '')" -le 1 ] || fail "more than one line: $out"
    printf '%s' "$out"
}

echo "the probe prints its line and exits 3: nothing to skip"
fake_wine "printf '%s\r\n' '$line'; exit 3"
said=$(answer)
[ -z "$said" ] || fail "said: $said"

echo "a Wine that cannot start the program and still exits 0 is no Windows"
fake_wine "exit 0"
said=$(answer)
[[ $said == "the probe exited 0, not 3"* ]] || fail "said: $said"

echo "the right status without the line is not enough"
fake_wine "echo 'wine: could not load kernel32.dll' >&2; exit 3"
said=$(answer)
[[ $said == "the probe exited 3 without its line (wine: could not load kernel32.dll)" ]] ||
    fail "said: $said"

echo "the line with another status is not enough, and the cause is named"
fake_wine "echo '$line'; echo 'Exec format error' >&2; exit 126"
said=$(answer)
[[ $said == "the probe exited 126, not 3 (Exec format error)" ]] || fail "said: $said"

echo "a probe that hangs is stopped and named"
fake_wine "sleep 30"
started=$(date +%s)
said=$(answer)
[ $(($(date +%s) - started)) -lt 20 ] || fail "the hanging probe was not stopped in time"
[[ $said == "the probe did not finish within 3s" ]] || fail "said: $said"

if [ "$failures" -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "wine-runtime: all cases passed"
