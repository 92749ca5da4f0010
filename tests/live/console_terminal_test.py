#!/usr/bin/env python3
"""The console of kest-host --live --interactive on a terminal (a pseudo-terminal
here): libedit reads one character at a time on the loop, so the router link is
served, and the panel drawn again, while a person is half-way through a line.

    console_terminal_test.py KEST_HOST KEST_VIDEOHUB SCENARIO
"""
import os
import select
import subprocess
import sys
import tempfile
import time

HOST, VIDEOHUB, SCENARIO = sys.argv[1:4]


def read_until(fd, wanted, seconds, seen):
    """Reads from fd into seen until `wanted` appears after what was seen before."""
    start = len(seen[0])
    deadline = time.time() + seconds
    while wanted not in seen[0][start:]:
        left = deadline - time.time()
        if left <= 0:
            return False
        ready, _, _ = select.select([fd], [], [], left)
        if ready:
            try:
                data = os.read(fd, 65536)
            except OSError:
                return False
            if not data:
                return False
            seen[0] += data.decode("utf-8", "replace")
    return True


def main():
    work = tempfile.mkdtemp(prefix="kest-live-terminal.")
    port_file = os.path.join(work, "port")
    log = os.path.join(work, "log")
    router = subprocess.Popen([VIDEOHUB, "--port", "0", "--port-file", port_file, "--log", log,
                               "--route", "2=0", "--control"],
                              stdin=subprocess.PIPE, stderr=subprocess.DEVNULL)
    failures = []
    try:
        for _ in range(500):
            if os.path.exists(port_file) and open(port_file).read().strip():
                break
            time.sleep(0.01)
        port = open(port_file).read().strip()
        master, slave = os.openpty()
        env = dict(os.environ, KEST_HOST_HISTORY="", TERM="xterm")
        host = subprocess.Popen([HOST, "--no-color", "--set", "PORT=" + port, "--live", SCENARIO,
                                 "--interactive"],
                                stdin=slave, stdout=slave, stderr=slave, env=env)
        os.close(slave)
        seen = [""]
        if not read_until(master, "kest> ", 20, seen):
            failures.append("no prompt")
        else:
            os.write(master, b"pre")  # half a line, no Enter yet
            time.sleep(0.5)
            router.stdin.write(b"route 2 7\n")
            router.stdin.flush()
            if not read_until(master, "On monitor   8", 10, seen):
                failures.append("the panel was not drawn again while a line was half typed")
            os.write(master, b"ss 2\r")  # the line becomes "press 2"
            time.sleep(1.0)
            os.write(master, b"quit\r")
            read_until(master, "Summary:", 20, seen)
        try:
            status = host.wait(timeout=30)
        except subprocess.TimeoutExpired:
            host.kill()
            status = -1
        read_until(master, "\0", 0.5, seen)
        os.close(master)
        if status != 0:
            failures.append("kest-host ended with status %d" % status)
        routes = open(log).read().split("\n") if os.path.exists(log) else []
        if "route 2 5" not in routes:
            failures.append("the typed press never reached the router: %r" % routes)
        if failures:
            print(seen[0][-4000:])
    finally:
        router.terminate()
        router.wait(timeout=10)
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
