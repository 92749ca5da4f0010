#!/usr/bin/env bash
# The run's reports as CI keeps them: kest-host plays a scenario with one failure on
# purpose and the demo, writing JUnit XML and the HTML report; the XML is parsed and
# counted, and the page is checked in headless Chromium (texts in the drawn panel,
# the failure highlighted, no console errors, the device filter) and photographed.
#
#   build/artifacts/report.xml  report.html  report.png
#
#   REPORT_BUILD    build folder (default build/default, made by tools/test.sh)
set -euo pipefail
cd "$(dirname "$0")/../.."

bash tools/install-packages.sh browser build

build=${REPORT_BUILD:-build/default}
host=$build/bin/kest-host
out=build/artifacts
if [ ! -x "$host" ]; then
    echo "report: no $host; build the default preset first (bash tools/test.sh)"
    exit 1
fi
mkdir -p "$out"

status=0
"$host" --quiet --no-color --junit "$out/report.xml" --report "$out/report.html" \
    tests/report/fixtures/one_failure.scn scenarios/demo.scn >"$out/report.log" 2>&1 || status=$?
if [ "$status" -ne 1 ]; then
    echo "report: kest-host ended with $status, expected 1 (one failure on purpose)"
    tail -20 "$out/report.log"
    exit 1
fi

python3 - "$out/report.xml" <<'PY'
import sys
import xml.etree.ElementTree as ET

root = ET.parse(sys.argv[1]).getroot()
suites = root.findall("testsuite")
failures = [s.get("failures") for s in suites]
print(f"report.xml: {len(suites)} suites, {root.get('tests')} tests, failures {failures}")
if root.tag != "testsuites" or len(suites) != 2 or failures != ["1", "0"]:
    sys.exit("report.xml: expected 2 suites, the first with 1 failure")
PY

python3 tests/report/check_report.py "$out/report.html" --expect-failure \
    --control 22="Cam 6" --control CurrentSDI_ID=6 --control Current_Name="Cam 6" \
    --control 51="LD Monitor" --control 21="Cam 5" --hidden AwaitGPI --hidden AwaitTallyInfo \
    --filter-device 12 --screenshot "$out/report.png"
echo "report: $out/report.xml, $out/report.html, $out/report.png"
