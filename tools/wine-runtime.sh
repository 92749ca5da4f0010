#!/usr/bin/env bash
# Installs Wine if it can and says whether 32-bit Windows programs can run here.
# Prints nothing when they can; otherwise one line saying why not, for a step's
# "SKIPPED: ..." line. Always exits 0 once it has an answer: a broken package
# mirror is a reason to skip run-time tests, not a failure of the caller.
#
#   skipped=$(bash tools/wine-runtime.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

report=$(mktemp)
trap 'rm -f "$report"' EXIT
# apt's own messages go to standard error, so that the answer stays one line.
bash tools/install-packages.sh --optional --report "$report" wine >&2
reasons=""
while IFS=$'\t' read -r package reason; do
    reasons+="${reasons:+; }${package%%:*} cannot be installed ($reason)"
done <"$report"
if [ -z "$reasons" ] && ! command -v wine >/dev/null; then
    reasons="wine is installed but not on PATH"
fi
# The 32-bit loader comes with wine32 only: wine and wine64 alone start a 32-bit
# program in a broken "wow64" mode that still exits 0.
if [ -z "$reasons" ] &&
    ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then
    reasons="wine32 cannot be installed (wine32:i386 is not installed)"
fi
echo "$reasons"
