#!/usr/bin/env python3
"""How long a change takes to reach the browser panel's DOM: a measurement, not a test.

    tools/web_latency.py KEST_HOST [--changes 1000] [--pages 1,10]

Starts `kest-host --interactive --web 127.0.0.1:0` on the demo studio and headless
chromium (Debian's, through selenium) with N pages open. On the measuring page a
key press of input 2 (then its release) is sent down the page's WebSocket; a
MutationObserver stamps the moment the monitor's source control shows the new
source. Each sample is page -> host -> plug-in -> host -> page: the host's statement,
the panel's control change, the redraw of the changed parts and their push to every
page, and the page putting them in place. Prints the median and the 99th percentile
in ms for each number of pages.
"""

import argparse
import os
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import browser_test as bt  # noqa: E402

MEASURE = """
const done = arguments[arguments.length - 1];
const n = arguments[0];
const target = () => document.querySelector(
    '#part-panel .control[data-control-id="CurrentSDI_ID"] .text');
const samples = [];
let i = 0;
function one() {
  if (i === n) { done(samples); return; }
  const want = i % 2 === 0 ? '6' : '1';
  const t0 = performance.now();
  const observer = new MutationObserver(() => {
    const t = target();
    if (t && t.textContent === want) {
      observer.disconnect();
      samples.push(performance.now() - t0);
      i++;
      setTimeout(one, 0);
    }
  });
  observer.observe(document.getElementById('part-panel'),
                   {childList: true, subtree: true, characterData: true});
  const key = new KeyboardEvent(want === '6' ? 'keydown' : 'keyup', {key: '2'});
  document.dispatchEvent(key);
}
one();
"""


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("host")
    parser.add_argument("--changes", type=int, default=1000)
    parser.add_argument("--pages", default="1,10")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="kest-web-latency-")
    for pages in [int(p) for p in args.pages.split(",")]:
        host = bt.Host(os.path.abspath(args.host), "127.0.0.1:0", work)
        host.proc.stdout  # the output is collected by the Host's reader thread
        d = bt.browser(work)
        d.set_script_timeout(600)
        try:
            d.get(host.url)
            bt.wait_connected(d)
            measuring = d.current_window_handle
            for _ in range(pages - 1):
                d.switch_to.new_window("window")
                d.get(host.url)
                bt.wait_connected(d)
            d.switch_to.window(measuring)
            samples = d.execute_async_script(MEASURE, args.changes)
        finally:
            d.quit()
            host.quit()
        print("pages %2d: %d changes, median %.2f ms, p99 %.2f ms, max %.2f ms" % (
            pages, len(samples), statistics.median(samples), percentile(samples, 99),
            max(samples)))
        sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
