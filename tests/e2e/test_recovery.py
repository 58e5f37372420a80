"""Views that look after themselves on the real engine: panes and site views
whose web process was killed come back by themselves, then wait on a card;
a hidden pane gives its process back and loads its page again when shown."""

import os
import unittest

from harness import Home, Server, media_file, media_folder, start_app, wait_for, write

STREAM = "/hls/stream.m3u8"
CARD = "document.title === 'El panel dejó de funcionar'"


def alive(pid):
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        return False


class LookAfterThemselves(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = media_folder(cls.addClassCleanup, "160x120", 10, 600, 20, "-preset", "ultrafast")
        cls.server = Server({"*": cls.serve}, cleanup=cls.addClassCleanup)
        # Three seconds hidden is long enough to hibernate here.
        home = Home()
        cls.addClassCleanup(home.remove)
        write(os.path.join(home.config, "quorvex", "settings.json"), '{"hibernar.minutos": "0.05"}')
        cls.home, cls.app = start_app(
            cls.addClassCleanup, "document.readyState === 'complete' && !!window.clicks", home=home, page="panes",
            videoBaseURL=cls.server.base + "/", sitios={"prueba": {"url": cls.server.base + "/sitio",
                                                                   "host": "127.0.0.1"}},
            env={"G_MESSAGES_DEBUG": "quorvex"})

    @classmethod
    def serve(cls, request):
        name = os.path.basename(request.route)
        if request.route.startswith("/hls/") or name == "tono.wav":
            return media_file(cls.folder, request)
        sound = "<audio id='a' src='/tono.wav' autoplay loop></audio>" if name == "sonoro" else ""
        return 200, {"Content-Type": "text/html; charset=utf-8"}, (
            f"<!doctype html><title>{name}</title><body>{sound}<script>window.listo = true;</script>").encode()

    def test_killed_views_come_back_three_times_then_wait_on_a_card(self):
        base = self.server.base
        self.app.post({"cmd": "web", "slot": "w", "url": base + "/panel", "x": 20, "y": 20, "w": 300, "h": 200},
                      {"cmd": "video", "slot": "v", "id": "v", "tipo": "kick", "vol": 0, "hls": base + STREAM,
                       "x": 340, "y": 20, "w": 240, "h": 180},
                      {"cmd": "fetch", "url": "qv-web://prueba/x", "id": "f1"})
        playing = "(v => v && !v.paused && v.currentTime > 0)(document.getElementById('v'))"
        self.app.wait_js("window.listo", view="web:w")
        self.app.wait_js(playing, view="video:v")
        self.app.wait_js("window.listo", view="site:prueba")
        self.app.post({"cmd": "videoVol", "slot": "v", "v": 40})
        self.app.js("window.antes = true; return true;")
        views = {"web:w": "window.listo", "site:prueba": "window.listo",
                 "video:v": playing + " && Math.round(document.getElementById('v').volume * 100) === 40"}
        for delay in (10, 30, 60):
            with self.subTest(delay=delay):
                killed = {view: self.app.kill(view) for view in views}
                for view, ready in views.items():
                    self.app.wait_js(ready, view=view, timeout=delay + 30)
                    self.assertNotEqual(self.app.pid(view), killed[view])
        for view in views:
            self.app.kill(view)
        for view in views:
            self.app.wait_js(CARD, view=view, timeout=30)
            self.app.js("document.getElementById('reintentar').click(); return true;", view=view)
        for view, ready in views.items():
            self.app.wait_js(ready, view=view)
        self.assertEqual(self.server.hits("/panel")[-1].path, "/panel")
        self.assertTrue(self.app.js("return window.antes === true;"), "the main page was reloaded")

    def test_a_hidden_pane_gives_its_process_back_unless_it_plays_sound(self):
        base = self.server.base
        self.app.open_pane("h", base + "/dormido", "window.listo", x=20, y=300, w=200, h=150)
        self.app.open_pane("s", base + "/sonoro", "window.listo && !document.getElementById('a').paused",
                           x=240, y=300, w=200, h=150)
        dormido, sonoro = self.app.pid("web:h"), self.app.pid("web:s")
        self.app.post({"cmd": "webOcultar", "slot": "h"}, {"cmd": "webOcultar", "slot": "s"})
        wait_for(lambda: not alive(dormido), what="the hidden pane's process gone")
        wait_for(lambda: 'panel "s" oculto sin hibernar: suena' in self.app.output(), what="the playing pane kept")
        self.assertTrue(alive(sonoro))
        self.app.post({"cmd": "web", "slot": "h", "url": base + "/otra", "x": 20, "y": 300, "w": 200, "h": 150})
        self.app.wait_js("window.listo", view="web:h")
        self.assertEqual([r.path for r in self.server.requests if r.path in ("/dormido", "/otra")],
                         ["/dormido", "/dormido"])


if __name__ == "__main__":
    unittest.main()
