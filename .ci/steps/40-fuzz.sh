#!/usr/bin/env bash
# Fuzzes every target for a bounded time from its seed corpus, two targets at a time
# (one a core), with a fixed seed so a run can be repeated. Any crash, leak,
# sanitizer report, timeout or out-of-memory fails the step; the input that caused
# it is kept in the run's folder and printed.
# The targets' own standard error is closed (the panel's debug trace would write
# hundreds of megabytes); libFuzzer and the sanitizers report on a copy of it, and
# rerunning the printed artifact shows the harness's own message as well.
#
#   FUZZ_SECONDS   time per plug-in target (default 60)
#   FUZZ_HOST_SECONDS  time per target of kest-host's readers (default 30): two
#                  targets run at a time, so the step fuzzes for about 3 minutes
#   FUZZ_SEED      libFuzzer's -seed (default 20261209)
#   FUZZ_BUILD     build folder (default build/fuzz, the fuzz preset's)
set -euo pipefail
cd "$(dirname "$0")/../.."
bash tools/install-packages.sh build fuzz

plugin_seconds=${FUZZ_SECONDS:-60}
host_seconds=${FUZZ_HOST_SECONDS:-30}
seed=${FUZZ_SEED:-20261209}
build=${FUZZ_BUILD:-build/fuzz}
targets=(parsed_request decode_kest_string tavrin_panel scenario_parser layout_parser command_text
    videohub_reader tsl_packet plugin_version web_request)

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzzer}"

work=$(mktemp -d /tmp/kest-fuzz.XXXXXX)
echo "fuzz: ${plugin_seconds}s per plug-in target, ${host_seconds}s per host target," \
    "seed $seed, two at a time, work folder $work"

# fuzz_one TARGET: fuzzes one target; its verdict goes to $work/TARGET/verdict, its
# first line "ok" or "FAIL".
fuzz_one() {
    local target=$1 seconds=$plugin_seconds max_len=1024 status=0
    case $target in
        tavrin_panel) max_len=4096 ;;
        scenario_parser | layout_parser | command_text) max_len=4096 seconds=$host_seconds ;;
        # Long enough for a line past the reader's 4096-byte bound.
        videohub_reader) max_len=16384 seconds=$host_seconds ;;
        tsl_packet) max_len=4200 seconds=$host_seconds ;;
        # A small PE image with its version resource fits in 1024 bytes.
        plugin_version) max_len=2048 seconds=$host_seconds ;;
        # Past the request head's 8 KiB bound.
        web_request) max_len=9000 seconds=$host_seconds ;;
    esac
    # Fuzz a copy: new inputs land in the temporary folder, never in the repository.
    local corpus=$work/$target/corpus log=$work/$target/fuzz.log verdict=$work/$target/verdict
    mkdir -p "$corpus" "$work/$target/artifacts"
    cp fuzz/corpus/$target/* "$corpus"/
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/bin/${target}_fuzzer" "$corpus" \
        -seed="$seed" -max_total_time="$seconds" -max_len="$max_len" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -close_fd_mask=2 \
        -artifact_prefix="$work/$target/artifacts/" >"$log" 2>&1 || status=$?
    local runs rate cov size
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    cov=$(grep -Eo 'cov: [0-9]+' "$log" | tail -1 || true)
    size=$(find "$corpus" -type f | wc -l)
    if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$log"; then
        {
            echo "FAIL $target (exit $status): see $log"
            grep -E 'ERROR|SUMMARY|runtime error|fuzz_host|Test unit written' "$log" | head -20 || true
            for artifact in "$work/$target"/artifacts/*; do
                [ -e "$artifact" ] && echo "  reproduce: $build/bin/${target}_fuzzer $artifact"
            done
        } >"$verdict"
    else
        echo "ok   $target: ${runs:-?} runs, ${rate:-?} exec/s, ${cov:-cov: ?}, corpus $size files" >"$verdict"
    fi
}

# Two targets at a time, one a core; the verdicts are printed in the targets' order.
source .ci/lib/two-at-a-time.sh
two_at_a_time fuzz_one "${targets[@]}"
failed=0
for target in "${targets[@]}"; do
    cat "$work/$target/verdict" 2>/dev/null || echo "FAIL $target: no verdict (see $work/$target)"
    head -1 "$work/$target/verdict" 2>/dev/null | grep -q '^ok' || failed=1
done
if [ "$failed" -ne 0 ]; then
    exit 1
fi
rm -rf "$work"
