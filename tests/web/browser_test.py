#!/usr/bin/env python3
"""The browser panel in a real browser: Debian's headless chromium, driven by
python3-selenium and chromium-driver, against kest-host started by this test.

    browser_test.py KEST_HOST FIXTURES WORK CASE [KEST_VIDEOHUB]

CASE is one of:
  press       input 2 held by mouse, then by key: the monitor's source and name change
              on the page within 1 s and in the host (its own expectations); the page's
              statements are in the host's trace and in a `record` file; at 360 pixels
              wide nothing scrolls sideways
  two-pages   two pages open; a press on one shows on both
  reconnect   kest-host stops: the page says so; a new kest-host on the same port with
              another state: the page reconnects by itself and shows the new state
  token       on 127.0.0.2 a request without the token (or with a wrong one) is refused,
              the page with the token works
  live        kest-host --live FILE --web against kest-videohub: input 2 held
              by mouse routes the real router (its log) and the page shows the router's
              report; the devices line shows the router's link up
  read-only   the same with --read-only: a press sends no crosspoint, and the page's
              trace says so
  guard       the same after the tally moved the monitor to a destination the guard
              does not allow: a press sends no crosspoint, and the page's trace says so
  origin      a foreign Origin or Host is refused on 127.0.0.1 and on 127.0.0.2, for the
              page and for the WebSocket; a malformed request or frame closes that
              connection only

Loopback only, ephemeral ports, every wait bounded. Writes only into WORK.
Exit status: 0 passed, 1 failed, 77 no chromium or no selenium (skipped).
"""

import base64
import os
import queue
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.request

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic",
    "--disable-dev-shm-usage",
]
WAIT = 1.0  # what a person may wait for a change to show
CONTROL = '#part-panel .control[data-control-id="{}"] .text'


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(77)


def fail(message):
    print("FAILED: " + message)
    sys.exit(1)


class Host:
    """kest-host --interactive --web, its console on a pipe, its output collected."""

    def __init__(self, binary, listen, work, scenario=None, token=None, live=None,
                 interactive=True):
        self.interactive = interactive
        args = [binary] + (["--interactive"] if interactive else []) + [
            "--no-color", "--web", listen]
        if token:
            args += ["--web-token", token]
        if live:
            args += live
        if scenario:
            args.append(scenario)
        self.proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, cwd=work, text=True, bufsize=1)
        self.lines = queue.Queue()
        self.output = []
        threading.Thread(target=self._collect, daemon=True).start()
        self.url = self.wait_for(r"the panel is served at (\S+)", 20).group(1)
        self.port = int(re.match(r"http://(?:\[[^\]]+\]|[^:/]+):(\d+)/", self.url).group(1))

    def _collect(self):
        for line in self.proc.stdout:
            self.lines.put(line)

    def wait_for(self, pattern, seconds):
        deadline = time.time() + seconds
        while time.time() < deadline:
            try:
                line = self.lines.get(timeout=max(0.01, deadline - time.time()))
            except queue.Empty:
                break
            self.output.append(line)
            found = re.search(pattern, line)
            if found:
                return found
        fail("kest-host did not print %r within %d s; its output:\n%s"
             % (pattern, seconds, "".join(self.output[-40:])))

    def type(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def run(self, line, seconds=10):
        """Types a line and waits until the host has run it: a line written to the pipe
        may still wait there while a page's statement, sent after it, is run first."""
        self.type(line)
        found = self.wait_for(r"^(?:---|ok) +input:\d+: %s|(FAIL) input:\d+: "
                              % re.escape(line), seconds)
        if found.group(1):
            fail("kest-host: %s failed: %s" % (line, self.output[-1].strip()))

    def quit(self):
        """Ends the session; returns everything it printed."""
        if self.proc.poll() is None and not self.interactive:
            self.proc.terminate()  # a live session without a console ends on SIGTERM
        elif self.proc.poll() is None:
            try:
                self.type("quit")
            except BrokenPipeError:
                pass
        try:
            self.proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            fail("kest-host did not end after quit")
        while True:
            try:
                self.output.append(self.lines.get(timeout=1))
            except queue.Empty:
                break
        return "".join(self.output)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def browser(work):
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        skip("python3-selenium is not installed")
    chromium = shutil.which("chromium")
    driver = shutil.which("chromedriver") or "/usr/bin/chromedriver"
    if chromium is None or not os.path.exists(driver):
        skip("chromium or chromium-driver is not installed")
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for flag in CHROMIUM_FLAGS:
        options.add_argument(flag)
    options.add_argument("--user-data-dir=" + tempfile.mkdtemp(prefix="chromium-", dir=work))
    options.add_argument("--window-size=1280,900")
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    d = webdriver.Chrome(service=Service(driver), options=options)
    d.set_page_load_timeout(20)
    d.set_script_timeout(20)
    return d


def text_of(d, control):
    return d.execute_script(
        "const e = document.querySelector(arguments[0]); return e ? e.textContent : null;",
        CONTROL.format(control))


def wait_until(what, check, seconds):
    deadline = time.time() + seconds
    last = None
    while time.time() < deadline:
        last = check()
        if last:
            return last
        time.sleep(0.02)
    fail("%s within %.1f s (last seen: %r)" % (what, seconds, last))


def wait_monitor(d, source, name, seconds=WAIT, page="the page"):
    def seen():
        got = (text_of(d, "CurrentSDI_ID"), text_of(d, "Current_Name"))
        return got == (source, name) and got
    began = time.time()
    wait_until("%s shows source %s (%s)" % (page, source, name), seen, seconds)
    return time.time() - began


def wait_connected(d, seconds=10):
    wait_until("the page connects", lambda: d.execute_script(
        "return document.getElementById('link').dataset.state === 'connected'"
        " && document.querySelector('#part-panel .control') !== null"), seconds)


def load_page(d, url):
    """Opens the page and waits until its WebSocket is connected."""
    d.get(url)
    wait_connected(d)


def no_console_errors(d):
    errors = [e for e in d.get_log("browser") if e.get("level") == "SEVERE"]
    if errors:
        fail("the page logged errors: %s" % errors)


def fits_a_phone(d):
    """At 360 CSS pixels (a phone, its viewport as the page's meta tag asks) neither
    the page nor the panel in it scrolls sideways."""
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": 360, "height": 740, "deviceScaleFactor": 2, "mobile": True})
    try:
        def measured():
            got = d.execute_script(
                "const p = document.getElementById('part-panel');"
                " return [window.innerWidth, document.documentElement.scrollWidth,"
                " p.scrollWidth, p.clientWidth, document.querySelector('#part-panel .panel')"
                " .getBoundingClientRect().right];")
            return got[0] == 360 and got
        width, page, panel, panel_room, right = wait_until("the page is 360 pixels wide",
                                                           measured, 5)
        if page > width or panel > panel_room or right > width:
            fail("at 360 pixels the page scrolls sideways: page %d, panel %d in %d, the"
                 " panel's right edge at %.0f" % (page, panel, panel_room, right))
    finally:
        d.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def case_press(binary, fixtures, work):
    host = Host(binary, "127.0.0.1:0", work)
    d = browser(work)
    try:
        from selenium.webdriver.common.action_chains import ActionChains
        load_page(d, host.url)
        wait_monitor(d, "1", "Studio Wide", 5)
        if not d.title.startswith("demo"):
            fail("the title %r does not name the studio file" % d.title)
        button = d.find_element("css selector", '#part-inputs [data-input="2"]')
        ActionChains(d).click_and_hold(button).perform()
        took = wait_monitor(d, "6", "Cam 6")
        wait_until("input 2 shows high", lambda: d.execute_script(
            "return document.querySelector('#part-inputs [data-input=\"2\"]').dataset.high"
            " === '1'"), WAIT)
        host.run('expect control CurrentSDI_ID text "6"')
        host.run("expect dest 3 source 6")
        ActionChains(d).release().perform()
        wait_monitor(d, "1", "Studio Wide")
        host.run("expect dest 3 source 1")
        print("mouse: the page showed the change after %.3f s" % took)
        # The keyboard: key 2 down holds input 2, up releases it.
        ActionChains(d).key_down("2").perform()
        took = wait_monitor(d, "6", "Cam 6")
        host.run('expect control Current_Name text "Cam 6"')
        ActionChains(d).key_up("2").perform()
        wait_monitor(d, "1", "Studio Wide")
        print("key: the page showed the change after %.3f s" % took)
        trace = d.find_element("id", "part-trace").text
        if "> press 2" not in trace or "RC 12" not in trace:
            fail("the page's trace lacks the press or its crosspoint:\n" + trace)
        fits_a_phone(d)
        no_console_errors(d)
    finally:
        d.quit()
    record = os.path.join(work, "press.record.scn")
    host.type("record " + record)
    out = host.quit()
    if host.proc.returncode != 0 or "4 expectations, 0 failed" not in out:
        fail("kest-host's own expectations (exit %d):\n%s" % (host.proc.returncode, out[-3000:]))
    if out.count("web> press 2") != 2 or out.count("web> release 2") != 2:
        fail("kest-host's output lacks the page's statements:\n" + out[-3000:])
    with open(record) as f:
        recorded = f.read()
    if recorded.count("press 2") != 2 or recorded.count("release 2") != 2:
        fail("the record file lacks the page's statements:\n" + recorded)


def case_two_pages(binary, fixtures, work):
    host = Host(binary, "127.0.0.1:0", work)
    d = browser(work)
    try:
        load_page(d, host.url)
        first = d.current_window_handle
        d.switch_to.new_window("window")
        load_page(d, host.url)
        second = d.current_window_handle
        # Pressed from the console this time: both pages follow the host.
        host.type("press 4")
        wait_monitor(d, "9", "Playout A", page="the second page")
        d.switch_to.window(first)
        wait_monitor(d, "9", "Playout A", page="the first page")
        d.find_element("tag name", "body").click()
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(d).key_down("2").perform()
        wait_monitor(d, "6", "Cam 6", page="the first page")
        d.switch_to.window(second)
        wait_monitor(d, "6", "Cam 6", page="the second page")
        no_console_errors(d)
    finally:
        d.quit()
    out = host.quit()
    if "web> press 2" not in out:
        fail("the key press did not reach the host:\n" + out[-2000:])


def case_reconnect(binary, fixtures, work):
    host = Host(binary, "127.0.0.1:0", work)
    d = browser(work)
    try:
        load_page(d, host.url)
        wait_monitor(d, "1", "Studio Wide", 5)
        host.quit()
        wait_until("the page says it is disconnected", lambda: d.execute_script(
            "const l = document.getElementById('link'); return l.dataset.state ==="
            " 'disconnected' && getComputedStyle(l).display !== 'none' && l.textContent"),
            5)
        # Another session on the same port, with input 3 held from its start.
        again = Host(binary, "127.0.0.1:%d" % host.port, work,
                     scenario=os.path.join(fixtures, "press3.scn"))
        try:
            wait_connected(d, 15)
            wait_monitor(d, "7", "Cam 7", 5)
            wait_until("input 3 shows high", lambda: d.execute_script(
                "return document.querySelector('#part-inputs [data-input=\"3\"]')"
                ".dataset.high === '1'"), WAIT)
        finally:
            again.quit()
    finally:
        d.quit()


def http_status(url, headers=None):
    request = urllib.request.Request(url, headers=headers or {})
    try:
        with urllib.request.urlopen(request, timeout=5) as r:
            return r.status
    except urllib.error.HTTPError as e:
        return e.code


def raw(address, port, data, seconds=5):
    """Sends bytes, returns what comes back until the server closes or waits."""
    with socket.create_connection((address, port), timeout=seconds) as s:
        s.sendall(data)
        got = b""
        s.settimeout(seconds)
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                got += chunk
        except socket.timeout:
            pass
        return got


def upgrade(address, port, target, host, origin):
    key = base64.b64encode(os.urandom(16)).decode()
    lines = ["GET %s HTTP/1.1" % target, "Host: " + host, "Upgrade: websocket",
             "Connection: Upgrade", "Sec-WebSocket-Key: " + key, "Sec-WebSocket-Version: 13"]
    if origin:
        lines.append("Origin: " + origin)
    return ("\r\n".join(lines) + "\r\n\r\n").encode()


def status_line(reply):
    return reply.split(b"\r\n", 1)[0].decode(errors="replace")


def case_token(binary, fixtures, work):
    host = Host(binary, "127.0.0.2:0", work)
    if "?token=" not in host.url:
        fail("no token in the URL printed for 127.0.0.2: " + host.url)
    base = "http://127.0.0.2:%d/" % host.port
    for url in (base, base + "page.js", base + "?token=wrong" + "0" * 20):
        if http_status(url) != 403:
            fail("%s was not refused without the right token" % url)
    authority = "127.0.0.2:%d" % host.port
    origin = "http://" + authority
    reply = raw("127.0.0.2", host.port, upgrade("127.0.0.2", host.port, "/ws", authority, origin))
    if not status_line(reply).startswith("HTTP/1.1 403"):
        fail("a WebSocket without the token was not refused: " + status_line(reply))
    d = browser(work)
    try:
        load_page(d, host.url)
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(d).key_down("2").perform()
        wait_monitor(d, "6", "Cam 6")
        ActionChains(d).key_up("2").perform()
        no_console_errors(d)
    finally:
        d.quit()
    host.quit()
    # A token given with --web-token is the one needed.
    given = "given-token-0123456789"
    host = Host(binary, "127.0.0.2:0", work, token=given)
    base = "http://127.0.0.2:%d/" % host.port
    if host.url != base + "?token=" + given or http_status(host.url) != 200 or \
            http_status(base) != 403:
        fail("--web-token %s: url %s" % (given, host.url))
    host.quit()


def case_origin(binary, fixtures, work):
    d = None
    for address in ("127.0.0.1", "127.0.0.2"):
        host = Host(binary, address + ":0", work)
        try:
            port = host.port
            authority = "%s:%d" % (address, port)
            url = host.url
            query = url[url.index("?"):] if "?" in url else ""
            if http_status(url) != 200:
                fail("%s: the page itself was refused" % url)
            if http_status(url, {"Origin": "http://evil.example"}) != 403:
                fail("%s: a foreign Origin was not refused" % url)
            if http_status(url, {"Origin": "http://%s:%d" % (address, port + 1)}) != 403:
                fail("%s: an Origin with another port was not refused" % url)
            reply = raw(address, port, ("GET /%s HTTP/1.1\r\nHost: evil.example:%d\r\n\r\n"
                                        % (query, port)).encode())
            if not status_line(reply).startswith("HTTP/1.1 403"):
                fail("%s: a foreign Host was not refused: %s" % (url, status_line(reply)))
            for origin in ("http://evil.example", None, "null"):
                reply = raw(address, port, upgrade(address, port, "/ws" + query, authority, origin))
                if not status_line(reply).startswith("HTTP/1.1 403"):
                    fail("%s: a WebSocket with Origin %r was not refused: %s"
                         % (url, origin, status_line(reply)))
            reply = raw(address, port, upgrade(address, port, "/ws" + query, authority,
                                               "http://" + authority), seconds=1)
            if not status_line(reply).startswith("HTTP/1.1 101"):
                fail("%s: the right Origin was refused: %s" % (url, status_line(reply)))
            if d is None:
                d = browser(work)
            load_page(d, url)
            # Garbage, an oversized head, and a WebSocket frame the server cannot take
            # (unmasked, which a client must never send): each closes its own
            # connection only; the page stays connected and works.
            reply = raw(address, port, b"\x00\x01garbage\r\n\r\n")
            if reply and not status_line(reply).startswith("HTTP/1.1 400"):
                fail("garbage got %r" % status_line(reply))
            reply = raw(address, port, b"GET / HTTP/1.1\r\nX: " + b"a" * 20000 + b"\r\n\r\n")
            if reply and not status_line(reply).startswith("HTTP/1.1 400"):
                fail("an oversized head got %r" % status_line(reply))
            with socket.create_connection((address, port), timeout=5) as s:
                s.sendall(upgrade(address, port, "/ws" + query, authority, "http://" + authority))
                s.settimeout(5)
                head = s.recv(4096)
                if not head.startswith(b"HTTP/1.1 101"):
                    fail("the raw WebSocket was refused: %r" % head[:80])
                s.sendall(b"\x81\x05hello")  # unmasked text frame
                # The server closes: its close frame (0x88), or the end of the line.
                closed = False
                deadline = time.time() + 5
                got = b""
                while time.time() < deadline and not closed:
                    try:
                        chunk = s.recv(65536)
                    except ConnectionResetError:
                        chunk = b""
                    except socket.timeout:
                        break
                    got += chunk
                    closed = not chunk or b"\x88" in got
                if not closed:
                    fail("a malformed frame did not close its connection: %r" % got[:80])
            from selenium.webdriver.common.action_chains import ActionChains
            d.find_element("tag name", "body").click()
            ActionChains(d).key_down("3").perform()
            wait_monitor(d, "7", "Cam 7")
            ActionChains(d).key_up("3").perform()
            wait_monitor(d, "1", "Studio Wide")
        finally:
            out = host.quit()
        if "refused a request" not in out:
            fail("kest-host did not log the refusals:\n" + out[-2000:])
    if d is not None:
        d.quit()


class Videohub:
    """kest-videohub on a free port of 127.0.0.1, logging the routes it is sent."""

    def __init__(self, binary, work):
        self.port_file = os.path.join(work, "videohub.port")
        self.log = os.path.join(work, "videohub.log")
        self.proc = subprocess.Popen(
            [binary, "--port", "0", "--port-file", self.port_file, "--inputs", "12",
             "--outputs", "8", "--label-in", "0=Studio Wide", "--label-in", "5=Cam 6",
             "--label-out", "2=LD Monitor", "--route", "2=0", "--log", self.log],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while time.time() < deadline:
            if os.path.exists(self.port_file) and open(self.port_file).read().strip():
                self.port = int(open(self.port_file).read().strip())
                return
            time.sleep(0.05)
        self.proc.kill()
        fail("kest-videohub did not tell its port")

    def routes(self):
        with open(self.log) as f:
            return [line.strip() for line in f if line.startswith("route")]

    def stop(self):
        self.proc.kill()
        self.proc.wait()


def live_session(binary, fixtures, work, videohub, mode):
    """mode: "route" (the press reaches the router), "read-only" (--read-only), or
    "guard" (the tally moves the monitor to destination 4 after the start, which the
    destination guard does not allow)."""
    router = Videohub(videohub, work)
    live = ["--live", os.path.join(fixtures, "live.scn"), "--set", "PORT=%d" % router.port]
    if mode == "read-only":
        live.append("--read-only")
    # The guard case types at the console; the others run as `--live FILE --web`.
    host = Host(binary, "127.0.0.1:0", work, live=live, interactive=mode == "guard")
    d = browser(work)
    try:
        from selenium.webdriver.common.action_chains import ActionChains
        load_page(d, host.url)
        wait_monitor(d, "1", "Studio Wide", 5)
        wait_until("the devices line shows the router's link up", lambda: d.execute_script(
            "const r = document.querySelector('#part-devices [data-device=\"12\"]');"
            " return r && r.dataset.link === 'up' && r.textContent"), WAIT)
        if not d.title.startswith("live.scn") and "live.scn" not in d.title:
            fail("the title %r does not name the studio file" % d.title)
        if mode == "guard":
            host.run('slot 69 "4"')
        button = d.find_element("css selector", '#part-inputs [data-input="2"]')
        ActionChains(d).click_and_hold(button).perform()
        if mode == "route":
            took = wait_monitor(d, "6", "Cam 6")
            print("live: the page showed the router's report after %.3f s" % took)
        else:
            why = {"read-only": "not sent: read-only",
                   "guard": "refused: destination 4 not allowed"}[mode]
            wait_until("the page's trace says " + why, lambda:
                       why in d.find_element("id", "part-trace").text, WAIT)
        ActionChains(d).release().perform()
        if mode != "guard":
            wait_monitor(d, "1", "Studio Wide")
        no_console_errors(d)
    finally:
        d.quit()
        out = host.quit()
        router.stop()
    routes = router.routes()
    if mode != "route" and routes:
        fail("%s: the router was sent %s" % (mode, routes))
    if mode == "route" and routes != ["route 2 5", "route 2 0"]:
        fail("the router was sent %s, not route 2 5 then route 2 0" % routes)
    if out.count("web> press 2") != 1 or host.proc.returncode not in (0, 1):
        fail("kest-host's output (exit %d):\n%s" % (host.proc.returncode, out[-3000:]))


def case_live(binary, fixtures, work, videohub):
    live_session(binary, fixtures, work, videohub, "route")


def case_read_only(binary, fixtures, work, videohub):
    live_session(binary, fixtures, work, videohub, "read-only")


def case_guard(binary, fixtures, work, videohub):
    live_session(binary, fixtures, work, videohub, "guard")


LIVE_CASES = {"live": case_live, "read-only": case_read_only, "guard": case_guard}
CASES = {"press": case_press, "two-pages": case_two_pages, "reconnect": case_reconnect,
         "token": case_token, "origin": case_origin}


def main():
    if len(sys.argv) not in (5, 6) or sys.argv[4] not in {**CASES, **LIVE_CASES}:
        print(__doc__)
        return 2
    binary, fixtures, work, case = sys.argv[1:5]
    if case in LIVE_CASES and len(sys.argv) != 6:
        print("the live cases need KEST_VIDEOHUB")
        return 2
    os.makedirs(work, exist_ok=True)
    work = tempfile.mkdtemp(prefix=case + "-", dir=work)
    # Chromium and its driver are found before any kest-host is started.
    try:
        import selenium  # noqa: F401
    except ImportError:
        skip("python3-selenium is not installed")
    if shutil.which("chromium") is None:
        skip("chromium is not installed")
    if shutil.which("chromedriver") is None and not os.path.exists("/usr/bin/chromedriver"):
        skip("chromium-driver is not installed")
    watchdog = threading.Timer(150, lambda: os._exit(3))
    watchdog.daemon = True
    watchdog.start()
    if case in LIVE_CASES:
        LIVE_CASES[case](binary, fixtures, work, sys.argv[5])
    else:
        CASES[case](binary, fixtures, work)
    print("passed: " + case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
