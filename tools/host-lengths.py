#!/usr/bin/env python3
"""kest-host's size goals: no function in host/ over 60 lines (from the line of its
name to its closing brace) and no file over 450 lines. Prints each that is longer
and fails; functions are found by Universal Ctags.

    host-lengths.py [ROOT]      ROOT: the checkout (default: this script's)
"""
import os
import subprocess
import sys

MAX_FUNCTION = 60
MAX_FILE = 450


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    host = os.path.join(os.path.abspath(root), "host")
    findings = []
    files = []
    for folder, _, names in os.walk(host):
        for name in sorted(names):
            if name.endswith((".cpp", ".h")):
                path = os.path.join(folder, name)
                files.append(path)
                with open(path, encoding="utf-8") as f:
                    count = len(f.read().splitlines())
                if count > MAX_FILE:
                    findings.append("%s: %d lines, more than %d a file" % (
                        os.path.relpath(path, root), count, MAX_FILE))
    try:
        tags = subprocess.run(
            ["ctags", "--languages=C++", "--kinds-C++=f", "--fields=+ne", "-x",
             "--_xformat=%{end} %n %F %N"] + files,
            check=True, capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError) as error:
        print("host-lengths: Universal Ctags (Debian universal-ctags) did not run: %s" % error)
        return 1
    for line in tags.splitlines():
        end, start, path, name = line.split(" ", 3)
        length = int(end) - int(start) + 1
        if length > MAX_FUNCTION:
            findings.append("%s:%s: %s is %d lines, more than %d a function" % (
                os.path.relpath(path, root), start, name, length, MAX_FUNCTION))
    for finding in findings:
        print(finding)
    print("host-lengths: %d files, %d functions; %d over the limits" % (
        len(files), len(tags.splitlines()), len(findings)))
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
