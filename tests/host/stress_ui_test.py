#!/usr/bin/env python3
"""Stress mode as a person meets it: the progress line on a terminal (a pseudo-
terminal here) and never on a pipe, Ctrl-C ending a run with its summary, and a
finding's replay command reproducing that finding with the trace of its last events.

    stress_ui_test.py KEST_HOST LATE_FAULT_PLUGIN
"""
import os
import re
import signal
import subprocess
import sys
import time

HOST, LATE_FAULT = sys.argv[1], sys.argv[2]
failures = []


def check(condition, what, output=""):
    if not condition:
        failures.append(what + ("\n--- output:\n" + output[-3000:] if output else ""))


def run_in_pty(args):
    """Runs kest-host with stdout and stderr on a pseudo-terminal; returns (status, text)."""
    master, slave = os.openpty()
    process = subprocess.Popen([HOST] + args, stdin=subprocess.DEVNULL, stdout=slave, stderr=slave)
    os.close(slave)
    chunks = []
    while True:
        try:
            data = os.read(master, 65536)
        except OSError:  # the far side closed
            break
        if not data:
            break
        chunks.append(data)
    os.close(master)
    return process.wait(timeout=120), b"".join(chunks).decode("utf-8", "replace")


def run_in_pipe(args, env=None):
    result = subprocess.run([HOST] + args, stdin=subprocess.DEVNULL, capture_output=True,
                            text=True, timeout=120, env=env)
    return result.returncode, result.stdout + result.stderr


def test_progress_on_terminal_only():
    # The first line is drawn a tenth of a second into the run, so the run must last
    # longer than that on the fastest build (an optimised one does 6000 events in
    # well under 0.1 s).
    args = ["--stress", "60000", "--seed", "7", "--no-color"]
    status, text = run_in_pty(args)
    check(status == 0, "pty run: exit %d" % status, text)
    progress = re.findall(r"\rStress: (\d+) of 60000 events, (\d+) events/s", text)
    check(len(progress) >= 1, "pty run: no progress line", text)
    check([int(p[0]) for p in progress] == sorted(int(p[0]) for p in progress),
          "pty run: progress goes backwards", text)
    # The line is erased before the checks table: no line of output still holds it.
    for line in text.replace("\r\n", "\n").split("\n"):
        visible = line.split("\r")[-1]
        check("of 60000 events" not in visible, "pty run: progress left in " + repr(line), text)
    check(re.search(r"\nStress: seed 7, 60000 events in [0-9.]+ (ms|s) \(\d+ events/s\), "
                    r"\d+ commands, \d+ events delivered", text.replace("\r\n", "\n")),
          "pty run: no final line", text)

    status, text = run_in_pipe(args)
    check(status == 0, "pipe run: exit %d" % status, text)
    check("\r" not in text and "of 60000 events" not in text, "pipe run: progress on a pipe", text)
    check(re.search(r"^Stress: seed 7, 60000 events in [0-9.]+ (ms|s) \(\d+ events/s\)", text,
                    re.M), "pipe run: no final line", text)

    status, text = run_in_pty(args + ["--quiet"])
    check(status == 0 and "Stress: seed 7, 60000 events in" in text, "pty --quiet run: exit %d" % status, text)
    check("\r" + "Stress: " not in text, "pty --quiet run: a progress line", text)


def test_ctrl_c_ends_with_summary():
    process = subprocess.Popen([HOST, "--stress", "500000000", "--seed", "5", "--no-color"],
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
    time.sleep(1.5)
    process.send_signal(signal.SIGINT)
    try:
        out, _ = process.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        process.kill()
        out, _ = process.communicate()
        check(False, "Ctrl-C did not end the run", out)
        return
    check(process.returncode == 130, "Ctrl-C: exit %d, not 130" % process.returncode, out)
    check("passed  routing-model" in out, "Ctrl-C: no checks table", out)
    done = re.search(r"^Stress: seed 5, (\d+) events in ", out, re.M)
    check(done is not None and 0 < int(done.group(1)) < 500000000, "Ctrl-C: no summary", out)
    check(re.search(r"^Stress interrupted \(Ctrl-C\) after \d+ of 500000000 events; repeat the "
                    r"run with: kest-host --stress 500000000 --seed 5$", out, re.M),
          "Ctrl-C: no seed to repeat the run", out)


def test_replay_reproduces_finding():
    env = dict(os.environ, KEST_FIXTURE_DEAF_AFTER="400")
    args = ["--stress", "5000", "--seed", "11", "--no-color", "--plugin", LATE_FAULT]
    status, text = run_in_pipe(args, env)
    check(status == 1, "late fault: exit %d" % status, text)
    found = re.search(r"^(?:kest-host: )?CHECK FAILED routing-model: .* \(at event (\d+); replay: (kest-host [^)]*)\)$",
                      text, re.M)
    check(found is not None, "late fault: no routing-model finding with a replay command", text)
    if found is None:
        return
    event, replay = int(found.group(1)), found.group(2)
    check(event > 10, "late fault: the finding comes at event %d, too early to test" % event)
    check(replay == "kest-host --stress %d --seed 11 --from %d --plugin %s"
          % (event, event - 4, LATE_FAULT), "late fault: replay is " + replay)
    status, again = run_in_pipe(replay.split()[1:], env)
    check(status == 1, "replay: exit %d" % status, again)
    check(found.group(0) in again.split("\n"), "replay: not the same finding", again)
    headers = [int(n) for n in re.findall(r"^--- event (\d+): ", again, re.M)]
    check(headers == list(range(event - 4, event + 1)),
          "replay: traced events %s, not %d to %d" % (headers, event - 4, event), again)
    before = again.split("--- event %d: " % (event - 4))[0]
    check("plug-in -> host" not in before, "replay: trace before --from", again)
    trace = again.split("--- event %d: " % event)[-1]
    check(trace.index("host -> plug-in") < trace.index("CHECK FAILED routing-model"),
          "replay: the finding is not after its event's trace", again)


test_progress_on_terminal_only()
test_ctrl_c_ends_with_summary()
test_replay_reproduces_finding()
for failure in failures:
    print("FAILED: " + failure + "\n")
print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
