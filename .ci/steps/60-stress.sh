#!/usr/bin/env bash
# Long random runs of the real plug-in in kest-host: 100000 events for each of a
# fixed list of seeds, then 50000 events with device faults mixed in for each of ten
# seeds, every check of the host's validator on, two runs at a time (one a core).
# Any failed check or non-zero exit fails the step; the message repeats the run:
#
#   build/release/bin/kest-host --stress 100000 --seed <seed>
#   build/release/bin/kest-host --stress 50000 --seed <seed> --faults
#
# The runs use the release build, the one users make (made by the release step): a
# seed gives the same events and commands in every build, and this one plays them
# about three times as fast as the Debug build with its coverage counters.
#
#   STRESS_EVENTS   events per seed (default 100000)
#   FAULT_EVENTS    events per seed with --faults (default 50000)
#   STRESS_BUILD    build folder (default build/release)
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-packages.sh build

events=${STRESS_EVENTS:-100000}
build=${STRESS_BUILD:-build/release}
host=$build/bin/kest-host
seeds=(1 2 3 5 7 11 13 17 19 23 29 31 37 41 43 47 53 59 61 67 71 73 79 83)
fault_events=${FAULT_EVENTS:-50000}
fault_seeds=(1 2 3 5 7 11 13 17 19 23)

if [ ! -x "$host" ]; then
    echo "stress: no $host; build the release preset first (bash .ci/steps/20-release.sh)"
    exit 1
fi

logs=$(mktemp -d /tmp/kest-stress.XXXXXX)
trap 'rm -rf "$logs"' EXIT
start=$(date +%s.%N)
# Each run: "EVENTS SEED [--faults]".
runs=()
for seed in "${seeds[@]}"; do runs+=("$events $seed"); done
for seed in "${fault_seeds[@]}"; do runs+=("$fault_events $seed --faults"); done

# stress_one INDEX: plays run INDEX; its output goes to $logs/INDEX.log and its exit
# status to $logs/INDEX.status.
stress_one() {
    local n_events seed faults status=0
    read -r n_events seed faults <<<"${runs[$1]}"
    "$host" --stress "$n_events" --seed "$seed" $faults --no-color >"$logs/$1.log" 2>&1 || status=$?
    echo "$status" >"$logs/$1.status"
}

# Two runs at a time, one a core; the results are read in the runs' order.
source .ci/lib/two-at-a-time.sh
two_at_a_time stress_one "${!runs[@]}"

failed=0
total_events=0
total_commands=0
total_delivered=0
for i in "${!runs[@]}"; do
    read -r n_events seed faults <<<"${runs[$i]}"
    log=$logs/$i.log
    status=$(cat "$logs/$i.status" 2>/dev/null || echo "?")
    # "Stress: seed S, N events in T (R events/s), C commands, D events delivered"
    line=$(grep -E '^Stress: seed' "$log" | tail -1 || true)
    if [ "$status" != 0 ] || [ -z "$line" ]; then
        echo "FAIL seed $seed (exit $status): $host --stress $n_events --seed $seed $faults"
        grep -E 'CHECK FAILED|FAILED|error' "$log" | head -20 || tail -20 "$log"
        failed=1
        continue
    fi
    read -r n c d < <(echo "$line" |
        sed -E 's/.*, ([0-9]+) events in [^,]*, ([0-9]+) commands, ([0-9]+) events delivered.*/\1 \2 \3/')
    total_events=$((total_events + n))
    total_commands=$((total_commands + c))
    total_delivered=$((total_delivered + d))
    echo "ok   $line${faults:+ (with faults)}"
done
elapsed=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')
echo "stress: ${#runs[@]} runs, two at a time, $total_events events, $total_delivered events" \
     "delivered, $total_commands commands in ${elapsed}s"
exit "$failed"
