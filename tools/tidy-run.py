#!/usr/bin/env python3
"""Runs clang-tidy over every project source of a compile database, two checks at
a time, and prints every finding. Exits 1 on any finding or failed check.

    tidy-run.py BUILD [--jobs N] [--batch N] [--no-batch] [--timeout S]

Most of clang-tidy's time goes on matching the declarations of the headers a file
includes (the standard library, GoogleTest, Boost), again for every file. Sources
compiled with the same command and checked under the same configuration are
therefore checked together, up to --batch of them at a time: one translation unit
that includes each of them in turn. Every line is still checked by the same checks
under the configuration that applies to it, and a source included by a batch is
reported like a main file, because the header filter matches it. A source that the
header filter would not match, or that defines main() or a fuzz entry point, is
checked on its own.

When a batch does not compile as one unit (two sources give the same name to
something of their own), the sources that the errors are in are taken out and
checked as a batch of their own, and the rest again without them. Diagnostics in
the batch file itself (its includes of .cpp files) are not the project's and are
dropped.
"""
import argparse
import collections
import concurrent.futures
import json
import os
import re
import shlex
import subprocess
import sys
import tempfile
import threading
import time

DIAGNOSTIC = re.compile(r"^(?P<file>[^\s:][^:]*):\d+:\d+: (?P<kind>warning|error|note): ")
FINDING = re.compile(r": (warning|error): ")
NOISE = re.compile(r"^\d+ warnings? (generated|treated as errors)\.?$|^Suppressed \d+ warnings")
# A batch would define a program's entry point twice.
ENTRY_POINT = re.compile(r"^\s*int\s+main\s*\(|\bLLVMFuzzerTestOneInput\s*\(", re.M)


def project_units(build, root):
    """The first compile command of each project source, in the database's order."""
    seen = set()
    units = []
    for entry in json.load(open(os.path.join(build, "compile_commands.json"))):
        path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        inside = os.path.relpath(path, root)
        if inside.startswith("..") or inside.split(os.sep)[0] in ("build", "out"):
            continue
        if "must_not_compile" in inside:  # a probe that proves an include fails
            continue
        if inside not in seen:
            seen.add(inside)
            units.append((inside, path, entry))
    return units


def arguments(entry):
    """The compile command, without a precompiled header: clang-tidy reads the
    sources and headers themselves (and cannot read GCC's precompiled ones)."""
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    kept = []
    skip = False
    for i, arg in enumerate(args):
        if skip:
            skip = False
        elif arg == "-include" and i + 1 < len(args) and args[i + 1].endswith("cmake_pch.hxx"):
            skip = True
        elif arg != "-Winvalid-pch" and not (arg.startswith("-include") and
                                             arg.endswith("cmake_pch.hxx")):
            kept.append(arg)
    return kept


def command_key(entry, path):
    """The compile command without the source and the outputs."""
    kept = []
    skip = False
    for arg in arguments(entry):
        if skip:
            skip = False
        elif arg in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
        elif arg != "-c" and os.path.normpath(os.path.join(entry["directory"], arg)) != path:
            kept.append(arg)
    return (entry["directory"],) + tuple(kept)


def config_dir(path, root):
    """The folder of the .clang-tidy that applies to a source."""
    folder = os.path.dirname(path)
    while folder != root and not os.path.exists(os.path.join(folder, ".clang-tidy")):
        folder = os.path.dirname(folder)
    return folder


def effective_config(tidy, sample):
    """The configuration clang-tidy applies to SAMPLE, as one YAML document, and the
    header filter it holds."""
    text = subprocess.run([tidy, "--dump-config", sample, "--"], check=True,
                          capture_output=True, text=True).stdout
    text = "\n".join(line for line in text.splitlines() if line not in ("---", "..."))
    match = re.search(r"^HeaderFilterRegex:\s*'(.*)'\s*$", text, re.M)
    return text, re.compile(match.group(1)) if match else None


class Work:
    """The checks' files: a batch file and a one-command database for each check."""

    def __init__(self, folder, units):
        self.folder = folder
        self.units = {inside: (path, entry) for inside, path, entry in units}
        self.count = 0
        self.lock = threading.Lock()

    def _next(self):
        with self.lock:
            self.count += 1
            return self.count

    def job(self, members, config):
        """A check of one source, or of several together under CONFIG (the text of
        the configuration that applies to each of them): (name, main file, members,
        config, database)."""
        number = self._next()
        path, entry = self.units[members[0]]
        entry = dict(entry)
        entry["arguments"] = arguments(entry)
        entry.pop("command", None)
        if len(members) == 1:
            name, main, config = members[0], path, None
        else:
            name = "batch of %d (%s ...)" % (len(members), members[0])
            main = os.path.join(self.folder, "batch%03d.cpp" % number)
            with open(main, "w") as out:
                for inside in members:
                    out.write('#include "%s"\n' % self.units[inside][0])
            entry["arguments"] = [
                main if os.path.normpath(os.path.join(entry["directory"], arg)) == path else arg
                for arg in entry["arguments"]]
            entry["file"] = main
        db = os.path.join(self.folder, "db%03d" % number)
        os.makedirs(db)
        with open(os.path.join(db, "compile_commands.json"), "w") as out:
            json.dump([entry], out)
        return name, main, members, config, db


def plan(units, root, tidy, batch_size, work):
    """The checks, the largest first: the run ends on short single files."""
    configs = {}
    groups = collections.OrderedDict()
    singles = []
    for inside, path, entry in units:
        folder = config_dir(path, root)
        if folder not in configs:
            configs[folder] = effective_config(tidy, path)
        text, header_filter = configs[folder]
        with open(path, encoding="utf-8", errors="replace") as source:
            entry_point = ENTRY_POINT.search(source.read())
        if batch_size > 1 and header_filter and header_filter.search(path) and not entry_point:
            groups.setdefault((folder, text) + command_key(entry, path), []).append(inside)
        else:
            singles.append(inside)
    parts = [([inside], None) for inside in singles]
    for key, members in groups.items():
        for start in range(0, len(members), batch_size):
            parts.append((members[start:start + batch_size], key[1]))
    parts.sort(key=lambda part: -len(part[0]))
    return [work.job(members, config) for members, config in parts]


def clean(output, main, batched):
    """clang-tidy's output without its counts and, for a batch, without the
    diagnostics placed in the batch file itself; and how many were dropped."""
    lines = []
    dropped = 0
    dropping = False
    for line in output.splitlines():
        if NOISE.match(line):
            continue
        match = DIAGNOSTIC.match(line)
        if match:
            dropping = batched and os.path.normpath(match.group("file")) == main
            dropped += dropping and match.group("kind") != "note"
        if not dropping:
            lines.append(line)
    return lines, dropped


def tidy(tidy_exe, db, main, config, timeout):
    command = [tidy_exe, "-p", db, "--quiet", main]
    if config is not None:
        command[1:1] = ["--config=" + config]
    try:
        done = subprocess.run(command, capture_output=True, text=True, timeout=timeout)
        return done.returncode, done.stdout + done.stderr
    except subprocess.TimeoutExpired:
        return None, ""


def check(job, tidy_exe, work, timeout):
    """Runs one check: (the lines to print, notes on how it ran)."""
    name, main, members, config, db = job
    status, output = tidy(tidy_exe, db, main, config, timeout)
    if status is None:
        return [name + ": clang-tidy took more than %ds" % timeout], []
    lines, dropped = clean(output, main, config is not None)
    if config is not None and "[clang-diagnostic-error]" in output:
        at_fault = {os.path.normpath(match.group("file")) for match in map(DIAGNOSTIC.match, lines)
                    if match and match.string.endswith("[clang-diagnostic-error]")}
        moved = [m for m in members if work.units[m][0] in at_fault]
        kept = [m for m in members if m not in moved]
        parts = [kept, moved] if moved and kept else [[m] for m in members]
        found = []
        notes = ["%s: does not compile as one unit; checked again as %s" % (
            name, " and ".join(str(len(part)) for part in parts))]
        for part in parts:
            more, more_notes = check(work.job(part, config), tidy_exe, work, timeout)
            found += more
            notes += more_notes
        return found, notes
    if any(FINDING.search(line) for line in lines):
        return lines, []
    # A batch's own findings are dropped, but they still set the exit status.
    if status != 0 and not dropped:
        return lines + ["%s: clang-tidy failed (exit %d) without a finding" % (name, status)], []
    return [], []


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="a build folder with compile_commands.json")
    parser.add_argument("--jobs", type=int, default=2, help="checks at a time")
    parser.add_argument("--batch", type=int, default=12, help="most sources in one check")
    parser.add_argument("--no-batch", action="store_const", const=1, dest="batch",
                        help="check every source on its own")
    parser.add_argument("--timeout", type=int, default=600, help="seconds for one check")
    parser.add_argument("--tidy", default="clang-tidy")
    args = parser.parse_args(argv[1:])
    root = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    units = project_units(args.build, root)
    began = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="kest-tidy.") as folder:
        work = Work(folder, units)
        jobs = plan(units, root, args.tidy, args.batch, work)
        print("clang-tidy: %d files in %d checks, %d at a time" % (
            len(units), len(jobs), args.jobs), flush=True)
        failed = 0
        findings = 0
        with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
            runs = [pool.submit(check, job, args.tidy, work, args.timeout) for job in jobs]
            for run in concurrent.futures.as_completed(runs):
                lines, notes = run.result()
                for note in notes:
                    print("clang-tidy: " + note, flush=True)
                if lines:
                    failed += 1
                    findings += sum(1 for line in lines if FINDING.search(line))
                    print("\n".join(lines), flush=True)
    print("clang-tidy: %d findings in %d of %d checks of %d files, %.0fs" % (
        findings, failed, len(jobs), len(units), time.monotonic() - began))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
