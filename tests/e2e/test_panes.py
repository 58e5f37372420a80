"""Web panes and video panes over the main page: rectangles and stacking,
moves without reloads, the remembered chat channel, HLS playback and volume,
hiding and unloading, clicks beside and on panes, ended content processes,
and what the window looks like."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest

from harness import App, Home, Server, wait_for

STREAM_TYPES = {".m3u8": "application/vnd.apple.mpegurl", ".ts": "video/mp2t"}
MAIN_BACKGROUND = (30, 45, 60)  # pages/panes/web/index.html
PANE_COLOURS = {"/pane/foto": (40, 160, 90)}
DIANA = (160, 680)  # the middle of the main page's click target


def pane_page(route):
    colour = "rgb(%d, %d, %d)" % PANE_COLOURS.get(route, (90, 90, 110))
    return ("<!doctype html><html><head><meta charset='utf-8'><title>%s</title><style>"
            "html,body{margin:0;height:100%%}body{box-sizing:border-box;padding:20px;background:%s;"
            "color:#fff;font:24px sans-serif}"
            "</style><script>window.clicks=[];"
            "document.addEventListener('click',e=>clicks.push([e.clientX,e.clientY]),true);</script>"
            "</head><body>panel %s</body></html>"
            % (route, colour, route)).encode()


class Site:
    """Pane pages and a short HLS stream, served from 127.0.0.1."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="qv-hls-")
        # A key frame every 2 s, so that the stream really comes in three segments.
        subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25",
                        "-f", "lavfi", "-i", "sine=frequency=440", "-t", "6", "-g", "50", "-c:v", "libx264",
                        "-pix_fmt", "yuv420p", "-c:a", "aac", "-f", "hls", "-hls_time", "2",
                        "-hls_list_size", "0", os.path.join(self.folder, "stream.m3u8")], check=True)
        self.server = Server({"*": self._serve})

    def _serve(self, request):
        if request.route.startswith("/hls/"):
            path = os.path.join(self.folder, os.path.basename(request.route))
            kind = STREAM_TYPES.get(os.path.splitext(path)[1])
            if not kind or not os.path.isfile(path):
                return 404, {}, b"no"
            with open(path, "rb") as f:
                return 200, {"Content-Type": kind}, f.read()
        if request.route == "/favicon.ico":
            return 404, {}, b"no"
        return 200, {"Content-Type": "text/html; charset=utf-8"}, pane_page(request.route)

    def url(self, route):
        return self.server.base + route

    def stream(self, tag):
        """The stream's playlist, under an address of its own for each tag."""
        return self.url("/hls/stream.m3u8?" + tag)

    def hits(self, path):
        """Requests for exactly this path (query included)."""
        return sum(1 for r in self.server.requests if r.path == path)

    def close(self):
        self.server.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def web(slot, url, rect):
    x, y, w, h = rect
    return {"cmd": "web", "slot": slot, "url": url, "x": x, "y": y, "w": w, "h": h}


def video(slot, hls, rect, vol=0, ident=None):
    x, y, w, h = rect
    return {"cmd": "video", "slot": slot, "id": ident or slot, "tipo": "kick", "hls": hls, "vol": vol,
            "x": x, "y": y, "w": w, "h": h}


class PanesOverThePage(unittest.TestCase):
    """Cases that share one start of the application; each begins with every
    pane hidden and every video pane unloaded."""

    @classmethod
    def setUpClass(cls):
        cls.site = Site()
        cls.addClassCleanup(cls.site.close)
        cls.home = Home()
        cls.addClassCleanup(cls.home.remove)
        cls.app = App(cls.home, page="panes", videoBaseURL=cls.site.url("/")).start()
        cls.addClassCleanup(cls.app.stop)
        cls.app.wait_js("document.readyState === 'complete' && !!window.clicks")

    def setUp(self):
        self.post({"cmd": "videoOcultar"}, *({"cmd": "webOcultar", "slot": p["slot"]}
                                             for p in self.app.state()["panes"] if p["kind"] == "web"))
        wait_for(lambda: not any(p["visible"] for p in self.app.state()["panes"]), what="every pane hidden")

    def post(self, *messages):
        self.app.post(*messages)

    def placed(self, kind, slot, rect):
        """Waits for the pane to be shown at the rectangle; returns its state."""
        return wait_for(lambda: self.app.pane(kind, slot), ok=lambda p: p and p["visible"] and p["bounds"] == dict(
            zip("xywh", rect)), what=f"{kind} pane {slot} at {rect}")

    def loaded(self, view):
        self.app.wait_js("document.readyState === 'complete' && !!(window.clicks || document.getElementById('v'))",
                         view=view)

    def playing(self, slot):
        """Waits until the slot's video has moved on twice; returns its time."""
        v = "document.getElementById('v')"
        first = self.app.wait_js(f"{v} && !{v}.paused && {v}.currentTime > 0 && {v}.currentTime",
                                 view=f"video:{slot}")
        return self.app.wait_js(f"{v}.currentTime !== {first} && {v}.currentTime", view=f"video:{slot}")

    def test_two_web_slots_lie_at_their_rectangles_the_later_above(self):
        rects = {"uno": (20, 80, 300, 200), "dos": (200, 150, 320, 220), "plano": (600, 40, 0, 0)}
        self.post(*(web(slot, self.site.url("/pane/" + slot), r) for slot, r in rects.items()))
        panes = {slot: self.placed("web", slot, r) for slot, r in rects.items()}
        self.assertLess(panes["uno"]["order"], panes["dos"]["order"])
        self.assertTrue(panes["uno"]["mapped"] and panes["dos"]["mapped"])
        for slot in rects:
            self.loaded(f"web:{slot}")
            self.assertEqual(self.app.pane("web", slot)["uri"], self.site.url("/pane/" + slot))
        asked = [r for r in self.site.server.requests if r.path == "/pane/uno"][0]
        self.assertTrue(asked.headers["User-Agent"].endswith(") Version/17.4 Safari/605.1.15"),
                        asked.headers["User-Agent"])

    def test_second_web_moves_the_pane_without_reloading_it(self):
        first, second, third = (40, 60, 300, 200), (500, 300, 420, 260), (10, 400, 200, 120)
        self.post(web("mover", self.site.url("/pane/mover"), first))
        order = self.placed("web", "mover", first)["order"]
        self.loaded("web:mover")
        self.app.js("window.marca = 1; return true;", view="web:mover")
        self.post(web("mover", self.site.url("/pane/otra"), second))
        self.placed("web", "mover", second)
        self.post({"cmd": "webOcultar", "slot": "mover"})
        wait_for(lambda: not self.app.pane("web", "mover")["visible"], what="the pane hidden")
        self.post(web("mover", self.site.url("/pane/otra"), third))
        pane = self.placed("web", "mover", third)
        self.assertEqual(pane["order"], order)
        self.assertEqual(pane["uri"], self.site.url("/pane/mover"))
        self.assertEqual(self.app.js("return window.marca;", view="web:mover"), 1)
        self.assertEqual((self.site.hits("/pane/mover"), self.site.hits("/pane/otra")), (1, 0))

    def test_hls_panes_play_at_their_volume_and_on_while_hidden_only_when_audible(self):
        rects = {"sonoro": (40, 300, 240, 180), "mudo": (300, 300, 240, 180)}
        placements = [video(s, self.site.stream("sigue-" + s), r, vol=30 if s == "sonoro" else 0)
                      for s, r in rects.items()]
        self.post(*placements)
        sound = "const v = document.getElementById('v'); return [v.muted, Math.round(v.volume * 100), location.origin];"
        for slot, rect in rects.items():
            self.placed("video", slot, rect)
            self.playing(slot)
        self.assertEqual([self.app.js(sound, view=f"video:{s}") for s in rects],
                         [[False, 30, self.site.server.base], [True, 0, self.site.server.base]])
        self.post({"cmd": "videoOcultar", "quedan": ["ninguno"]})
        wait_for(lambda: not any(self.app.pane("video", s)["visible"] for s in rects), what="both hidden")
        self.playing("sonoro")
        # WebKit pauses a muted video nobody can see; it must start again when shown.
        self.post(placements[1])
        self.placed("video", "mudo", rects["mudo"])
        self.playing("mudo")
        self.assertEqual(self.site.hits("/hls/stream.m3u8?sigue-mudo"), 1)
        self.post({"cmd": "videoVol", "slot": "mudo", "v": 50})
        self.app.wait_js("!document.getElementById('v').muted", view="video:mudo")
        self.assertEqual(self.app.js(sound, view="video:mudo")[:2], [False, 50])
        # Unmuted, with no sound card on the machine, it still plays.
        self.playing("mudo")

    def test_videoOcultar_hides_and_unloads_what_it_does_not_keep(self):
        rects = {"a": (40, 500, 200, 150), "b": (260, 500, 200, 150), "c": (480, 500, 200, 150)}
        everyone = [video(s, self.site.stream("ocultar-" + s), r) for s, r in rects.items()]
        kept, fresh, empty = "kept", "fresh", "empty"
        steps = [
            ("placed", everyone, {"a": (True, fresh), "b": (True, fresh), "c": (True, fresh)}),
            ("others hidden", [{"cmd": "videoOcultar", "quedan": ["b", "b"]}],
             {"a": (False, kept), "b": (True, kept), "c": (False, kept)}),
            ("same content again", [everyone[0], everyone[2]],
             {"a": (True, kept), "b": (True, kept), "c": (True, kept)}),
            ("others unloaded", [{"cmd": "videoOcultar", "quedan": ["b"], "quitar": True}],
             {"a": (False, empty), "b": (True, kept), "c": (False, empty)}),
            ("unloaded come back", [everyone[0]], {"a": (True, fresh), "b": (True, kept), "c": (False, empty)}),
        ]
        page = ("const v = document.getElementById('v'); if (v) return window.marca ? 'kept' : 'fresh';"
                " return document.body && document.body.innerHTML ? 'other' : 'empty';")
        for name, messages, want in steps:
            with self.subTest(name):
                self.post(*messages)
                seen = lambda: {s: (p["visible"], self.app.js(page, view=f"video:{s}"))
                                for s in rects for p in [self.app.pane("video", s)]}
                try:
                    wait_for(lambda: seen() == want, what=name)
                except AssertionError:
                    self.assertEqual(seen(), want)
                for slot, (_, content) in want.items():
                    if content == empty:
                        self.assertEqual(self.app.pane("video", slot)["uri"], "about:blank")
                    else:
                        self.app.js("window.marca = 1; return true;", view=f"video:{slot}")
        # Each page load asked for its playlist once; a pane that was kept asked no more.
        self.assertEqual([self.site.hits("/hls/stream.m3u8?ocultar-" + s) for s in rects], [2, 1, 1])

    def test_clicks_beside_the_panes_reach_the_page_and_those_on_a_shown_pane_do_not(self):
        web_rect, video_rect = (400, 100, 300, 200), (800, 100, 240, 180)
        self.post(web("clic", self.site.url("/pane/clic"), web_rect),
                  video("clic", self.site.stream("clic"), video_rect))
        self.placed("web", "clic", web_rect)
        self.placed("video", "clic", video_rect)
        self.loaded("web:clic")
        on_web, on_video = (550, 200), (920, 190)
        cases = [
            ("beside every pane", None, DIANA, []),
            # The pane's own coordinates are the page's, less the pane's corner.
            ("on the web pane", on_web, None, [(150, 100)]),
            ("on the video pane", on_video, None, []),
            ("where the web pane was, once hidden", {"cmd": "webOcultar", "slot": "clic"}, on_web, []),
        ]
        for name, before, reaches_page, pane_clicks in cases:
            with self.subTest(name):
                self.app.js("clicks.length = 0; return true;")
                self.app.js("clicks.length = 0; return true;", view="web:clic")
                if isinstance(before, dict):
                    self.post(before)
                    wait_for(lambda: not self.app.pane("web", "clic")["visible"], what="the pane hidden")
                elif before:
                    self.app.click(*before)
                # The click on the target comes last: once the page has it, any earlier one has landed.
                self.app.click(*(reaches_page or DIANA))
                got = self.app.wait_js("clicks.length && clicks.map(c => [c.x, c.y])")
                self.assertClicks(got, [reaches_page or DIANA])
                self.assertClicks(self.app.js("return clicks;", view="web:clic"), pane_clicks)

    def assertClicks(self, got, want):
        # The page starts at a fractional place in the window: a click may land a pixel off.
        self.assertEqual(len(got), len(want), got)
        for point, wanted in zip(got, want):
            self.assertTrue(all(abs(a - b) <= 1 for a, b in zip(point, wanted)), f"{got} is not {want}")

    def test_an_ended_pane_process_is_left_alone_while_the_main_page_comes_back(self):
        rect = (300, 300, 400, 250)
        self.post(web("caida", self.site.url("/pane/caida"), rect))
        self.placed("web", "caida", rect)
        self.loaded("web:caida")
        self.app.js("window.antes = true; return true;")
        self.app.call("terminate", view="web:caida")
        self.app.call("terminate", view="main")
        self.app.wait_js("document.readyState === 'complete' && !!window.clicks && window.antes === undefined")
        self.placed("web", "caida", rect)
        self.assertEqual(self.site.hits("/pane/caida"), 1)

    def test_screenshot_shows_a_rounded_video_pane_over_a_web_pane_over_the_page(self):
        web_rect, video_rect = (320, 80, 560, 360), (700, 260, 320, 240)
        # New slots, in this order: the video pane goes above the web pane.
        self.post(web("foto", self.site.url("/pane/foto"), web_rect),
                  video("foto", self.site.stream("foto"), video_rect))
        self.placed("web", "foto", web_rect)
        self.placed("video", "foto", video_rect)
        self.loaded("web:foto")
        self.playing("foto")
        x, y, w, h = video_rect
        expected = {
            "the web pane over the page": ((400, 200), "web pane"),
            "the video's rounded top left corner, over the web pane": ((x, y), "web pane"),
            "the video's rounded bottom right corner, over the page": ((x + w - 1, y + h - 1), "page"),
            "the page beside the panes": ((1200, 700), "page"),
            # Just inside its straight edges the video covers what lies below.
            "the video's left edge, over the web pane": ((x + 12, y + h // 2), "video"),
            "the video's bottom edge, over the page": ((x + w // 2, y + h - 3), "video"),
        }
        offset = self.app.screen_origin()

        def seen():
            shot = self.app.screenshot("panes")
            return {name: layer(pixel(shot, offset, point)) for name, (point, _) in expected.items()}

        want = {name: what for name, (_, what) in expected.items()}
        # The screen catches up with the panes' first paint in its own time.
        try:
            wait_for(lambda: seen() == want, timeout=10, what="the panes on the screen")
        except AssertionError:
            self.assertEqual(seen(), want)


def layer(rgb):
    """Which layer a pixel of the screenshot shows, told by its colour."""
    for name, colour in [("page", MAIN_BACKGROUND), ("web pane", PANE_COLOURS["/pane/foto"])]:
        if all(abs(a - b) <= 6 for a, b in zip(rgb, colour)):
            return name
    return "video"


def pixel(shot, offset, point):
    sx, sy = (int(o + p) for o, p in zip(offset, point))
    out = subprocess.run(["convert", shot, "-crop", f"1x1+{sx}+{sy}", "-depth", "8", "-format",
                          "%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return tuple(int(v) for v in out.split())


class RememberedChannel(unittest.TestCase):
    def setUp(self):
        self.site = Site()
        self.addCleanup(self.site.close)
        self.home = Home()
        self.addCleanup(self.home.remove)

    def open_pane(self, app, slot, route):
        app.post(web(slot, self.site.url(route), (20, 20, 400, 300)))
        wait_for(lambda: app.pane("web", slot), what=f"the {slot} pane")

    def wait_uri(self, app, slot, route):
        wait_for(lambda: app.pane("web", slot)["uri"] == self.site.url(route), what=f"{slot} at {route}")
        app.wait_js("document.readyState === 'complete' && !!window.clicks", view=f"web:{slot}")

    def test_a_channel_shown_in_a_pane_opens_first_on_the_next_start(self):
        # Which addresses are kept, and per slot, is the unit tests' business;
        # here, that the real view reports its moves and the choice outlives a restart.
        channel = "/channels/111/222"
        with App(self.home, page="panes") as app:
            app.wait_js("document.readyState === 'complete'")
            self.open_pane(app, "chat", "/app")
            self.wait_uri(app, "chat", "/app")
            app.js("location.href = %s; return true;" % json.dumps(channel), view="web:chat")
            self.wait_uri(app, "chat", channel)
            wait_for(lambda: self.home.settings().get("web.chat") == self.site.url(channel), what="the stored channel")
        with App(self.home, page="panes") as app:
            app.wait_js("document.readyState === 'complete'")
            self.open_pane(app, "chat", "/app")
            self.wait_uri(app, "chat", channel)
        self.assertEqual(self.site.hits(channel), 2)


if __name__ == "__main__":
    unittest.main()
