#!/usr/bin/env bash
# A fuzz campaign beyond CI: every target of the fuzz build, in seeded, bounded
# batches, two at a time (one per core), then the corpora merged and minimised
# into fuzz/corpus/<target>/. Prints the executions and the coverage of each target.
#
#   bash tools/fuzz-campaign.sh HOURS        (HOURS may be a fraction: 0.25)
#
# Targets are every *_fuzzer program in the fuzz build's bin folder; a target's
# corpus is fuzz/corpus/<name without _fuzzer>/ (made when missing). Each batch
# runs every target once for FUZZ_BATCH_SECONDS with its own seed, adding to a work
# copy of its corpus; batches repeat until HOURS are used up.
#
# Merging keeps every file of fuzz/corpus/<target>/ that the campaign did not make
# (the seed_* files and any finding kept as a regression) and replaces the files
# an earlier campaign made (campaign_*) with the smallest set that adds coverage to
# them. A finding (crash, leak, sanitizer report, timeout, out-of-memory) stops that
# target, is kept in the work folder and makes the script fail; nothing of that
# target is merged.
#
#   FUZZ_BUILD          build folder (default build/fuzz, the fuzz preset's)
#   FUZZ_SEED           seed of the first run (default 20261209); run n uses SEED + n
#   FUZZ_BATCH_SECONDS  length of one run of one target (default 600)
#   FUZZ_JOBS           targets fuzzed at the same time (default 2)
#   FUZZ_TARGETS        only these targets, by name, separated by blanks (default all)
#   FUZZ_RUNS           a target is done once it has run this many inputs; the
#                       campaign ends early when every target is done (default: no
#                       such bound, only HOURS)
#   FUZZ_SUMMARY        also write the summary table to this file
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 1 ] || ! awk -v h="$1" 'BEGIN { exit !(h + 0 > 0) }'; then
    echo "usage: $0 HOURS   (a positive number, fractions allowed)" >&2
    exit 2
fi
total=$(awk -v h="$1" 'BEGIN { printf "%d", h * 3600 }')
build=${FUZZ_BUILD:-build/fuzz}
seed=${FUZZ_SEED:-20261209}
batch=${FUZZ_BATCH_SECONDS:-600}
jobs=${FUZZ_JOBS:-2}
runs_wanted=${FUZZ_RUNS:-0}
[ "$total" -ge 1 ] || total=1
if ! [[ "$runs_wanted" =~ ^[0-9]+$ ]]; then
    echo "FUZZ_RUNS must be a whole number, not \"$runs_wanted\"" >&2
    exit 2
fi

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j2

targets=()
for program in "$build"/bin/*_fuzzer; do
    [ -x "$program" ] || continue
    name=$(basename "$program")
    targets+=("${name%_fuzzer}")
done
if [ ${#targets[@]} -eq 0 ]; then
    echo "no *_fuzzer programs in $build/bin" >&2
    exit 1
fi
if [ -n "${FUZZ_TARGETS:-}" ]; then
    for wanted in $FUZZ_TARGETS; do
        if [ ! -x "$build/bin/${wanted}_fuzzer" ]; then
            echo "FUZZ_TARGETS: no target \"$wanted\" (the fuzz build has: ${targets[*]})" >&2
            exit 2
        fi
    done
    read -r -a targets <<<"$FUZZ_TARGETS"
fi

work=$(mktemp -d /tmp/kest-campaign.XXXXXX)
echo "campaign: ${targets[*]}; ${total}s in batches of ${batch}s, $jobs at a time," \
    "first seed $seed, work folder $work"

declare -A executions=() failed=()
for target in "${targets[@]}"; do
    mkdir -p "$work/$target/corpus" "$work/$target/artifacts" "fuzz/corpus/$target"
    cp -p "fuzz/corpus/$target"/* "$work/$target/corpus"/ 2>/dev/null || true
    executions[$target]=0
done

max_len() {
    case $1 in
        tavrin_panel | scenario_parser | layout_parser | command_text) echo 4096 ;;
        *) echo 1024 ;;
    esac
}

# fuzz_once TARGET SEED SECONDS LOG: one bounded run; its exit status. With FUZZ_RUNS
# the run also ends when the target has run that many inputs in all.
fuzz_once() {
    local runs=-1
    [ "$runs_wanted" -eq 0 ] || runs=$((runs_wanted - executions[$1]))
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/bin/$1_fuzzer" "$work/$1/corpus" \
        -seed="$2" -max_total_time="$3" -runs="$runs" -max_len="$(max_len "$1")" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -close_fd_mask=2 \
        -artifact_prefix="$work/$1/artifacts/" >"$4" 2>&1
}

# Records a run's executions, or its finding.
account() {
    local target=$1 status=$2 log=$3 runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    executions[$target]=$((executions[$target] + ${runs:-0}))
    if [ "$status" -ne 0 ] ||
        grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
        failed[$target]=$log
        echo "FINDING $target (exit $status): $log"
        grep -E 'ERROR|SUMMARY|runtime error|fuzz_host|Test unit written' "$log" | head -20 || true
    fi
}

start=$SECONDS
run=0
round=0
while [ $((SECONDS - start)) -lt "$total" ]; do
    left=$((total - (SECONDS - start)))
    pending=()
    for target in "${targets[@]}"; do
        [ -z "${failed[$target]:-}" ] || continue
        [ "$runs_wanted" -eq 0 ] || [ "${executions[$target]}" -lt "$runs_wanted" ] || continue
        pending+=("$target")
    done
    [ ${#pending[@]} -gt 0 ] || break
    # Every target gets the same share of what is left when the batch cannot be whole.
    rounds_left=$(( (${#pending[@]} + jobs - 1) / jobs ))
    seconds=$batch
    if [ $((seconds * rounds_left)) -gt "$left" ]; then
        seconds=$((left / rounds_left))
    fi
    [ "$seconds" -ge 1 ] || break
    round=$((round + 1))
    echo "batch $round ($(( (SECONDS - start) / 60 )) of $((total / 60)) minutes used):" \
        "${seconds}s for each of ${pending[*]}"
    i=0
    while [ $i -lt ${#pending[@]} ]; do
        pids=()
        names=()
        for ((j = 0; j < jobs && i < ${#pending[@]}; j++, i++)); do
            target=${pending[$i]}
            log=$work/$target/batch-$round.log
            fuzz_once "$target" $((seed + run)) "$seconds" "$log" &
            pids+=($!)
            names+=("$target")
            run=$((run + 1))
        done
        for k in "${!pids[@]}"; do
            status=0
            wait "${pids[$k]}" || status=$?
            account "${names[$k]}" "$status" "$work/${names[$k]}/batch-$round.log"
            echo "  ${names[$k]}: ${executions[${names[$k]}]} inputs so far"
        done
    done
done

# Merge: the kept files are the baseline; the campaign's own files are replaced by
# the smallest set of new inputs that adds coverage to it.
for target in "${targets[@]}"; do
    [ -z "${failed[$target]:-}" ] || continue
    merged=$work/$target/merged
    previous=$work/$target/previous-campaign
    mkdir -p "$merged" "$previous"
    for file in "fuzz/corpus/$target"/*; do
        [ -f "$file" ] || continue
        case $(basename "$file") in
            campaign_*) cp -p "$file" "$previous"/ ;;
            *) cp -p "$file" "$merged"/ ;;
        esac
    done
    ls "$merged" >"$work/$target/kept"
    status=0
    "$build/bin/${target}_fuzzer" -merge=1 -seed="$seed" -max_len="$(max_len "$target")" \
        -timeout=10 -rss_limit_mb=2048 -close_fd_mask=2 \
        "$merged" "$previous" "$work/$target/corpus" >"$work/$target/merge.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        failed[$target]=$work/$target/merge.log
        echo "FINDING $target: the merge failed, see $work/$target/merge.log"
        continue
    fi
    rm -f "fuzz/corpus/$target"/campaign_*
    for file in "$merged"/*; do
        name=$(basename "$file")
        grep -qxF "$name" "$work/$target/kept" && continue
        cp -p "$file" "fuzz/corpus/$target/campaign_$name"
    done
done

# Coverage of each minimised corpus: one pass over it, no mutation.
summary=$work/summary.txt
printf '%-22s %14s %8s %9s %7s  %s\n' target executions cov features files status >"$summary"
for target in "${targets[@]}"; do
    log=$work/$target/coverage.log
    "$build/bin/${target}_fuzzer" -runs=0 -max_len="$(max_len "$target")" -close_fd_mask=2 \
        "fuzz/corpus/$target" >"$log" 2>&1 || true
    line=$(grep -E 'INITED|DONE' "$log" | tail -1)
    cov=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$line")
    ft=$(sed -n 's/.*ft: \([0-9]*\).*/\1/p' <<<"$line")
    files=$(find "fuzz/corpus/$target" -type f | wc -l)
    status=ok
    [ -z "${failed[$target]:-}" ] || status="FINDING ${failed[$target]}"
    printf '%-22s %14s %8s %9s %7s  %s\n' "$target" "${executions[$target]}" "${cov:-?}" \
        "${ft:-?}" "$files" "$status" >>"$summary"
done
cat "$summary"
[ -z "${FUZZ_SUMMARY:-}" ] || cp "$summary" "$FUZZ_SUMMARY"

if [ ${#failed[@]} -ne 0 ]; then
    echo "findings kept in $work"
    exit 1
fi
rm -rf "$work"
