"""Drives the real application (tests/e2e/host) under the test command's X
display or Wayland compositor, in a temporary HOME whose default browser
records what it is handed, against HTTP servers on 127.0.0.1."""

import contextlib
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
# Under Wayland the compositor shows each window at the output's corner and
# takes clicks through the FIFO of its seat module.
SEAT_FIFO = os.environ.get("QV_SEAT_FIFO")
WAYLAND = bool(SEAT_FIFO)
# There is no sound service, and the audio sinks GStreamer falls back to without one (OpenAL's null
# device, JACK, OSS) now and then stall a playing video's clock: sound goes to a sink that keeps time
# and plays nothing, as a working sound card would.
AUDIO_SINKS = ",".join(["fakeaudiosink:MAX"] + [f"{sink}:NONE" for sink in (
    "pulsesink", "alsasink", "openalsink", "jackaudiosink", "osssink", "oss4sink")])


def wait_for(check, timeout=20.0, what="condition", ok=bool):
    """Polls `check` until `ok` holds for what it returns; returns that value."""
    end = time.monotonic() + timeout
    while not ok(value := check()):
        if time.monotonic() > end:
            raise AssertionError(f"timed out waiting for {what}; last seen: {value!r:.500}")
        time.sleep(0.05)
    return value


MEDIA_TYPES = {".m3u8": "application/vnd.apple.mpegurl", ".ts": "video/mp2t", ".wav": "audio/wav"}


def media_folder(cleanup, size, rate, seconds, gop, *codec):
    """A folder, removed by `cleanup`, holding an HLS stream (stream.m3u8, 2 s segments, a key frame every `gop`
    frames) of a test picture with a 440 Hz tone, and that tone as tono.wav."""
    folder = tempfile.mkdtemp(prefix="qv-hls-")
    cleanup(shutil.rmtree, folder, True)
    tone = ["-f", "lavfi", "-i", "sine=frequency=440"]
    for out in ([*tone, "-t", "5", "tono.wav"],
                ["-f", "lavfi", "-i", f"testsrc=size={size}:rate={rate}", *tone, "-t", str(seconds), "-g", str(gop),
                 "-c:v", "libx264", *codec, "-pix_fmt", "yuv420p", "-c:a", "aac", "-f", "hls", "-hls_time", "2",
                 "-hls_list_size", "0", "stream.m3u8"]):
        subprocess.run(["ffmpeg", "-loglevel", "error", *out], cwd=folder, check=True)
    return folder


def media_file(folder, request):
    """A Server answer: the file of `folder` the request names."""
    name = os.path.basename(request.route)
    with open(os.path.join(folder, name), "rb") as f:
        return 200, {"Content-Type": MEDIA_TYPES[os.path.splitext(name)[1]]}, f.read()


def write(path, text, mode=0o644):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, mode)


class Home:
    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="qv-e2e-")
        self.home = os.path.join(self.root, "home")
        self.config = os.path.join(self.home, ".config")
        self.data = os.path.join(self.home, ".local", "share")
        self.cache = os.path.join(self.home, ".cache")
        self.downloads = os.path.join(self.home, "Downloads")
        os.makedirs(self.cache)
        self.browser_log = os.path.join(self.root, "opened.log")
        recorder = os.path.join(self.root, "browser.sh")
        write(recorder, f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{self.browser_log}"\n', 0o755)
        write(os.path.join(self.data, "applications", "qv-test-browser.desktop"),
              "[Desktop Entry]\nType=Application\nName=Test browser\n"
              f"Exec={recorder} %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n")
        write(os.path.join(self.config, "mimeapps.list"), "[Default Applications]\n"
              "x-scheme-handler/http=qv-test-browser.desktop\nx-scheme-handler/https=qv-test-browser.desktop\n")

    def opened(self):
        """URLs handed to the default browser so far, in order."""
        if not os.path.exists(self.browser_log):
            return []
        with open(self.browser_log) as f:
            return [line for line in f.read().splitlines() if line.strip()]

    def mt5_status(self, user, prefix=".wine", name="quorvex_mt5.json"):
        """The path of a MetaTrader 5 file (the status file unless named otherwise, such as an account's
        quorvex_mt5_<login>.json) for that user of a Wine prefix under HOME, its folder made."""
        path = os.path.join(self.home, prefix, "drive_c", "users", user, "AppData", "Roaming", "MetaQuotes",
                            "Terminal", "Common", "Files", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        return path

    def settings(self):
        with open(os.path.join(self.config, "quorvex", "settings.json")) as f:
            return json.load(f)

    def env(self):
        # No session bus: nothing may be started on one and outlive the run.
        return dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=self.config, XDG_DATA_HOME=self.data,
                    XDG_CACHE_HOME=self.cache, XDG_DATA_DIRS="/usr/local/share:/usr/share", GTK_A11Y="none",
                    NO_AT_BRIDGE="1", GSETTINGS_BACKEND="memory", GDK_BACKEND="wayland" if WAYLAND else "x11",
                    DBUS_SESSION_BUS_ADDRESS="disabled:", GST_PLUGIN_FEATURE_RANK=AUDIO_SINKS)

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class App:
    """One run of the application. `settings` are the host's options (tests/e2e/host/main.cpp); `wrapper` a
    command it runs under; `env` goes over the home's environment, None removing a variable."""

    def __init__(self, home, page="shell", wrapper=(), env=None, **settings):
        self.home, self.wrapper, self.env, self.settings = home, list(wrapper), dict(env or {}), settings
        if page is not None and "resourcesFolder" not in settings:
            settings["resourcesFolder"] = os.path.join(PAGES, page)
        self.proc, self._seq, self._buffer = None, 0, b""

    def start(self, wait=True):
        """Starts it and, unless told not to, waits until it answers."""
        config = os.path.join(self.home.root, "host-options.json")
        write(config, json.dumps(self.settings))
        self._answers, write_fd = os.pipe()  # answers come back on the host's fd 3
        self.log = open(os.path.join(self.home.root, "app.log"), "ab")
        env = dict(self.home.env(), **self.env)
        self.proc = subprocess.Popen(
            self.wrapper + [HOST, config], stdin=subprocess.PIPE, stdout=self.log, stderr=self.log,
            env={k: v for k, v in env.items() if v is not None}, close_fds=False,
            preexec_fn=lambda: (os.dup2(write_fd, 3), os.set_inheritable(3, True)))
        os.close(write_fd)
        if wait:
            wait_for(lambda: self._try("state", timeout=2), timeout=30, what="the application to start")
        return self

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def output(self):
        """What it has written on its standard output and error so far."""
        with open(self.log.name, errors="replace") as f:
            return f.read()

    def call(self, op, timeout=30, **args):
        self._seq += 1
        self.proc.stdin.write((json.dumps(dict(args, op=op, seq=self._seq)) + "\n").encode())
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
            if select.select([self._answers], [], [], left)[0]:
                chunk = os.read(self._answers, 65536)
                if not chunk:
                    raise AssertionError(f"the application ended during {op}")
                self._buffer += chunk

    def _try(self, op, **args):
        """The answer, or None when none came in time from an application still running."""
        try:
            return self.call(op, **args)
        except AssertionError:
            if self.proc.poll() is not None:
                raise

    def state(self):
        return self.call("state")

    def js(self, body, view="main", timeout=30):
        """Runs an async function body in a view; returns its value."""
        answer = self.call("eval", view=view, js=body, timeout=timeout)
        if "error" in answer:
            raise AssertionError(f"script failed in {view}: {answer['error']}")
        return answer.get("value")

    def wait_js(self, expression, view="main", timeout=20):
        """Waits until the expression is truthy in the view; returns its value. Each look lasts a moment inside
        the page, so that a page being replaced (whose pending scripts never answer) is soon asked again."""
        body = ("const end = Date.now() + 300; for (;;) { let v; try { v = (%s); } catch (e) { v = undefined; }"
                " if (v || Date.now() > end) return v || null; await new Promise(r => setTimeout(r, 20)); }"
                % expression)
        return wait_for(lambda: (self._try("eval", view=view, js=body, timeout=3) or {}).get("value"), timeout,
                        f"{expression} in {view}")

    def post(self, *messages):
        """Posts bridge messages in order from the main page once it has loaded."""
        self.wait_js("!!(window.__qvNativo && window.webkit)")
        self.js("for (const m of %s) window.webkit.messageHandlers.qv.postMessage(m); return true;"
                % json.dumps(messages))

    def pid(self, view="main"):
        """The id of the web process behind a view, as the application itself knows it."""
        return wait_for(lambda: self.call("pid", view=view).get("pid"), what=f"the process of {view}")

    def kill(self, view="main"):
        """Kills the view's web process as a crash or the kernel would; returns its id."""
        pid = self.pid(view)
        os.kill(pid, signal.SIGKILL)
        return pid

    def open_pane(self, slot, url, ready, x=900, y=20, w=500, h=400):
        """Shows a web pane and waits for `ready` in its loaded page and for the pane on screen."""
        self.post({"cmd": "web", "slot": slot, "url": url, "x": x, "y": y, "w": w, "h": h})
        self.wait_js("document.readyState === 'complete' && " + ready, view="web:" + slot)
        wait_for(lambda: self.pane("web", slot)["mapped"], what="the pane on screen")
        return "web:" + slot

    def pane(self, kind, slot):
        return next((p for p in self.state()["panes"] if p["kind"] == kind and p["slot"] == slot), None)

    def window(self, title="QUORVEX"):
        return next((w for w in self.state()["windows"] if w["title"] == title), None)

    def xdotool(self, *args, check=True):
        return subprocess.run(["xdotool", *map(str, args)], env=self.home.env(), capture_output=True,
                              text=True, check=check, timeout=20).stdout

    def x_window(self, title="QUORVEX"):
        # The search fails now and then while another window comes or goes: ask again.
        return wait_for(lambda: self.xdotool("search", "--name", f"^{title}$", check=False).split(),
                        what=f"the window {title}")[0]

    def screen_origin(self):
        """Where main-page coordinates start on the screen."""
        origin = self.state()["contentOrigin"]
        if WAYLAND:
            return origin["x"], origin["y"]
        geometry = dict(f.split("=", 1) for f in self.xdotool("getwindowgeometry", "--shell", self.x_window()).split())
        return int(geometry["X"]) + origin["x"], int(geometry["Y"]) + origin["y"]

    def click_in(self, window, x, y):
        self.xdotool("mousemove", "--window", window, int(x), int(y), "click", 1)

    def click(self, x, y):
        """A real click at main-page coordinates: XTest under X11, the compositor's own seat under Wayland."""
        ox, oy = self.screen_origin()
        if not WAYLAND:
            return self.xdotool("mousemove", int(ox + x), int(oy + y), "click", 1)
        with open(SEAT_FIFO, "w") as fifo:
            fifo.write(f"click {ox + x} {oy + y}\n")

    def click_element(self, element, view="main"):
        """A real click on the middle of an element (by id) of the main page or of a web pane."""
        x, y = self.js("const r = document.getElementById(%s).getBoundingClientRect();"
                       " return [r.x + r.width / 2, r.y + r.height / 2];" % json.dumps(element), view=view)
        if view != "main":
            bounds = self.pane("web", view[len("web:"):])["bounds"]
            x, y = x + bounds["x"], y + bounds["y"]
        self.click(x, y)

    def focus(self, title="QUORVEX"):
        """Gives the window the keyboard, as a window manager would on a click."""
        self.xdotool("windowfocus", "--sync", self.x_window(title))
        wait_for(lambda: self.window(title)["active"], what=f"the window {title} to be active")

    def key(self, keys, title="QUORVEX"):
        # Keys sent to an unfocused window are not the user's.
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
            with contextlib.suppress(AssertionError):
                self.call("quit", timeout=5)
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        os.close(self._answers)
        self.log.close()


def start_app(cleanup, ready=None, home=None, **options):
    """The application (`options` as App's) in the given home or a new one, both ended by `cleanup`
    (addCleanup or addClassCleanup), once the `ready` expression holds in its main page."""
    if home is None:
        home = Home()
        cleanup(home.remove)
    app = App(home, **options).start()
    cleanup(app.stop)
    if ready:
        app.wait_js(ready)
    return home, app


class DesktopBus:
    """A private session bus with the notification recorder (notification_recorder.py) on it. It has no service
    folders, so nothing else is ever started on it. `address` goes to the application's environment."""

    CONFIG = """<busconfig><type>session</type><listen>unix:path={}</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*"/><allow receive_sender="*"/><allow own="*"/></policy>
</busconfig>"""

    def __init__(self, folder, timeout=20.0):
        config = os.path.join(folder, "bus.conf")
        write(config, self.CONFIG.format(os.path.join(folder, "bus")))
        self._calls = []
        self.recorder = None
        # The bus ends with the test process however that ends, a kill included.
        prctl = ctypes.CDLL(None, use_errno=True).prctl
        self.bus = subprocess.Popen(["dbus-daemon", "--nofork", "--print-address=1", f"--config-file={config}"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    preexec_fn=lambda: prctl(1, signal.SIGTERM))  # PR_SET_PDEATHSIG
        try:
            ready = select.select([self.bus.stdout], [], [], timeout)[0]
            self.address = self.bus.stdout.readline().decode().strip() if ready else ""
            if not self.address:
                raise AssertionError("the test's session bus gave no address")
            # Debian's python3 has the GObject bindings, whichever python runs the tests. Unbuffered,
            # so that select sees every line not yet read.
            self.recorder = subprocess.Popen(
                ["/usr/bin/python3", os.path.join(ROOT, "tests", "e2e", "notification_recorder.py"), self.address],
                stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
            self.wait(lambda calls: {"ready": True} in calls, "the notification recorder", timeout)
        except BaseException:
            self.stop()
            raise

    def wait(self, check, what, timeout=20.0):
        """Waits for `check(calls)`, over the recorder's lines so far, to be truthy; returns it."""
        def calls():
            while select.select([self.recorder.stdout], [], [], 0)[0] and (line := self.recorder.stdout.readline()):
                self._calls.append(json.loads(line))
            return check(list(self._calls))

        return wait_for(calls, timeout, what)

    def notification(self, summary):
        """The first notification shown with this title."""
        return self.wait(lambda calls: next((c for c in calls if c.get("summary") == summary), None),
                         f"the notification {summary!r}")

    def click(self, notification_id):
        self.recorder.stdin.write(b"%d\n" % notification_id)
        self.wait(lambda calls: {"clicked": notification_id} in calls, "the click")

    def stop(self):
        for proc in filter(None, (self.recorder, self.bus)):
            proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()


class Server:
    """An HTTP server on 127.0.0.1 (or `host`). `routes` maps a path without query, or "*" for any other, to a function of
    the request returning (status, headers, body), or None to never answer. `requests` logs every request, with
    its `route` and `body`. `cleanup` (addCleanup or the like) closes it."""

    def __init__(self, routes=None, host="127.0.0.1", cleanup=None):
        self.routes = dict(routes or {})
        self.requests = []
        server = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def _handle(self):
                self.body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
                self.route = self.path.split("?", 1)[0]
                # One handler serves every request of a kept-alive connection: log a copy.
                server.requests.append(copy.copy(self))
                handler = server.routes.get(self.route, server.routes.get("*"))
                result = handler(self) if handler else (404, {}, b"no")
                if result is None:  # hold the connection without answering
                    time.sleep(60)
                    return
                status, headers, body = result
                self.send_response(status)
                for k, v in {**headers, "Content-Length": str(len(body))}.items():
                    self.send_header(k, v)
                self.end_headers()
                self.wfile.write(body)

            do_GET = do_POST = do_PUT = do_DELETE = do_PATCH = _handle

        ThreadingHTTPServer.daemon_threads = True
        self.httpd = ThreadingHTTPServer((host, 0), Handler)
        self.port = self.httpd.server_address[1]
        self.base = f"http://{host}:{self.port}"
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        if cleanup:
            cleanup(self.close)

    def hits(self, route):
        return [r for r in self.requests if r.route == route]

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()
