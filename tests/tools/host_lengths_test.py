#!/usr/bin/env python3
"""tools/host-lengths.py against made-up trees: a function of 60 lines and a file of
450 pass, one line more fails and is named; a tree within the limits passes.

    host_lengths_test.py SOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile

SCRIPT = os.path.join(sys.argv[1], "tools", "host-lengths.py")
failures = []


def function(name, lines):
    """A C++ function of `lines` lines from its name to its closing brace."""
    body = ["    x += %d;" % i for i in range(lines - 2)]
    return ["int %s(int x) {" % name] + body[:-1] + ["    return x;", "}"] if lines > 2 else []


def run(files):
    with tempfile.TemporaryDirectory() as root:
        for path, lines in files.items():
            full = os.path.join(root, "host", path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write("\n".join(lines) + "\n")
        done = subprocess.run([sys.executable, SCRIPT, root], capture_output=True, text=True)
        return done.returncode, done.stdout + done.stderr


def expect(files, status, says, what):
    got, output = run(files)
    if got != status or any(s not in output for s in says):
        failures.append("%s: exit %d (expected %d), output:\n%s" % (what, got, status, output))


ok_function = function("within", 60)
assert len(ok_function) == 60
expect({"a/ok.cpp": ok_function}, 0, ["0 over the limits"], "a function of 60 lines")
expect({"a/long.cpp": function("too_long", 61)}, 1,
       ["host/a/long.cpp:1: too_long is 61 lines, more than 60"], "a function of 61 lines")
filler = ["// line %d" % i for i in range(451)]
expect({"b/big.h": filler[:450]}, 0, [], "a file of 450 lines")
expect({"b/big.h": filler}, 1, ["host/b/big.h: 451 lines, more than 450"], "a file of 451 lines")

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
