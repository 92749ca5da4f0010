#!/usr/bin/env bash
# Long random runs of the real plug-in in kest-host: 100000 events for each of a
# fixed list of seeds, then 50000 events with device faults mixed in for each of ten
# seeds, every check of the host's validator on. Any failed check or non-zero exit
# fails the step; the message repeats the run:
#
#   build/default/bin/kest-host --stress 100000 --seed <seed>
#   build/default/bin/kest-host --stress 50000 --seed <seed> --faults
#
#   STRESS_EVENTS   events per seed (default 100000)
#   FAULT_EVENTS    events per seed with --faults (default 50000)
#   STRESS_BUILD    build folder (default build/default, made by tools/test.sh)
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-packages.sh build

events=${STRESS_EVENTS:-100000}
build=${STRESS_BUILD:-build/default}
host=$build/bin/kest-host
seeds=(1 2 3 5 7 11 13 17 19 23 29 31 37 41 43 47 53 59 61 67 71 73 79 83)
fault_events=${FAULT_EVENTS:-50000}
fault_seeds=(1 2 3 5 7 11 13 17 19 23)

if [ ! -x "$host" ]; then
    echo "stress: no $host; build the default preset first (bash tools/test.sh)"
    exit 1
fi

log=$(mktemp /tmp/kest-stress.XXXXXX)
trap 'rm -f "$log"' EXIT
failed=0
total_events=0
total_commands=0
total_delivered=0
start=$(date +%s.%N)
# Each run: "EVENTS SEED [--faults]".
runs=()
for seed in "${seeds[@]}"; do runs+=("$events $seed"); done
for seed in "${fault_seeds[@]}"; do runs+=("$fault_events $seed --faults"); done
for run in "${runs[@]}"; do
    read -r n_events seed faults <<<"$run"
    status=0
    "$host" --stress "$n_events" --seed "$seed" $faults --no-color >"$log" 2>&1 || status=$?
    # "Stress: seed S, N events in T s, C commands, D events delivered"
    line=$(grep -E '^Stress: seed' "$log" | tail -1 || true)
    if [ "$status" -ne 0 ] || [ -z "$line" ]; then
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
echo "stress: ${#runs[@]} runs, $total_events events, $total_delivered events delivered," \
     "$total_commands commands in ${elapsed}s"
exit "$failed"
