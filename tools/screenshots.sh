#!/usr/bin/env bash
# Refreshes the browser panel's screenshots in docs/: the page of
# `kest-host --interactive --web` on the demo studio with input 2 held, photographed
# by headless chromium at 1280 and at 360 pixels wide.
#
#   docs/web-1280.png  docs/web-360.png
#
#   SCREENSHOT_BUILD   build folder (default build/default, made by tools/test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh browser build

build=${SCREENSHOT_BUILD:-build/default}
host=$build/bin/kest-host
if [ ! -x "$host" ]; then
    echo "screenshots: no $host; build the default preset first (bash tools/test.sh)"
    exit 1
fi
# Debian's selenium belongs to the system's Python.
python=/usr/bin/python3
[ -x "$python" ] || python=python3

"$python" - "$host" docs <<'PY'
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.getcwd(), "tests", "web"))
import browser_test as bt  # noqa: E402

host_binary, out = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp(prefix="kest-screenshots-")
host = bt.Host(os.path.abspath(host_binary), "127.0.0.1:0", work)
d = bt.browser(work)
try:
    d.get(host.url)
    bt.wait_connected(d)
    host.type("press 2")
    bt.wait_monitor(d, "6", "Cam 6", 5)
    for width in (1280, 360):
        d.set_window_size(width, 900)
        time.sleep(0.3)
        height = d.execute_script("return document.documentElement.scrollHeight")
        d.set_window_size(width, min(max(height, 600), 2400))
        time.sleep(0.3)
        path = os.path.join(out, "web-%d.png" % width)
        d.save_screenshot(path)
        print("screenshots: " + path)
finally:
    d.quit()
    host.quit()
PY
