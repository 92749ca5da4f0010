#!/usr/bin/env python3
"""The tables in docs/ that restate the CI steps, made from the steps themselves.

    docs-tables.py ci-steps             prints the table of .ci/steps
    docs-tables.py --check FILE         fails when FILE does not hold that table
    docs-tables.py --lines FILE N       fails when FILE is longer than N lines

A step's row: its file name, the first sentence of its opening comment, and the
package lists it asks tools/install-packages.sh for.
"""
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
HEADER = "| step | what it does | packages (`tools/packages/*.list`) |\n| --- | --- | --- |\n"


def first_sentence(lines):
    words = []
    for line in lines[1:]:  # past the #! line
        if not line.startswith("#"):
            break
        text = line.lstrip("#").strip()
        if not text:
            break
        words.append(text)
    text = " ".join(words)
    end = re.search(r"\.(\s|$)", text)
    return (text[: end.start()] if end else text).strip()


def packages(text):
    lists = []
    for match in re.finditer(r"tools/install-packages\.sh((?:[ \t]+[-\w]+)+)", text):
        for word in match.group(1).split():
            if not word.startswith("-") and word not in lists:
                lists.append(word)
    return ", ".join(lists) if lists else "-"


def ci_steps_table(root=ROOT):
    folder = os.path.join(root, ".ci", "steps")
    rows = []
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".sh"):
            continue
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            text = f.read()
        what = first_sentence(text.splitlines()).replace("|", "\\|")
        rows.append("| `%s` | %s | %s |\n" % (name, what, packages(text)))
    return HEADER + "".join(rows)


def main(argv):
    if argv[1:] == ["ci-steps"]:
        sys.stdout.write(ci_steps_table())
        return 0
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], encoding="utf-8") as f:
            text = f.read()
        table = ci_steps_table()
        if table not in text:
            sys.stderr.write("%s: the CI steps table is stale; put this in its place "
                             "(python3 tools/docs-tables.py ci-steps):\n%s" % (argv[2], table))
            return 1
        print("%s: the CI steps table matches .ci/steps" % argv[2])
        return 0
    if len(argv) == 4 and argv[1] == "--lines":
        with open(argv[2], encoding="utf-8") as f:
            count = len(f.read().splitlines())
        if count > int(argv[3]):
            sys.stderr.write("%s: %d lines, more than %s; move detail into docs/\n"
                             % (argv[2], count, argv[3]))
            return 1
        print("%s: %d lines, at most %s" % (argv[2], count, argv[3]))
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
