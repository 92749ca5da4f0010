#!/usr/bin/env bash
# The console of kest-host --live --interactive runs on the loop: while it waits for
# the next typed line, the router link is served. The router changes the monitor's
# route by hand while no line comes; the panel is drawn again with it, and the next
# line's expectation (without within) finds it already there.
#
#   console_on_loop.sh KEST_HOST KEST_VIDEOHUB SCENARIO
set -euo pipefail
host=$1
videohub=$2
scenario=$3
work=$(mktemp -d /tmp/kest-live-console.XXXXXX)
router_pid=
cleanup() {
    exec 3>&- || true
    if [ -n "$router_pid" ]; then
        kill "$router_pid" 2>/dev/null || true
        wait "$router_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
mkfifo "$work/control"
"$videohub" --port 0 --port-file "$work/port" --log "$work/log" --route 2=0 --control \
    <"$work/control" >/dev/null 2>"$work/router.err" &
router_pid=$!
exec 3>"$work/control"
for _ in $(seq 1 500); do
    [ -s "$work/port" ] && break
    sleep 0.01
done
port=$(cat "$work/port")
{
    echo 'expect control CurrentSDI_ID text "1" within 3000'
    sleep 3
    echo 'expect control CurrentSDI_ID text "8"'
    echo 'expect dest 3 source 8'
    echo 'quit'
} | timeout 60 "$host" --no-color --set "PORT=$port" --live "$scenario" --interactive \
    >"$work/out" 2>&1 &
console=$!
sleep 1.5
echo "route 2 7" >&3
status=0
wait "$console" || status=$?
if [ "$status" -ne 0 ] || ! grep -q "3 expectations, 0 failed; checks passed" "$work/out" ||
    ! grep -q "On monitor   8" "$work/out"; then
    cat "$work/out"
    echo "FAILED: status $status"
    exit 1
fi
grep "Summary:" "$work/out"
