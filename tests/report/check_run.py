#!/usr/bin/env python3
"""Runs kest-host with --junit and --report end to end and checks what it wrote.

    check_run.py KEST_HOST WORK_DIR CASE [--faulty PLUGIN]

CASE is one of:
  hostile      a scenario whose names, texts and file name hold <, &, quotes, control
               bytes and UTF-8, with one failing expectation: both files must parse
               strictly, count right and carry the texts readable, never as markup
  several      two scenario files in one run: one suite each, status 1 when one fails,
               0 when both pass
  unwritable   a report path that cannot be written: status 2 naming it, nothing run
  stress       a stress run's suite (seed property, one testcase per check); with
               --faulty, a panel that does nothing: the model's failure carries the
               seed, the event number and the replay command

Exit status: 0 passed, 1 a check failed.
"""

import argparse
import html.parser
import os
import pathlib
import subprocess
import sys
import xml.etree.ElementTree as ET

SET_UP = """\
device router 12
device infodriver 30
device gpi 40
instance "Vesk SDI Router" 12 0
instance "Vesk Tally Infodriver" 30 0
instance "LD Button 1" 40 17
slot 61 "5"
slot 62 "6"
slot 69 "3"
route 1 to 3
"""
CHECKS = 10  # one testcase per check in every suite

# Hostile texts: markup, an entity, both quotes, C0 controls (an escape sequence
# among them), DEL and UTF-8 of two, three and four bytes.
HOSTILE_NAME = "<b>Cam</b> & \"5\" 'x' \x01\x1b[31m\x7f \u00e9\u2713\U0001f3a5"
HOSTILE_REQUEST = "</script><script>alert(1)</script>&amp;\x07\u00fc"
HOSTILE_BUTTON = "<&\"'\x02\u00e9>"

failures = []


def check(condition, message):
    print(("ok: " if condition else "FAILED: ") + message)
    if not condition:
        failures.append(message)


def scenario_text(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def run(host, args, env=None):
    result = subprocess.run([host, "--quiet", "--no-color"] + args, capture_output=True,
                            env=env, check=False)
    return result.returncode, result.stdout.decode("utf-8", "replace"), \
        result.stderr.decode("utf-8", "replace")


def readable(text):
    """What the reports make of a text: C0 controls and DEL as \\xHH."""
    return "".join("\\x%02X" % ord(c) if (ord(c) < 0x20 and c not in "\t\n\r") or c == "\x7f"
                   else c for c in text)


def suites_of(xml_file):
    root = ET.parse(xml_file).getroot()  # strict: any broken markup raises
    return root, root.findall("testsuite")


class Page(html.parser.HTMLParser):
    """The report page's elements that matter here, parsed strictly enough to notice
    markup that a text brought in."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags = {}
        self.stack = []
        self.control_texts = {}
        self.failed_steps = 0
        self.entries = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags[tag] = self.tags.get(tag, 0) + 1
        classes = (attrs.get("class") or "").split()
        if "step" in classes and "failed" in classes:
            self.failed_steps += 1
        if "control" in classes:
            # Drawn once per drawing: the last one (at the end) counts.
            self.control_texts[attrs.get("data-control-id")] = ""
            self.stack.append(("control", attrs.get("data-control-id")))
        elif "entry" in classes:
            self.entries.append("")
            self.stack.append(("entry", None))
        elif tag not in ("br", "meta", "input", "hr", "img", "link"):
            self.stack.append((tag, None))

    def handle_endtag(self, tag):
        if self.stack:
            self.stack.pop()

    def handle_data(self, data):
        for kind, ident in reversed(self.stack):
            if kind == "control":
                self.control_texts[ident] += data
                break
            if kind == "entry":
                self.entries[-1] += data
                break


def case_hostile(host, work):
    name = work / "hostile <&'\" \u00e9>.scn"
    name.write_bytes((SET_UP + "\n".join([
        "name source 5 " + scenario_text(HOSTILE_NAME),
        "start",
        "expect control 21 text " + scenario_text(HOSTILE_NAME),
        "request " + scenario_text(HOSTILE_REQUEST),
        "button " + scenario_text(HOSTILE_BUTTON) + " " + scenario_text("a=<&>"),
        "expect control 21 text " + scenario_text("not " + HOSTILE_NAME),
        "show", ""])).encode("utf-8"))
    xml_file, html_file = work / "hostile.xml", work / "hostile.html"
    status, out, err = run(host, ["--junit", str(xml_file), "--report", str(html_file), str(name)])
    check(status == 1, "one failed expectation gives status 1 (got %d)" % status)

    root, suites = suites_of(xml_file)
    check(len(suites) == 1 and suites[0].get("name") == str(name),
          "one testsuite, named by the file")
    cases = suites[0].findall("testcase")
    check(len(cases) == 2 + CHECKS, "a testcase per expectation and per check (%d)" % len(cases))
    check(root.get("failures") == "1" and suites[0].get("failures") == "1", "one failure counted")
    failed = [c for c in cases if c.find("failure") is not None]
    message = failed[0].find("failure").get("message") if failed else ""
    check(readable(HOSTILE_NAME) in message,
          "the failure message carries the name readable: %r" % message)
    check(all("\x1b" not in c.get("name") for c in cases), "no control byte reaches the XML")

    raw = html_file.read_text(encoding="utf-8")
    page = Page()
    page.feed(raw)
    check(page.tags.get("script") == 1 and page.tags.get("b") is None,
          "no markup from the texts: one script, no <b> (%r)" % page.tags)
    check(page.control_texts.get("21") == readable(HOSTILE_NAME),
          "control 21 shows the name: %r" % page.control_texts.get("21"))
    # The timeline holds the host's trace texts, which spell bytes past ASCII as \xHH.
    check(any(readable(HOSTILE_REQUEST[:-1]) in e for e in page.entries),
          "the parent request is in the timeline as text")
    check(any(readable(HOSTILE_BUTTON[:5]) in e for e in page.entries),
          "the button id is in the timeline as text")
    check(page.failed_steps == 1, "the failed expectation's step is highlighted")
    check("\x1b" not in raw and "\x01" not in raw, "no control byte reaches the page")


def case_several(host, work):
    good = work / "good.scn"
    bad = work / "bad.scn"
    good.write_text(SET_UP + "start\nexpect control 11 text \"5\"\n", encoding="utf-8")
    bad.write_text(SET_UP + "start\nexpect control 11 text \"6\"\n", encoding="utf-8")
    xml_file = work / "several.xml"
    status, out, _ = run(host, ["--junit", str(xml_file), str(good), str(bad), str(good)])
    check(status == 1, "one failing file of three gives status 1 (got %d)" % status)
    check("All: 3 scenario files, 1 failed" in out, "one summary for the run")
    root, suites = suites_of(xml_file)
    check([s.get("name") for s in suites] == [str(good), str(bad), str(good)],
          "one testsuite per file, in order")
    check([s.get("failures") for s in suites] == ["0", "1", "0"],
          "each file against a fresh panel: only the failing file fails")
    check(root.get("tests") == str(3 * (1 + CHECKS)), "the counts add up")
    status, _, _ = run(host, ["--junit", str(xml_file), str(good), str(good)])
    check(status == 0, "two passing files give status 0 (got %d)" % status)


def case_unwritable(host, work):
    for option in ("--junit", "--report"):
        path = str(work / "no such folder" / "out")
        status, out, err = run(host, [option, path])
        check(status == 2, option + " to an unwritable path gives status 2 (got %d)" % status)
        check(path in err, option + ": the message names the path: %r" % err.strip())
        check("Summary" not in out and out.strip() == "", option + ": nothing ran")
    (work / "kept.html").write_text("kept", encoding="utf-8")
    status, _, _ = run(host, ["--report", str(work / "kept.html"),
                              "--junit", str(work / "no such folder" / "x.xml")])
    check(status == 2 and (work / "kept.html").read_text(encoding="utf-8") == "kept",
          "a run that never started leaves an existing file as it was")


def case_stress(host, work, faulty):
    xml_file = work / "stress.xml"
    html_file = work / "stress.html"
    status, _, _ = run(host, ["--stress", "300", "--seed", "5", "--junit", str(xml_file),
                              "--report", str(html_file)])
    check(status == 0, "a clean stress run gives status 0 (got %d)" % status)
    root, suites = suites_of(xml_file)
    props = {p.get("name"): p.get("value") for p in suites[0].iter("property")}
    check(len(suites) == 1 and props.get("seed") == "5", "one stress suite with its seed")
    check(len(suites[0].findall("testcase")) == CHECKS + 1, "one testcase per check and the model")
    check(html_file.stat().st_size > 0, "the HTML report is written")
    if not faulty:
        return
    env = dict(os.environ, KEST_FIXTURE_FAULT="")
    status, _, _ = run(host, ["--stress", "100", "--seed", "1", "--plugin", faulty,
                              "--junit", str(xml_file)], env=env)
    check(status == 1, "a diverging panel gives status 1 (got %d)" % status)
    _, suites = suites_of(xml_file)
    messages = [f.get("message") for f in suites[0].iter("failure")]
    model = [m for m in messages if "repeat with" in m]
    check(len(model) == 1 and "seed 1" in model[0] and "after event" in model[0]
          and "kest-host --stress 100 --seed 1" in model[0],
          "the model's failure names seed, event and replay: %r" % model)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("host")
    parser.add_argument("work")
    parser.add_argument("case", choices=["hostile", "several", "unwritable", "stress"])
    parser.add_argument("--faulty")
    args = parser.parse_args()
    work = pathlib.Path(args.work) / args.case
    work.mkdir(parents=True, exist_ok=True)
    if args.case == "stress":
        case_stress(args.host, work, args.faulty)
    else:
        globals()["case_" + args.case](args.host, work)
    print("check_run %s: %s" % (args.case, "FAILED" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
