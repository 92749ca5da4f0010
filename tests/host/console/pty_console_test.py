#!/usr/bin/env python3
"""Drives the kest-host console through a pseudo-terminal, as a person at a keyboard.

  pty_console_test.py KEST_HOST CASE

  pty_console_test.py KEST_HOST record SCENARIO

Cases: record (a session recorded with `record` plays back and passes), editing (arrow keys edit the line and walk the history, Tab completes),
history (the typed lines are kept for the next session),
interrupt (Ctrl-C stops a long advance and drops a half-typed line, not the program),
end (Ctrl-D ends the session with the summary on a line of its own).
"""
import os
import pty
import select
import subprocess
import sys
import tempfile
import termios
import time

PROMPT = b"kest> "


# The history of typed lines goes to a file of the test's own, never the user's.
HISTORY = os.path.join(tempfile.mkdtemp(), "history")


class Console:
    def __init__(self, program, args):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.environ["KEST_HOST_HISTORY"] = HISTORY
            os.execv(program, [program, "--interactive", "--no-color"] + args)
        self.out = b""
        self.prompts = 0

    def read_until(self, marker, seconds=20.0, start=0):
        """Reads until `marker` appears after position `start`; fails on timeout."""
        end = time.time() + seconds
        while self.out.find(marker, start) < 0:
            if time.time() > end:
                fail("timed out waiting for %r; got:\n%s" % (marker, self.tail()))
            ready, _, _ = select.select([self.fd], [], [], 0.2)
            if ready:
                try:
                    data = os.read(self.fd, 65536)
                except OSError:
                    data = b""
                if not data:
                    fail("console ended waiting for %r; got:\n%s" % (marker, self.tail()))
                self.out += data
        return self.out.find(marker, start)

    def prompt(self):
        """Waits for the next prompt (the first one not waited for yet)."""
        end = time.time() + 20
        while self.out.count(PROMPT) <= self.prompts:
            if time.time() > end:
                fail("timed out waiting for a prompt; got:\n%s" % self.tail())
            self.read_until(PROMPT, start=len(self.out))
        self.prompts = self.out.count(PROMPT)
        self.raw_mode()

    def raw_mode(self):
        """Waits briefly until the line editor has taken the terminal out of canonical
        mode: a key typed before that (Ctrl-D above all) can be lost in the switch."""
        end = time.time() + 2
        while time.time() < end and termios.tcgetattr(self.fd)[3] & termios.ICANON:
            time.sleep(0.01)

    def send(self, keys):
        os.write(self.fd, keys)

    def finish(self):
        """Reads to the end; returns the exit status."""
        while True:
            ready, _, _ = select.select([self.fd], [], [], 20)
            if not ready:
                fail("console did not end; got:\n%s" % self.tail())
            try:
                data = os.read(self.fd, 65536)
            except OSError:
                data = b""
            if not data:
                break
            self.out += data
        _, status = os.waitpid(self.pid, 0)
        return os.waitstatus_to_exitcode(status)

    def tail(self):
        return self.out[-3000:].decode("utf-8", "replace")


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def check(condition, message, console):
    if not condition:
        fail(message + "; output:\n" + console.tail())


def case_editing(program):
    c = Console(program, [])
    c.prompt()
    c.send(b"press 1\r")
    c.read_until(b"input:1: press 1")
    c.prompt()
    # Up brings the last line back; nothing of the escape sequence reaches the parser.
    c.send(b"\x1b[A\r")
    c.read_until(b"input:2: press 1")
    c.prompt()
    # Left arrows move into the line: "prss 2" becomes "press 2".
    c.send(b"prss 2" + b"\x1b[D" * 4 + b"e\r")
    c.read_until(b"input:3: press 2")
    c.prompt()
    # Tab completes a statement word and an argument word.
    c.send(b"rele\t2\r")
    c.read_until(b"input:4: release 2")
    c.prompt()
    c.send(b"expect de\t3 source 5\r")
    c.read_until(b"ok   input:5: expect dest 3 source 5")
    c.prompt()
    # Tab completes a folder with its "/" and goes on into it; a file that declares
    # devices on a session that has them is played in a fresh one once agreed to.
    work = tempfile.mkdtemp()
    os.mkdir(os.path.join(work, "studio_folder"))
    with open(os.path.join(work, "studio_folder", "studio.scn"), "w") as f:
        f.write("device router 12\n")
    c.send(b"load " + work.encode() + b"/studio_f\t")
    c.read_until(b"older/", start=len(c.out))  # (the editor writes what it added)
    c.send(b"\t\r")
    c.read_until(b"End this session and play it in a fresh one? [y/N] ")
    c.send(b"y\r")
    c.read_until(b"loaded " + work.encode() + b"/studio_folder/studio.scn: 1 statements played")
    c.prompt()
    c.send(b"quit\r")
    status = c.finish()
    # (Keys typed ahead while a step runs are echoed by the terminal as ^[[A before
    # the line editor takes them; what counts is that the parser never sees them.)
    check(b"\\x1B[" not in c.out, "an escape sequence was parsed", c)
    check(b"(type help)" not in c.out, "a line did not parse", c)
    check(status == 0, "exit status %d" % status, c)


def case_history(program):
    """The lines typed in one session are there in the next; an unwritable history
    file does not stop the console."""
    c = Console(program, [])
    c.prompt()
    c.send(b"press 1\r")
    c.prompt()
    c.send(b"release 1\r")
    c.prompt()
    c.send(b"quit\r")
    check(c.finish() == 0, "first session failed", c)
    with open(HISTORY, "rb") as f:
        kept = f.read()
    # (libedit's own format: blanks are written as \040.)
    check(b"press" in kept and b"release" in kept, "history file holds %r" % kept, c)

    c = Console(program, [])
    c.prompt()
    c.send(b"\x1b[A" * 3 + b"\r")  # before "quit" and "release 1": "press 1"
    c.read_until(b"input:1: press 1")
    c.prompt()
    c.send(b"quit\r")
    check(c.finish() == 0, "second session failed", c)

    # Through a link, as every output: the link's target is replaced whole, keeps its
    # permissions, and the link stays a link.
    target = HISTORY + ".target"
    os.rename(HISTORY, target)
    os.chmod(target, 0o640)
    os.symlink(os.path.basename(target), HISTORY)
    c = Console(program, [])
    c.prompt()
    c.send(b"show\r")
    c.prompt()
    c.send(b"quit\r")
    check(c.finish() == 0, "a session with a linked history failed", c)
    with open(target, "rb") as f:
        kept = f.read()
    check(os.path.islink(HISTORY), "the history link was replaced by a file", c)
    check(b"show" in kept and b"press" in kept, "linked history holds %r" % kept, c)
    check(os.stat(target).st_mode & 0o777 == 0o640,
          "the history's permissions changed to %o" % (os.stat(target).st_mode & 0o777), c)
    check(not [n for n in os.listdir(os.path.dirname(HISTORY)) if n.startswith(".")],
          "a temporary file was left beside the history", c)
    os.unlink(HISTORY)
    os.unlink(target)

    os.mkdir(HISTORY)  # a folder where the file should be: it cannot be written
    try:
        c = Console(program, [])
        c.prompt()
        c.send(b"press 2\r")
        c.read_until(b"input:1: press 2")
        c.prompt()
        c.send(b"quit\r")
        check(c.finish() == 0, "a session with an unwritable history failed", c)
    finally:
        os.rmdir(HISTORY)


def case_interrupt(program):
    with tempfile.NamedTemporaryFile("w", suffix=".scn", delete=False) as f:
        # No tally infodriver: the panel's retry timer ticks every second for ever.
        f.write('device router 12\ndevice gpi 40\ninstance "Vesk SDI Router" 12 0\n'
                'instance "LD Button 1" 40 17\nstart\n')
        scenario = f.name
    try:
        c = Console(program, [scenario])
        c.prompt()
        # The whole trace of a day of ticks: more than the terminal takes while we do
        # not read, so the step is still running when Ctrl-C comes.
        c.send(b"trace on\r")
        c.prompt()
        c.send(b"advance 86400000\r")
        time.sleep(0.5)
        c.send(b"\x03")
        at = c.read_until(b"interrupted: the clock stands at", seconds=60)
        c.prompt()
        check(b"86400000 ms" not in c.out[at:at + 80], "the advance ran to its end", c)
        # Ctrl-C on a half-typed line drops it; the session goes on.
        c.send(b"trace short\r")
        c.prompt()
        c.send(b"press 3")
        time.sleep(0.3)
        c.send(b"\x03")
        time.sleep(0.3)
        c.send(b"expect timer 2 running\r")
        c.read_until(b"ok   input:")
        c.prompt()
        c.send(b"\x04")
        status = c.finish()
        check(b": press 3" not in c.out, "the dropped line ran", c)
        check(b"Summary: 1 expectation, 0 failed" in c.out, "no summary", c)
        check(status == 0, "exit status %d" % status, c)
    finally:
        os.unlink(scenario)


def case_end(program):
    c = Console(program, [])
    c.prompt()
    c.send(b"press 2\r")
    c.prompt()
    c.send(b"\x04")
    status = c.finish()
    text = c.out.replace(b"\r\n", b"\n")
    check(b"\nPanel at the end:" in text, "the panel is not on a line of its own", c)
    check(b"\nSummary: 0 expectations, 0 failed" in text, "the summary is not on a line of its own", c)
    check(status == 0, "exit status %d" % status, c)


def case_record(program, scenario):
    """A session started from a scenario, changed by hand, recorded, played back."""
    work = tempfile.mkdtemp()
    recorded = os.path.join(work, "commissioned.scn")
    helper = os.path.join(work, "more.scn")
    with open(helper, "w") as f:
        f.write('name source 24 "Cam \\"24\\""\nslot 64 "24"\npress 4\n')
    c = Console(program, [scenario])
    c.prompt()
    for line in [b"press 2", b"expect dest 3 source 99", b"load " + helper.encode(),
                 b"advance 2500", b"restart", b"release 4", b'button "12"',
                 b"record " + recorded.encode()]:
        c.send(line + b"\r")
        c.prompt()
    c.send(b"quit\r")
    status = c.finish()
    check(b"recorded " in c.out, "nothing recorded", c)
    check(status == 1, "the failed expectation should give status 1, got %d" % status, c)
    with open(recorded) as f:
        text = f.read()
    for part in ["press 3", "press 2", "# did not hold when recorded: expect dest 3 source 99",
                 'name source 24 "Cam \\"24\\""', "restart", "expect dest 3 source ",
                 'expect control "14" text "24"', 'expect control "24" text "Cam \\"24\\""', 'expect hidden "AwaitGPI"']:
        if part not in text:
            fail("the record lacks %r:\n%s" % (part, text))
    # Played back from another folder, it passes.
    played = subprocess.run([program, "--quiet", "--no-color", recorded], cwd="/",
                            capture_output=True, text=True)
    if played.returncode != 0 or "0 failed; checks passed" not in played.stdout:
        fail("the recorded file does not pass (%d):\n%s%s\n%s" %
             (played.returncode, played.stdout[-3000:], played.stderr, text))
    expectations = text.count("\nexpect ")
    if expectations < 50:
        fail("only %d expectations recorded" % expectations)


def main():
    program, case = os.path.abspath(sys.argv[1]), sys.argv[2]
    if case == "record":
        case_record(program, sys.argv[3])
    else:
        {"editing": case_editing, "interrupt": case_interrupt, "end": case_end,
         "history": case_history}[case](program)
    print("passed: " + case)


if __name__ == "__main__":
    main()
