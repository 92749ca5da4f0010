#!/usr/bin/env bash
# Long random runs of the real plug-in in kest-host: 100000 events for each of a
# fixed list of seeds, every check of the host's validator on. Any failed check or
# non-zero exit fails the step; the seed in the message repeats the run:
#
#   build/default/bin/kest-host --stress 100000 --seed <seed>
#
#   STRESS_EVENTS   events per seed (default 100000)
#   STRESS_BUILD    build folder (default build/default, made by tools/test.sh)
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-packages.sh build

events=${STRESS_EVENTS:-100000}
build=${STRESS_BUILD:-build/default}
host=$build/bin/kest-host
seeds=(1 2 3 5 7 11 13 17 19 23 29 31 37 41 43 47 53 59 61 67 71 73 79 83)

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
for seed in "${seeds[@]}"; do
    status=0
    "$host" --stress "$events" --seed "$seed" --no-color >"$log" 2>&1 || status=$?
    # "Stress: seed S, N events in T s, C commands, D events delivered"
    line=$(grep -E '^Stress: seed' "$log" | tail -1 || true)
    if [ "$status" -ne 0 ] || [ -z "$line" ]; then
        echo "FAIL seed $seed (exit $status): $host --stress $events --seed $seed"
        grep -E 'CHECK FAILED|FAILED|error' "$log" | head -20 || tail -20 "$log"
        failed=1
        continue
    fi
    read -r n c d < <(echo "$line" |
        sed -E 's/.*, ([0-9]+) events in [^,]*, ([0-9]+) commands, ([0-9]+) events delivered.*/\1 \2 \3/')
    total_events=$((total_events + n))
    total_commands=$((total_commands + c))
    total_delivered=$((total_delivered + d))
    echo "ok   $line"
done
elapsed=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')
echo "stress: ${#seeds[@]} seeds, $total_events events, $total_delivered events delivered," \
     "$total_commands commands in ${elapsed}s"
exit "$failed"
