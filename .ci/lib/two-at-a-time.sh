# shellcheck shell=bash
# two_at_a_time FUNCTION ARG...: runs FUNCTION once for each ARG, two at a time (one
# a core on the 2-core machine), and returns when every run has ended. Each run
# leaves its own result behind for the caller to read in the arguments' order.
two_at_a_time() {
    local fn=$1 running=0 arg
    shift
    for arg in "$@"; do
        if [ "$running" -ge 2 ]; then
            wait -n || true
            running=$((running - 1))
        fi
        "$fn" "$arg" &
        running=$((running + 1))
    done
    wait
}
