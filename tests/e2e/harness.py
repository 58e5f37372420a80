"""Drives the real application (tests/e2e/host) under the X display or the
Wayland compositor the test command started, in a temporary HOME with its own
XDG folders, a default browser that records what it is handed, and HTTP
servers on 127.0.0.1."""

import copy
import ctypes
import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("QV_BUILD", os.path.join(ROOT, "build"))
HOST = os.path.join(BUILD, "bin", "qv_e2e_host")
PAGES = os.path.join(ROOT, "tests", "e2e", "pages")
OUTPUT = os.environ.get("QV_TEST_OUTPUT", os.path.join(BUILD, "test-output"))
# Under Wayland the test command's compositor shows each window at the
# output's corner and takes clicks through the FIFO of its seat module.
SEAT_FIFO = os.environ.get("QV_SEAT_FIFO")
WAYLAND = bool(SEAT_FIFO)


def wait_for(check, timeout=20.0, interval=0.05, what="condition", ok=bool):
    """Polls `check` until `ok` holds for what it returns; returns that value."""
    end = time.monotonic() + timeout
    while True:
        value = check()
        if ok(value):
            return value
        if time.monotonic() > end:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(interval)


class Home:
    """A user's home for one or more runs of the application."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="qv-e2e-")
        self.home = os.path.join(self.root, "home")
        self.config = os.path.join(self.home, ".config")
        self.data = os.path.join(self.home, ".local", "share")
        self.cache = os.path.join(self.home, ".cache")
        self.downloads = os.path.join(self.home, "Downloads")
        for d in (self.config, self.data, self.cache):
            os.makedirs(d, exist_ok=True)
        self.browser_log = os.path.join(self.root, "opened.log")
        self._register_browser()

    def _register_browser(self):
        recorder = os.path.join(self.root, "browser.sh")
        with open(recorder, "w") as f:
            f.write('#!/bin/sh\nprintf "%s\\n" "$1" >> "' + self.browser_log + '"\n')
        os.chmod(recorder, 0o755)
        apps = os.path.join(self.data, "applications")
        os.makedirs(apps, exist_ok=True)
        with open(os.path.join(apps, "qv-test-browser.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Test browser\n"
                    f"Exec={recorder} %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n")
        with open(os.path.join(self.config, "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\nx-scheme-handler/http=qv-test-browser.desktop\n"
                    "x-scheme-handler/https=qv-test-browser.desktop\n")

    def opened(self):
        """URLs handed to the default browser so far, in order."""
        try:
            with open(self.browser_log) as f:
                return [line.rstrip("\n") for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def mt5_status(self, user):
        """The path of MetaTrader 5's status file for that user of ~/.wine, its folder made."""
        path = os.path.join(self.home, ".wine", "drive_c", "users", user, "AppData", "Roaming", "MetaQuotes",
                            "Terminal", "Common", "Files", "quorvex_mt5.json")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        return path

    def settings(self):
        path = os.path.join(self.config, "quorvex", "settings.json")
        with open(path) as f:
            return json.load(f)

    def env(self):
        env = dict(os.environ)
        env.update(HOME=self.home, XDG_CONFIG_HOME=self.config, XDG_DATA_HOME=self.data,
                   XDG_CACHE_HOME=self.cache, XDG_DATA_DIRS="/usr/local/share:/usr/share",
                   GTK_A11Y="none", NO_AT_BRIDGE="1", GSETTINGS_BACKEND="memory",
                   GDK_BACKEND="wayland" if WAYLAND else "x11")
        # No session bus: nothing may be started on one and outlive the run.
        env["DBUS_SESSION_BUS_ADDRESS"] = "disabled:"
        return env

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class App:
    """One run of the application. `settings` go to the host as its options:
    resourcesFolder, sitios, chatAppURL, videoBaseURL, pageScript
    (run at document start in the main page from its first load on)..."""

    def __init__(self, home, page="shell", wrapper=(), env=None, **settings):
        self.home = home
        self.wrapper = list(wrapper)  # a command the host runs under, such as unshare
        self.env = dict(env or {})  # over the home's environment; None removes a variable
        self.settings = dict(settings)
        if page is not None and "resourcesFolder" not in self.settings:
            self.settings["resourcesFolder"] = os.path.join(PAGES, page)
        self.proc = None
        self._seq = 0
        self._buffer = b""

    def start(self):
        config = os.path.join(self.home.root, "host-options.json")
        with open(config, "w") as f:
            json.dump(self.settings, f)
        read_fd, write_fd = os.pipe()  # answers come back on the host's fd 3
        self.log = open(os.path.join(self.home.root, "app.log"), "ab")
        env = self.home.env()
        env.update(self.env)
        self.proc = subprocess.Popen(
            self.wrapper + [HOST, config], stdin=subprocess.PIPE, stdout=self.log, stderr=self.log,
            env={k: v for k, v in env.items() if v is not None}, close_fds=False,
            preexec_fn=lambda: (os.dup2(write_fd, 3), os.set_inheritable(3, True)))
        os.close(write_fd)
        self._answers = read_fd
        def state():
            try:
                return self.call("state", timeout=2)
            except AssertionError:
                if self.proc.poll() is not None:
                    raise

        wait_for(state, timeout=30, what="the application to start")
        return self

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def call(self, op, timeout=30, **args):
        self._seq += 1
        request = dict(args, op=op, seq=self._seq)
        self.proc.stdin.write((json.dumps(request) + "\n").encode())
        self.proc.stdin.flush()
        end = time.monotonic() + timeout
        while True:
            while b"\n" in self._buffer:
                line, self._buffer = self._buffer.split(b"\n", 1)
                answer = json.loads(line)
                if answer.get("seq") == self._seq:
                    return answer
            left = end - time.monotonic()
            if left <= 0 or self.proc.poll() is not None:
                raise AssertionError(f"no answer to {op}")
            ready, _, _ = select.select([self._answers], [], [], left)
            if ready:
                chunk = os.read(self._answers, 65536)
                if not chunk:
                    raise AssertionError(f"the application ended during {op}")
                self._buffer += chunk

    def state(self):
        return self.call("state")

    def js(self, body, view="main", timeout=30):
        """Runs an async function body in a view; returns its value."""
        answer = self.call("eval", view=view, js=body, timeout=timeout)
        if "error" in answer:
            raise AssertionError(f"script failed in {view}: {answer['error']}")
        return answer.get("value")

    def wait_js(self, expression, view="main", timeout=20):
        """Waits until the expression is truthy in the view; returns its value.
        Each look lasts a moment inside the page, so that a page being
        replaced (whose pending scripts never answer) is soon asked again."""
        body = ("const end = Date.now() + 300; for (;;) { let v; try { v = (%s); } catch (e) { v = undefined; }"
                " if (v || Date.now() > end) return v || null; await new Promise(r => setTimeout(r, 20)); }"
                % expression)
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            try:
                value = self.js(body, view=view, timeout=3)
            except AssertionError:
                if self.proc.poll() is not None:
                    raise
                value = None
            if value:
                return value
        raise AssertionError(f"timed out waiting for {expression} in {view}")

    def post(self, *messages):
        """Posts bridge messages in order from the main page, once it has
        loaded: the page's channel exists only in the local page's own document."""
        self.wait_js("!!(window.__qvNativo && window.webkit)")
        self.js("for (const m of %s) window.webkit.messageHandlers.qv.postMessage(m); return true;"
                % json.dumps(messages))

    def pane(self, kind, slot):
        for p in self.state()["panes"]:
            if p["kind"] == kind and p["slot"] == slot:
                return p
        return None

    def window(self, title="QUORVEX"):
        for w in self.state()["windows"]:
            if w["title"] == title:
                return w
        return None

    def xdotool(self, *args, check=True):
        return subprocess.run(["xdotool", *map(str, args)], env=self.home.env(), capture_output=True,
                              text=True, check=check, timeout=20).stdout

    def x_window(self, title="QUORVEX"):
        """The X window id of the top-level whose whole title matches (a regex)."""
        # The search fails now and then while another window comes or goes: ask again.
        return wait_for(lambda: self.xdotool("search", "--name", f"^{title}$", check=False).split(),
                        what=f"the window {title}")[0]

    def screen_origin(self):
        """Where main-page coordinates start on the screen."""
        origin = self.state()["contentOrigin"]
        if WAYLAND:
            return origin["x"], origin["y"]
        geometry = dict(line.split("=", 1) for line in
                        self.xdotool("getwindowgeometry", "--shell", self.x_window()).split())
        return int(geometry["X"]) + origin["x"], int(geometry["Y"]) + origin["y"]

    def click_in(self, window, x, y):
        self.xdotool("mousemove", "--window", window, int(x), int(y), "click", 1)

    def click(self, x, y):
        """A real click at page coordinates of the main web view: XTest under
        X11, the compositor's own seat under Wayland."""
        if WAYLAND:
            ox, oy = self.screen_origin()
            with open(SEAT_FIFO, "w") as fifo:
                fifo.write(f"click {ox + x} {oy + y}\n")
            return
        origin = self.state()["contentOrigin"]
        self.click_in(self.x_window(), origin["x"] + x, origin["y"] + y)

    def click_element(self, element, view="main"):
        """A real click on the middle of an element (by id) of the main page or of a web pane."""
        x, y = self.js("const r = document.getElementById(%s).getBoundingClientRect();"
                       " return [r.x + r.width / 2, r.y + r.height / 2];" % json.dumps(element), view=view)
        if view != "main":
            bounds = self.pane("web", view[len("web:"):])["bounds"]
            x, y = x + bounds["x"], y + bounds["y"]
        self.click(x, y)

    def focus(self, title="QUORVEX"):
        """Gives the window the keyboard focus, as a window manager would on a click."""
        self.xdotool("windowfocus", "--sync", self.x_window(title))
        wait_for(lambda: self.window(title)["active"], what=f"the window {title} to be active")

    def key(self, keys, title="QUORVEX"):
        """Real key presses (XTest) in that window, given the keyboard focus
        first: events sent to an unfocused window are not the user's."""
        self.focus(title)
        self.xdotool("key", keys)

    def screenshot(self, name):
        os.makedirs(OUTPUT, exist_ok=True)
        path = os.path.join(OUTPUT, name + (".wayland" if WAYLAND else "") + ".png")
        if not WAYLAND:
            subprocess.run(["import", "-window", "root", path], check=True, env=self.home.env())
            return path
        # The screenshooter names its file after the time, in its working folder.
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["weston-screenshooter"], cwd=folder, check=True, timeout=20, env=self.home.env())
            shutil.move(os.path.join(folder, os.listdir(folder)[0]), path)
        return path

    def stop(self):
        if not self.proc or self.log.closed:
            return
        if self.proc.poll() is None:
            try:
                self.call("quit", timeout=5)
            except AssertionError:
                pass
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        os.close(self._answers)
        self.log.close()


class DesktopBus:
    """A private session bus for one test class, with the notification
    recorder (notification_recorder.py) owning org.freedesktop.Notifications
    on it. The bus has no service folders, so nothing else is ever started on
    it. Give `address` to the application's environment; `stop` ends both."""

    CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:path={socket}</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*"/><allow receive_sender="*"/><allow own="*"/></policy>
</busconfig>"""

    def __init__(self, folder, timeout=20.0):
        config = os.path.join(folder, "bus.conf")
        with open(config, "w") as f:
            f.write(self.CONFIG.format(socket=os.path.join(folder, "bus")))
        self._lines = []
        self._seen = threading.Condition()
        self.recorder = None
        # The bus ends with the test process however that ends, a kill included.
        prctl = ctypes.CDLL(None, use_errno=True).prctl
        self.bus = subprocess.Popen(["dbus-daemon", "--nofork", "--print-address=1", f"--config-file={config}"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    preexec_fn=lambda: prctl(1, signal.SIGTERM))  # PR_SET_PDEATHSIG
        try:
            ready, _, _ = select.select([self.bus.stdout], [], [], timeout)
            self.address = self.bus.stdout.readline().decode().strip() if ready else ""
            if not self.address:
                raise AssertionError("the test's session bus gave no address")
            # Debian's python3 has the GObject bindings, whichever python runs the tests.
            self.recorder = subprocess.Popen(
                ["/usr/bin/python3", os.path.join(ROOT, "tests", "e2e", "notification_recorder.py"), self.address],
                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.address))
            threading.Thread(target=self._read, daemon=True).start()
            self.wait(lambda calls: any(c.get("ready") for c in calls), "the notification recorder", timeout)
        except BaseException:
            self.stop()
            raise

    def _read(self):
        for line in self.recorder.stdout:
            with self._seen:
                self._lines.append(json.loads(line))
                self._seen.notify_all()
        with self._seen:
            self._lines.append({"ended": True})
            self._seen.notify_all()

    def wait(self, check, what, timeout=20.0):
        """Waits for `check(calls)` to be truthy as the recorder's lines come
        in, and returns it; raises if the recorder ends or time runs out."""
        with self._seen:
            value = None

            def done():
                nonlocal value
                value = check(list(self._lines))
                return value or any(c.get("ended") for c in self._lines)

            if not self._seen.wait_for(done, timeout) or not value:
                raise AssertionError(f"timed out waiting for {what}")
            return value

    def notification(self, summary):
        """The first notification shown with this title."""
        return self.wait(lambda calls: next((c for c in calls if c.get("method") == "Notify"
                                             and c["summary"] == summary), None), f"the notification {summary!r}")

    def click(self, notification_id):
        self.recorder.stdin.write(f"click {notification_id}\n")
        self.recorder.stdin.flush()
        self.wait(lambda calls: {"clicked": notification_id} in calls, "the click")

    def stop(self):
        for proc in (self.recorder, self.bus):
            if proc is None:
                continue
            proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()


class Server:
    """An HTTP server on 127.0.0.1. `routes` maps a path (without query) to a
    function of the request returning (status, headers, body bytes), or None
    to never answer. Every request is logged."""

    def __init__(self, routes=None, host="127.0.0.1"):
        self.routes = dict(routes or {})
        self.requests = []
        server = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def _handle(self):
                length = int(self.headers.get("Content-Length") or 0)
                self.body = self.rfile.read(length) if length else b""
                self.route = self.path.split("?", 1)[0]
                # One handler serves every request of a kept-alive connection: log a copy.
                server.requests.append(copy.copy(self))
                handler = server.routes.get(self.route)
                if handler is None and "*" in server.routes:
                    handler = server.routes["*"]
                if handler is None:
                    status, headers, body = 404, {}, b"no"
                else:
                    result = handler(self)
                    if result is None:  # hold the connection without answering
                        time.sleep(60)
                        return
                    status, headers, body = result
                self.send_response(status)
                for k, v in headers.items():
                    self.send_header(k, v)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            do_GET = do_POST = do_PUT = do_DELETE = do_PATCH = _handle

        ThreadingHTTPServer.daemon_threads = True
        self.httpd = ThreadingHTTPServer((host, 0), Handler)
        self.port = self.httpd.server_address[1]
        self.base = f"http://{host}:{self.port}"
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def hits(self, route):
        return [r for r in self.requests if r.route == route]

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()
