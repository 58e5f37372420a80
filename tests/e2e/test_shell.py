"""The application shell: main window, marker script, bridge order, default
browser, crash reload, menu reload, minimum and saved size, ending on a
signal or a kill, shortcuts acting on their own window, quit rule."""

import json
import os
import signal
import unittest

from harness import App, Home, Server, wait_for

SITE_TITLE = "Exness · inicia sesión una vez"


class RunningShell(unittest.TestCase):
    """Cases that share one start of the application."""

    @classmethod
    def setUpClass(cls):
        cls.home = Home()
        cls.app = App(cls.home).start()
        cls.app.wait_js("document.readyState === 'complete' && window.markerInFrame")

    @classmethod
    def tearDownClass(cls):
        cls.app.stop()
        cls.home.remove()

    def test_window_is_the_dark_quorvex_window_with_its_page(self):
        state = self.app.state()
        self.assertTrue(self.app.window()["visible"])
        self.assertTrue(state["mainUri"].endswith("/shell/web/index.html"), state["mainUri"])

    def test_marker_is_set_before_the_page_scripts_and_only_in_the_top_frame(self):
        self.assertIs(self.app.js("return window.markerAtFirstScript;"), True)
        self.assertEqual(self.app.js("return window.markerInFrame;"), "undefined")

    def test_abrir_reaches_the_default_browser_registered_through_xdg(self):
        urls = [f"https://example.com/abrir/{i}" for i in range(3)]
        self.app.js("for (const u of %s) window.webkit.messageHandlers.qv.postMessage({cmd: 'abrir', url: u});"
                    " window.webkit.messageHandlers.qv.postMessage({cmd: 'abrir', url: 'no es url'});"
                    " window.webkit.messageHandlers.qv.postMessage({cmd: 'abrir'});"
                    " return true;" % urls)
        # Each URL starts its own browser process, so they may be recorded in any order.
        opened = wait_for(lambda: (lambda o: o if len(o) == 3 else None)(
            [u for u in self.home.opened() if "/abrir/" in u]), what="three URLs in the browser")
        self.assertEqual(sorted(opened), urls)
        self.assertNotIn("no es url", self.home.opened())
        self.assertEqual(self.app.state()["panes"], [])

    def test_messages_are_handled_in_posting_order(self):
        steps = [{"cmd": "web", "slot": "orden", "url": "about:blank", "x": 1, "y": 1, "w": 10, "h": 10},
                 {"cmd": "webOcultar", "slot": "orden"},
                 {"cmd": "web", "slot": "orden", "url": "about:blank", "x": 5, "y": 6, "w": 30, "h": 40}]
        self.app.js("for (const m of %s) window.webkit.messageHandlers.qv.postMessage(m); return true;"
                    % json.dumps(steps))
        pane = wait_for(lambda: (lambda p: p if p and p["bounds"] and p["bounds"]["w"] == 30 else None)(
            self.app.pane("web", "orden")), what="the pane at its last rectangle")
        self.assertTrue(pane["visible"])
        self.assertEqual(pane["bounds"], {"x": 5, "y": 6, "w": 30, "h": 40})

    def test_crashed_main_page_reloads_itself(self):
        self.app.js("window.antesDelFallo = true; return true;")
        self.app.call("terminate", view="main")
        self.app.wait_js("document.readyState === 'complete' && window.antesDelFallo === undefined"
                         " && window.loads === 1")

    def test_menu_reload_reloads_the_main_page(self):
        self.app.js("window.antesDeRecargar = true; return true;")
        self.app.call("action", name="recargar")
        self.app.wait_js("document.readyState === 'complete' && window.antesDeRecargar === undefined")


class Restarts(unittest.TestCase):
    def setUp(self):
        self.home = Home()

    def tearDown(self):
        self.home.remove()

    def test_window_keeps_its_minimum_and_its_saved_size_on_the_next_start(self):
        with App(self.home) as app:
            wait_for(lambda: app.state()["content"] == {"w": 1280, "h": 860}, what="the first layout")
            app.call("resize", width=100, height=100)
            smallest = wait_for(lambda: (lambda c: c if c["w"] < 1280 else None)(app.state()["content"]),
                                what="the window to shrink")
            self.assertEqual((smallest["w"], smallest["h"]), (420, 560))
            app.call("resize", width=1000, height=700)
            size = wait_for(lambda: (lambda c: c if 900 < c["w"] < 1100 else None)(app.state()["content"]),
                            what="resize")
        self.assertIn("QuorvexMain", self.home.settings())
        self.assertEqual(os.stat(os.path.join(self.home.config, "quorvex", "settings.json")).st_mode & 0o777, 0o600)
        with App(self.home) as app:
            wait_for(lambda: app.state()["content"]["w"] > 0, what="layout")
            self.assertEqual(app.state()["content"], size)

    def test_size_survives_each_way_the_process_can_end(self):
        """Each run is resized from outside and ends its own way; the next
        start must come back at that size. A signal arrives before the change
        has settled, so the exit itself must save; a kill leaves no exit, so
        the size must already be on disk within a moment of the change."""
        endings = [("SIGTERM", signal.SIGTERM, 0), ("SIGINT", signal.SIGINT, 0),
                   ("SIGHUP", signal.SIGHUP, 0), ("kill -9", signal.SIGKILL, -signal.SIGKILL)]
        content = {"w": 1280, "h": 860}
        for i, (name, signum, status) in enumerate(endings):
            with self.subTest(ending=name):
                app = App(self.home).start()
                try:
                    wait_for(lambda: app.state()["content"] == content, what=f"the content at {content}")
                    width, height = 900 + 40 * i, 640 + 20 * i
                    app.resize(width, height)
                    content = wait_for(lambda: (lambda c: c if c != content else None)(app.state()["content"]),
                                       what="the resized content")
                    if signum == signal.SIGKILL:
                        wait_for(lambda: self.home.settings()["QuorvexMain"]["width"] == width,
                                 timeout=2, what="the new size on disk")
                    self.assertEqual(app.end_with(signum), status)
                finally:
                    app.stop()
        with App(self.home) as app:
            wait_for(lambda: app.state()["content"] == content, what=f"the content at {content}")

    def test_window_commands_act_on_their_own_window_and_the_last_one_closed_quits(self):
        site = Server({"/": lambda r: (200, {"Content-Type": "text/html"}, b"<!doctype html><p>sitio</p>")})
        app = App(self.home, sitios={"exness": {"url": site.base + "/", "host": "127.0.0.1"}}).start()
        try:
            def visible():
                return {w["title"]: w["visible"] for w in app.state()["windows"]}

            def show_site():
                app.post({"cmd": "fetch", "id": "1", "url": "qv-web://exness/login"})
                return wait_for(lambda: (lambda v: v if v.get(SITE_TITLE) else None)(visible()),
                                what="the site window")

            def closes(remaining):
                wait_for(lambda: visible() == remaining, what=f"the windows shown to become {remaining}")

            self.assertEqual(show_site(), {"QUORVEX": True, SITE_TITLE: True})
            app.key("ctrl+w", title=SITE_TITLE)
            closes({"QUORVEX": True, SITE_TITLE: False})

            # The main window keeps the keyboard while the site window's own menu is used.
            show_site()
            app.focus("QUORVEX")
            app.choose("Ventana", "Cerrar", title=SITE_TITLE)
            closes({"QUORVEX": True, SITE_TITLE: False})

            show_site()
            app.key("ctrl+w", title="QUORVEX")
            closes({"QUORVEX": False, SITE_TITLE: True})
            self.assertIsNone(app.proc.poll())
            app.key("ctrl+w", title=SITE_TITLE)
            self.assertEqual(app.proc.wait(timeout=20), 0)
        finally:
            app.stop()
            site.close()

    def test_starts_without_resources_and_quits_when_its_window_closes(self):
        app = App(self.home, page=None, resourcesFolder=None).start()
        try:
            self.assertTrue(app.window()["visible"])
            self.assertEqual(app.state()["mainUri"], "")
            app.call("close", title="QUORVEX")
            self.assertEqual(app.proc.wait(timeout=20), 0)
        finally:
            app.stop()


if __name__ == "__main__":
    unittest.main()
