"""Web and video panes over the main page on the real engine: placed, stacked,
moved, remembered, playing while hidden, clicked, on screen."""

import subprocess
import unittest

from harness import Server, media_file, media_folder, start_app, wait_for

MAIN_BACKGROUND = (30, 45, 60)  # pages/panes/web/index.html
FOTO = (40, 160, 90)  # the web pane under the video pane in the screenshot
DIANA = (160, 680)  # the middle of the main page's click target
STREAM = "/hls/stream.m3u8?"  # and the slot, a stream address of each pane's own


class PanesOverThePage(unittest.TestCase):
    """One start of the application; each case begins with every pane hidden."""

    @classmethod
    def setUpClass(cls):
        # A key frame every 2 s, so that the stream really comes in segments; long enough that a slow
        # machine is not at its end before the last look.
        cls.folder = media_folder(cls.addClassCleanup, "320x240", 25, 30, 50)
        cls.server = Server({"*": cls.serve}, cleanup=cls.addClassCleanup)
        cls.home, cls.app = start_app(cls.addClassCleanup, "document.readyState === 'complete' && !!window.clicks",
                                      page="panes", videoBaseURL=cls.server.base + "/")

    @classmethod
    def serve(cls, request):
        if request.route.startswith("/hls/"):
            return media_file(cls.folder, request)
        name = request.route.rsplit("/", 1)[-1]
        colour = "rgb(%d, %d, %d)" % (FOTO if name == "foto" else (90, 90, 110))
        return 200, {"Content-Type": "text/html; charset=utf-8"}, (
            f"<!doctype html><title>{name}</title><body style='margin:0;height:100vh;background:{colour}'>"
            "<script>window.clicks = []; addEventListener('click', e => clicks.push([e.clientX, e.clientY]), true);"
            "</script>").encode()

    def setUp(self):
        self.app.post({"cmd": "videoOcultar"}, *({"cmd": "webOcultar", "slot": p["slot"]}
                                                 for p in self.app.state()["panes"] if p["kind"] == "web"))
        self.hidden()

    def web(self, slot, rect, route=None):
        return dict(zip("xywh", rect), cmd="web", slot=slot, url=self.server.base + (route or "/" + slot))

    def video(self, slot, rect, vol=0):
        return dict(zip("xywh", rect), cmd="video", slot=slot, id=slot, tipo="kick", vol=vol,
                    hls=self.server.base + STREAM + slot)

    def hidden(self, pane=None):  # (kind, slot), or every pane
        wait_for(lambda: not any(p["visible"] for p in self.app.state()["panes"]
                                 if pane in (None, (p["kind"], p["slot"]))), what=f"{pane or 'every pane'} hidden")

    def place(self, *messages):
        """Posts the placements; waits for each pane shown at its rectangle
        with its page loaded, and returns their states."""
        self.app.post(*messages)
        placed = []
        for m in messages:
            rect = {k: m[k] for k in "xywh"}
            placed.append(wait_for(lambda: self.app.pane(m["cmd"], m["slot"]),
                                   ok=lambda p: p and p["visible"] and p["bounds"] == rect, what=f"{m} placed"))
            self.app.wait_js("document.readyState === 'complete' && !!(window.clicks || document.getElementById('v'))",
                             view=f"{m['cmd']}:{m['slot']}")
        return placed

    def playing(self, slot):
        """Waits until the slot's video has moved on twice."""
        v, view = "document.getElementById('v')", f"video:{slot}"
        first = self.app.wait_js(f"{v} && !{v}.paused && {v}.currentTime > 0 && {v}.currentTime", view=view)
        self.app.wait_js(f"{v}.currentTime !== {first}", view=view)

    def test_web_panes_stack_move_without_reloading_and_remember_a_channel(self):
        uno, dos, _ = self.place(self.web("uno", (20, 80, 300, 200)), self.web("dos", (200, 150, 320, 220)),
                                 self.web("plano", (600, 40, 0, 0)))
        self.assertLess(uno["order"], dos["order"])
        self.assertTrue(uno["mapped"] and dos["mapped"])
        agent = self.server.hits("/uno")[0].headers["User-Agent"]
        self.assertTrue(agent.endswith(") Version/17.4 Safari/605.1.15"), agent)
        # Moved while shown, then while hidden, with another address: the same page (never reloaded, as the
        # unit tests pin), at its place in the stack.
        self.place(self.web("uno", (500, 300, 420, 260), "/otra"))
        self.app.post({"cmd": "webOcultar", "slot": "uno"})
        self.hidden(("web", "uno"))
        moved, = self.place(self.web("uno", (10, 400, 200, 120), "/otra"))
        self.assertEqual((moved["order"], moved["uri"]), (uno["order"], self.server.base + "/uno"))
        # The real view reports where its page went; a channel is kept for the slot.
        self.app.js("location.href = '/channels/111/222'; return true;", view="web:uno")
        channel = self.server.base + "/channels/111/222"
        wait_for(lambda: self.home.settings().get("web.uno") == channel, what="the channel stored")

    def test_hls_panes_play_at_their_volume_and_on_while_hidden(self):
        sonoro, mudo = self.video("sonoro", (40, 300, 240, 180), vol=30), self.video("mudo", (300, 300, 240, 180))
        self.place(sonoro, mudo)
        sound = "const v = document.getElementById('v'); return [v.muted, Math.round(v.volume * 100), location.origin];"
        for slot, want in (("sonoro", [False, 30]), ("mudo", [True, 0])):
            self.playing(slot)
            self.assertEqual(self.app.js(sound, view=f"video:{slot}"), want + [self.server.base])
        self.app.post({"cmd": "videoOcultar", "quedan": ["ninguno"]})
        self.hidden()
        self.playing("sonoro")
        # WebKit pauses a muted video nobody can see; shown again, the same page plays on.
        self.place(mudo)
        self.playing("mudo")
        self.app.post({"cmd": "videoVol", "slot": "mudo", "v": 50})
        self.app.wait_js("!document.getElementById('v').muted", view="video:mudo")
        self.assertEqual(self.app.js(sound, view="video:mudo")[:2], [False, 50])
        self.playing("mudo")  # unmuted, with no sound card on the machine

    def test_clicks_beside_the_panes_reach_the_page_and_those_on_a_shown_pane_do_not(self):
        self.place(self.web("clic", (400, 100, 300, 200)), self.video("clic", (800, 100, 240, 180)))
        on_web, on_video = (550, 200), (920, 190)
        cases = [  # name, first click or message, where the page is clicked last, what the web pane saw
            ("beside every pane", None, DIANA, []),
            # The pane's own coordinates are the page's, less the pane's corner.
            ("on the web pane", on_web, DIANA, [(150, 100)]),
            ("on the video pane", on_video, DIANA, []),
            ("where the web pane was, once hidden", {"cmd": "webOcultar", "slot": "clic"}, on_web, []),
        ]
        for name, before, last, pane_clicks in cases:
            with self.subTest(name):
                for view in ("main", "web:clic"):
                    self.app.js("clicks.length = 0; return true;", view=view)
                if isinstance(before, dict):
                    self.app.post(before)
                    self.hidden(("web", "clic"))
                elif before:
                    self.app.click(*before)
                # The page's click comes last: once the page has it, any earlier one has landed.
                self.app.click(*last)
                got = self.app.wait_js("clicks.length && clicks.map(c => [c.x, c.y])")
                for seen, want in ((got, [last]), (self.app.js("return clicks;", view="web:clic"), pane_clicks)):
                    # The page starts at a fractional place in the window: a click may land a pixel off.
                    self.assertEqual(len(seen), len(want), seen)
                    self.assertTrue(all(abs(a - b) <= 1 for p, q in zip(seen, want) for a, b in zip(p, q)), seen)

    def test_screenshot_shows_a_rounded_video_pane_over_a_web_pane_over_the_page(self):
        # New slots, in this order: the video pane goes above the web pane.
        x, y, w, h = rect = (700, 260, 320, 240)
        self.place(self.web("foto", (320, 80, 560, 360)), self.video("foto", rect))
        self.playing("foto")
        want = {
            "the video's rounded top left corner, over the web pane": ((x, y), FOTO),
            "the video's rounded bottom right corner, over the page": ((x + w - 1, y + h - 1), MAIN_BACKGROUND),
            # Just inside its straight edges the video covers what lies below.
            "the video's left edge, over the web pane": ((x + 12, y + h // 2), None),
            "the video's bottom edge, over the page": ((x + w // 2, y + h - 3), None),
        }
        ox, oy = self.app.screen_origin()

        def seen():  # the colour each point shows, None for neither: the video
            shot = self.app.screenshot("panes")
            return {name: next((c for c in (FOTO, MAIN_BACKGROUND) if all(abs(a - b) <= 6 for a, b in zip(rgb, c))),
                               None) for name, ((px, py), _) in want.items()
                    for rgb in [pixel(shot, int(ox + px), int(oy + py))]}

        expected = {name: layer for name, (_, layer) in want.items()}
        # The screen catches up with the panes' first paint in its own time.
        wait_for(seen, ok=lambda colours: colours == expected, timeout=10, what=f"the panes on the screen as {expected}")


def pixel(shot, x, y):
    out = subprocess.run(["convert", shot, "-crop", f"1x1+{x}+{y}", "-depth", "8", "-format",
                          "%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return tuple(int(v) for v in out.split())


if __name__ == "__main__":
    unittest.main()
