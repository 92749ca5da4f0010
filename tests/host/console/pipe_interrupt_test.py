#!/usr/bin/env python3
"""Ctrl-C ends a console session that waits for a pipe which never writes.

Usage: pipe_interrupt_test.py KEST_HOST

The console reads a pipe whose writer stays silent; SIGINT must end the wait at once,
with a message, the session's summary and status 2 (the rest of the input is not
read). Bounded: the session is killed after 20 seconds.
"""
import os
import signal
import subprocess
import sys
import time


def main():
    host = sys.argv[1]
    read_end, write_end = os.pipe()
    session = subprocess.Popen(
        [host, "--interactive", "--quiet", "--no-color"],
        stdin=read_end, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
        preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
    os.close(read_end)
    time.sleep(1.0)  # the console is waiting for its first line
    session.send_signal(signal.SIGINT)
    try:
        out, err = session.communicate(timeout=20)
    except subprocess.TimeoutExpired:
        session.kill()
        print("FAILED: Ctrl-C did not end the wait for the pipe")
        return 1
    finally:
        os.close(write_end)
    err = err.decode(errors="replace")
    out = out.decode(errors="replace")
    failures = []
    if session.returncode != 2:
        failures.append("exit status %d, expected 2" % session.returncode)
    if "kest-host: error: interrupted: the rest of the input is not read" not in err:
        failures.append("no message naming the interruption")
    if "Summary:" not in out:
        failures.append("no summary")
    for f in failures:
        print("FAILED: " + f)
    if failures:
        print("--- output:\n" + out[-2000:] + "\n--- errors:\n" + err[-2000:])
        return 1
    print("ok: Ctrl-C ended the wait for a silent pipe")
    return 0


if __name__ == "__main__":
    sys.exit(main())
