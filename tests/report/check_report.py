#!/usr/bin/env python3
"""Checks a kest-host HTML report in a real browser (Debian's headless chromium).

    check_report.py REPORT.html [--control ID=TEXT]... [--hidden ID]...
                    [--expect-failure] [--suite suite-0] [--filter-device N]
                    [--screenshot OUT.png]

1. Loads the page and dumps its DOM after the script ran. The drawing at the end of
   the suite (figure[data-reason=end]) must show each --control ID with TEXT and each
   --hidden ID as hidden; with --expect-failure a failed step and a failed drawing must
   be highlighted; the timeline filter must have been shown (the script ran).
   With --filter-device the page is loaded again as REPORT.html#device=N: every
   timeline entry of another device (or of none) must be filtered out, and some of
   device N must stay.
2. Fails on any console message of the page (errors, uncaught exceptions, a resource
   that does not load).
3. Takes a screenshot and fails when it is blank: one colour covering nearly all of
   it, or too few colours.

Exit status: 0 passed, 1 a check failed, 2 usage or browser failure, 77 no chromium
(CTest reports the test as skipped).
"""

import argparse
import html.parser
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

BROWSER_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--hide-scrollbars",
]
CONSOLE_LINE = re.compile(r":CONSOLE[:(]")
VOID_ELEMENTS = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
                 "source", "track", "wbr"}
TIMEOUT_SECONDS = 120


class Element:
    def __init__(self, tag, attrs, parent):
        self.tag = tag
        self.attrs = dict(attrs)
        self.parent = parent
        self.children = []
        self.text_parts = []

    def classes(self):
        return (self.attrs.get("class") or "").split()

    def text(self):
        return "".join(self.text_parts) + "".join(c.text() for c in self.children)

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()

    def find_all(self, predicate):
        return [e for e in self.walk() if predicate(e)]


class TreeBuilder(html.parser.HTMLParser):
    """Just enough of a DOM: elements, attributes and text, from chromium's dump."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = Element("#document", [], None)
        self.current = self.root

    def handle_starttag(self, tag, attrs):
        element = Element(tag, attrs, self.current)
        self.current.children.append(element)
        if tag not in VOID_ELEMENTS:
            self.current = element

    def handle_endtag(self, tag):
        node = self.current
        while node is not self.root and node.tag != tag:
            node = node.parent
        if node is not self.root:
            self.current = node.parent

    def handle_data(self, data):
        self.current.text_parts.append(data)


def run_browser(browser, extra, url):
    with tempfile.TemporaryDirectory(prefix="kest-report-browser-") as profile:
        command = [browser, *BROWSER_FLAGS, f"--user-data-dir={profile}", *extra, url]
        return subprocess.run(command, capture_output=True, text=True, errors="replace",
                              timeout=TIMEOUT_SECONDS, check=False)


def check_dom(dom, args, failures):
    builder = TreeBuilder()
    builder.feed(dom)
    root = builder.root
    suites = root.find_all(lambda e: e.tag == "section" and e.attrs.get("id") == args.suite)
    if not suites:
        failures.append(f"no section#{args.suite} in the page")
        return
    suite = suites[0]
    ends = suite.find_all(lambda e: e.tag == "figure" and e.attrs.get("data-reason") == "end")
    if not ends:
        failures.append(f"{args.suite} has no drawing of the end")
        return
    end = ends[-1]

    def control(control_id):
        found = end.find_all(lambda e: e.attrs.get("data-control-id") == control_id)
        if not found:
            failures.append(f"control {control_id!r} is not drawn at the end")
            return None
        return found[0]

    for pair in args.control:
        control_id, _, expected = pair.partition("=")
        element = control(control_id)
        if element is None:
            continue
        texts = element.find_all(lambda e: "text" in e.classes())
        shown = texts[0].text() if texts else None
        if shown != expected:
            failures.append(f"control {control_id!r} shows {shown!r}, expected {expected!r}")
        else:
            print(f"ok: control {control_id} shows {expected!r}")
    for control_id in args.hidden:
        element = control(control_id)
        if element is None:
            continue
        if element.attrs.get("data-visible") != "0" or "is-hidden" not in element.classes():
            failures.append(f"control {control_id!r} is not drawn as hidden")
        else:
            print(f"ok: control {control_id} is drawn as hidden")
    if args.expect_failure:
        steps = suite.find_all(lambda e: e.tag == "li" and "step" in e.classes()
                               and "failed" in e.classes())
        shots = suite.find_all(lambda e: e.tag == "figure" and "failed" in e.classes())
        if not steps or not shots:
            failures.append("the failed expectation is not highlighted "
                            f"({len(steps)} failed steps, {len(shots)} failed drawings)")
        else:
            lines = ", ".join(s.attrs.get("data-line", "?") for s in steps)
            print(f"ok: failed expectation highlighted (step at line {lines}, "
                  f"{len(shots)} drawing)")
    filters = suite.find_all(lambda e: e.tag == "form" and "filter" in e.classes())
    if filters and "hidden" in filters[0].attrs:
        failures.append("the timeline filter is still hidden: the page's script did not run")
    elif filters:
        print("ok: the page's script ran (the timeline filter is shown)")


def check_filter(dom, device, failures):
    builder = TreeBuilder()
    builder.feed(dom)
    entries = builder.root.find_all(lambda e: e.tag == "li" and e.attrs.get("data-kind"))
    shown = [e for e in entries if "filtered-out" not in e.classes()]
    wrong = [e for e in shown if e.attrs.get("data-device") != device]
    if not shown or wrong:
        failures.append(f"filter by device {device}: {len(shown)} entries shown, "
                        f"{len(wrong)} of them of another device")
    else:
        print(f"ok: filter by device {device} shows {len(shown)} of {len(entries)} entries")


def console_messages(stderr, failures):
    console = [line for line in stderr.splitlines() if CONSOLE_LINE.search(line)]
    for line in console:
        failures.append("console error: " + line.split("] ", 1)[-1])
    return len(console)


def png_pixels(path):
    """Decodes an 8-bit RGB or RGBA PNG (what chromium writes) into rows of pixels."""
    data = pathlib.Path(path).read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    at, idat, header = 8, [], None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(f"unsupported PNG (depth {depth}, colour type {colour})")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    previous = bytearray(stride)
    rows = []
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                line[i] = (line[i] + pred) & 255
        rows.append([bytes(line[x:x + 3]) for x in range(0, stride, channels)])
        previous = line
    return width, height, rows


def check_screenshot(path, failures):
    if not os.path.exists(path) or os.path.getsize(path) == 0:
        failures.append(f"no screenshot was written to {path}")
        return
    width, height, rows = png_pixels(path)
    counts = {}
    for row in rows:
        for pixel in row:
            counts[pixel] = counts.get(pixel, 0) + 1
    total = width * height
    top = max(counts.values())
    share = 1 - top / total
    # A drawn report has many colours, and a fair share of the picture is not page
    # background; a blank or failed page is one colour (or nearly).
    if len(counts) < 16 or share < 0.05:
        failures.append(f"the screenshot looks blank: {len(counts)} colours, "
                        f"{share:.1%} of {width}x{height} pixels off the main colour")
    else:
        print(f"ok: screenshot {path}: {width}x{height}, {len(counts)} colours, "
              f"{share:.1%} of the pixels off the background")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("report")
    parser.add_argument("--control", action="append", default=[], metavar="ID=TEXT")
    parser.add_argument("--hidden", action="append", default=[], metavar="ID")
    parser.add_argument("--expect-failure", action="store_true")
    parser.add_argument("--suite", default="suite-0")
    parser.add_argument("--filter-device", metavar="N")
    parser.add_argument("--screenshot", metavar="OUT.png")
    parser.add_argument("--window-size", default="1280,1100")
    args = parser.parse_args()

    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if browser is None:
        print("SKIPPED: chromium is not installed (Debian package chromium)")
        return 77
    if not os.path.isfile(args.report):
        print(f"check_report: cannot read {args.report}", file=sys.stderr)
        return 2
    url = pathlib.Path(args.report).resolve().as_uri()
    failures = []

    dump = run_browser(browser, ["--enable-logging=stderr", "--dump-dom"], url)
    if dump.returncode != 0 or "<html" not in dump.stdout:
        print(f"check_report: chromium failed ({dump.returncode}):\n{dump.stderr[-2000:]}",
              file=sys.stderr)
        return 2
    if console_messages(dump.stderr, failures) == 0:
        print("ok: no console messages")
    check_dom(dump.stdout, args, failures)

    if args.filter_device:
        filtered = run_browser(browser, ["--enable-logging=stderr", "--dump-dom"],
                               f"{url}#device={args.filter_device}")
        console_messages(filtered.stderr, failures)
        check_filter(filtered.stdout, args.filter_device, failures)

    if args.screenshot:
        shot = pathlib.Path(args.screenshot).resolve()
        shot.parent.mkdir(parents=True, exist_ok=True)
        if shot.exists():
            shot.unlink()
        taken = run_browser(browser, [f"--screenshot={shot}",
                                      f"--window-size={args.window_size}"], url)
        if taken.returncode != 0:
            failures.append(f"chromium could not take the screenshot ({taken.returncode})")
        check_screenshot(str(shot), failures)

    for failure in failures:
        print("FAILED: " + failure)
    print(f"check_report: {args.report}: " +
          ("passed" if not failures else f"{len(failures)} failed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
