"""Headless Chromium driven over its DevTools protocol, and a static web
server on 127.0.0.1, for the browser tests and the browser benchmark.

Chromium talks to us over a pipe (--remote-debugging-pipe: JSON messages
ending in a NUL byte on file descriptors 3 and 4), so no WebSocket client
and nothing outside Python's standard library is needed.
"""

import base64
import fcntl
import functools
import http.server
import json
import os
import select
import shutil
import subprocess
import tempfile
import threading
import time

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--disable-default-apps", "--disable-extensions", "--mute-audio",
    "--autoplay-policy=user-gesture-required", "--remote-debugging-pipe",
]


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


class _Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".wasm": "application/wasm", ".js": "text/javascript",
                             ".zem": "application/octet-stream"})

    def log_message(self, format, *args):  # quiet
        pass


class StaticServer:
    """Serves one folder as a plain static web server does."""

    def __init__(self, folder):
        handler = functools.partial(_Handler, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()
        self.thread.join(5)


class BrowserError(Exception):
    pass


class Browser:
    """One headless Chromium with one page, commands sent over the pipe."""

    def __init__(self, width=640, height=480):
        chromium = find_chromium()
        if not chromium:
            raise BrowserError("no chromium")
        self.profile = tempfile.mkdtemp(prefix="zemvr-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()

        def give_pipe():
            # The browser reads commands on 3 and writes answers on 4.
            read_end = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD, 10)
            write_end = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD, 10)
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)

        self.process = subprocess.Popen(
            [chromium] + CHROMIUM_FLAGS + ["--user-data-dir=" + self.profile,
                                           "--window-size=%d,%d" % (width, height), "about:blank"],
            preexec_fn=give_pipe, close_fds=False,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._buffer = b""
        self._next_id = 0
        self.events = []
        self.session = None
        self.console = []  # (level, text) of every console message and exception
        target = self.command("Target.createTarget", {"url": "about:blank"}, session=False)
        attached = self.command("Target.attachToTarget",
                                {"targetId": target["targetId"], "flatten": True}, session=False)
        self.session = attached["sessionId"]
        for domain in ("Page", "Runtime", "Log", "Performance"):
            self.command(domain + ".enable")
        self.set_size(width, height)

    # -- protocol ---------------------------------------------------------

    def _send(self, message):
        data = json.dumps(message).encode() + b"\0"
        while data:
            written = os.write(self._to_browser, data)
            data = data[written:]

    def _receive(self, timeout):
        deadline = time.monotonic() + timeout
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise BrowserError("no answer from chromium")
            ready, _, _ = select.select([self._from_browser], [], [], 0.5)
            if ready:
                chunk = os.read(self._from_browser, 1 << 20)
                if not chunk:
                    raise BrowserError("chromium closed the pipe")
                self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def _note_event(self, message):
        method = message.get("method", "")
        params = message.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", []))
            self.console.append((params.get("type"), text))
        elif method == "Runtime.exceptionThrown":
            details = params.get("exceptionDetails", {})
            text = details.get("exception", {}).get("description") or details.get("text", "")
            self.console.append(("exception", text))
        elif method == "Log.entryAdded":
            entry = params.get("entry", {})
            self.console.append((entry.get("level"), entry.get("text", "") + " " + entry.get("url", "")))
        self.events.append(message)

    def command(self, method, params=None, session=True, timeout=60):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        self._send(message)
        while True:
            answer = self._receive(timeout)
            if answer.get("id") == self._next_id:
                if "error" in answer:
                    raise BrowserError("%s: %s" % (method, answer["error"]))
                return answer.get("result", {})
            self._note_event(answer)

    def pump(self, seconds):
        """Takes the browser's events for a while."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                self._note_event(self._receive(max(0.01, deadline - time.monotonic())))
            except BrowserError as e:
                if "no answer" not in str(e):
                    raise

    # -- page -------------------------------------------------------------

    def set_size(self, width, height):
        self.command("Emulation.setDeviceMetricsOverride",
                     {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def navigate(self, url):
        self.events = []
        self.command("Page.navigate", {"url": url})

    def evaluate(self, expression, timeout=60):
        result = self.command("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                    "returnByValue": True}, timeout=timeout)
        if "exceptionDetails" in result:
            raise BrowserError("%s: %s" % (expression, result["exceptionDetails"]))
        return result.get("result", {}).get("value")

    def wait_for(self, expression, timeout=20, what=None):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.05)
        raise BrowserError("timed out waiting for " + (what or expression))

    def mouse(self, kind, x, y, button="none", buttons=0, clicks=0):
        self.command("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": button,
                                                  "buttons": buttons, "clickCount": clicks})

    def key(self, kind, key, code, vk, text=None):
        params = {"type": kind, "key": key, "code": code, "windowsVirtualKeyCode": vk,
                  "nativeVirtualKeyCode": vk}
        if text is not None:
            params["text"] = text
        self.command("Input.dispatchKeyEvent", params)

    def metrics(self):
        return {m["name"]: m["value"] for m in self.command("Performance.getMetrics")["metrics"]}

    def main_thread(self, seconds):
        """Time the page's main thread spent in tasks over a while, in ms:
        (processor time, wall time), from a trace of its top-level tasks."""
        self.command("Tracing.start", {"categories": "toplevel", "transferMode": "ReportEvents"},
                     session=False)
        self.pump(seconds)
        self.command("Tracing.end", session=False)
        events = []
        while True:
            message = self._receive(30)
            if message.get("method") == "Tracing.dataCollected":
                events += message["params"]["value"]
            elif message.get("method") == "Tracing.tracingComplete":
                break
            else:
                self._note_event(message)
        threads = {(e["pid"], e["tid"]) for e in events
                   if e.get("ph") == "M" and e.get("name") == "thread_name"
                   and e.get("args", {}).get("name") == "CrRendererMain"}
        best = (0.0, 0.0)
        for thread in threads:
            tasks = [e for e in events if (e["pid"], e["tid"]) == thread and e.get("ph") == "X"
                     and e.get("name") == "ThreadControllerImpl::RunTask"]
            cpu = sum(e.get("tdur", 0) for e in tasks) / 1000.0
            wall = sum(e.get("dur", 0) for e in tasks) / 1000.0
            best = max(best, (cpu, wall))  # the page's renderer, not about:blank's
        return best

    def pixels(self, expression):
        data = self.evaluate(expression)
        return base64.b64decode(data) if data else b""

    def close(self):
        try:
            self.command("Browser.close", session=False, timeout=5)
        except (BrowserError, OSError):
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        os.close(self._from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)
