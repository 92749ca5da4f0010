#!/usr/bin/env bash
# Runs one scenario of scenarios/live/ against its own kest-videohub on an ephemeral
# loopback port, then compares the router's log of the routing lines it received
# with the scenario's "# router-log:" lines ("none" for no line at all).
#
#   run_live_scenario.sh KEST_HOST KEST_VIDEOHUB SCENARIO
#
# The scenario's header says how to run it: "# kest-videohub: ARGS" for the router,
# "# kest-host: ARGS" for kest-host (--live --for N runs it in live mode). Every wait
# is bounded; the router ends with the script.
set -euo pipefail
host=$1
videohub=$2
scenario=$3
work=$(mktemp -d /tmp/kest-live-scenario.XXXXXX)
router_pid=
cleanup() {
    if [ -n "$router_pid" ]; then
        kill "$router_pid" 2>/dev/null || true
        wait "$router_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

header() { sed -n "s/^# $1: //p" "$scenario"; }
router_args=$(header kest-videohub | head -n 1)
host_args=$(header kest-host | head -n 1)
header router-log | grep -v '^none$' >"$work/expected" || true

# The header's words are the arguments, with the shell's quoting and escapes.
eval "router_words=($router_args)"
"$videohub" --port 0 --port-file "$work/port" --log "$work/log" "${router_words[@]}" \
    </dev/null >/dev/null 2>"$work/router.err" &
router_pid=$!
for _ in $(seq 1 500); do
    [ -s "$work/port" ] && break
    sleep 0.01
done
if [ ! -s "$work/port" ]; then
    echo "kest-videohub did not start:"
    cat "$work/router.err"
    exit 1
fi
port=$(cat "$work/port")

status=0
if [[ " $host_args " == *" --live "* ]]; then
    rest=${host_args/--live/}
    # shellcheck disable=SC2086
    timeout 60 "$host" --no-color --set "PORT=$port" --live "$scenario" $rest >"$work/out" 2>&1 ||
        status=$?
else
    # shellcheck disable=SC2086
    timeout 60 "$host" --no-color --set "PORT=$port" $host_args "$scenario" >"$work/out" 2>&1 ||
        status=$?
fi
touch "$work/log"
if [ "$status" -ne 0 ] || ! grep -q " 0 failed; checks passed" "$work/out"; then
    cat "$work/out"
    echo "FAILED: kest-host ended with status $status"
    exit 1
fi
if ! diff -u "$work/expected" "$work/log"; then
    echo "FAILED: the router received other routing lines than the scenario expects"
    exit 1
fi
grep "Summary:" "$work/out"
