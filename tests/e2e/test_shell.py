"""The application shell: main window, marker script, bridge order, default
browser, crash reload, menu reload, minimum and saved size, ending on a
signal or a kill, shortcuts acting on their own window, quit rule."""

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
        cls.addClassCleanup(cls.home.remove)
        cls.app = App(cls.home).start()
        cls.addClassCleanup(cls.app.stop)
        cls.app.wait_js("document.readyState === 'complete' && window.markerInFrame")

    def test_window_shows_its_page_with_the_marker_set_first_and_only_in_the_top_frame(self):
        self.assertTrue(self.app.window()["visible"])
        self.assertTrue(self.app.state()["mainUri"].endswith("/shell/web/index.html"))
        self.assertEqual(self.app.js("return [window.markerAtFirstScript, window.markerInFrame];"),
                         [True, "undefined"])

    def test_abrir_reaches_the_default_browser_registered_through_xdg(self):
        urls = [f"https://example.com/abrir/{i}" for i in range(3)]
        self.app.post(*({"cmd": "abrir", "url": u} for u in urls))
        # Each URL starts its own browser process, so they may be recorded in any order.
        opened = wait_for(lambda: [u for u in self.home.opened() if "/abrir/" in u], ok=lambda o: len(o) == 3,
                          what="three URLs in the browser")
        self.assertEqual(sorted(opened), urls)

    def test_messages_are_handled_in_posting_order(self):
        self.app.post({"cmd": "web", "slot": "orden", "url": "about:blank", "x": 1, "y": 1, "w": 10, "h": 10},
                      {"cmd": "webOcultar", "slot": "orden"},
                      {"cmd": "web", "slot": "orden", "url": "about:blank", "x": 5, "y": 6, "w": 30, "h": 40})
        pane = wait_for(lambda: self.app.pane("web", "orden"), ok=lambda p: p and (p["bounds"] or {}).get("w") == 30,
                        what="the pane at its last rectangle")
        self.assertTrue(pane["visible"])
        self.assertEqual(pane["bounds"], {"x": 5, "y": 6, "w": 30, "h": 40})

    def test_a_crashed_main_page_and_the_menu_reload_it(self):
        for op, args in (("terminate", {"view": "main"}), ("action", {"name": "recargar"})):
            with self.subTest(op):
                self.app.js("window.antes = true; return true;")
                self.app.call(op, **args)
                self.app.wait_js("document.readyState === 'complete' && window.antes === undefined"
                                 " && window.loads === 1")


class Restarts(unittest.TestCase):
    def setUp(self):
        self.home = Home()
        self.addCleanup(self.home.remove)

    def test_size_keeps_its_minimum_and_survives_each_way_the_process_can_end(self):
        """Each run is resized from outside and ends its own way; the next
        start must come back at that size. A signal arrives before the change
        has settled, so the exit itself must save; a kill leaves no exit, so
        the size must already be on disk within a moment of the change."""
        endings = [("SIGTERM", signal.SIGTERM, 0), ("SIGINT", signal.SIGINT, 0),
                   ("SIGHUP", signal.SIGHUP, 0), ("kill -9", signal.SIGKILL, -signal.SIGKILL)]
        content = {"w": 1280, "h": 860}
        for i, (name, signum, status) in enumerate(endings):
            with self.subTest(ending=name), App(self.home) as app:
                wait_for(lambda: app.state()["content"] == content, what=f"the content at {content}")
                if not i:  # the content never gets smaller than the page's minimum
                    app.call("resize", width=100, height=100)
                    self.assertEqual(wait_for(lambda: app.state()["content"], ok=lambda c: c != content,
                                              what="the window to shrink"), {"w": 420, "h": 560})
                width, height = 900 + 40 * i, 640 + 20 * i
                app.xdotool("windowsize", app.x_window(), width, height)  # as a window manager does
                content = wait_for(lambda: app.state()["content"], ok=lambda c: c["w"] not in (420, content["w"]),
                                   what="the resized content")
                if signum == signal.SIGKILL:
                    wait_for(lambda: self.home.settings()["QuorvexMain"]["width"] == width,
                             timeout=2, what="the new size on disk")
                app.proc.send_signal(signum)
                self.assertEqual(app.proc.wait(timeout=20), status)
        self.assertEqual(os.stat(os.path.join(self.home.config, "quorvex", "settings.json")).st_mode & 0o777, 0o600)
        with App(self.home) as app:
            wait_for(lambda: app.state()["content"] == content, what=f"the content at {content}")

    def test_window_commands_act_on_their_own_window_and_the_last_one_closed_quits(self):
        site = Server({"/": lambda r: (200, {"Content-Type": "text/html"}, b"<!doctype html><p>sitio</p>")})
        self.addCleanup(site.close)
        app = App(self.home, sitios={"exness": {"url": site.base + "/", "host": "127.0.0.1"}}).start()
        self.addCleanup(app.stop)

        def visible():
            return {w["title"]: w["visible"] for w in app.state()["windows"]}

        def show_site():
            app.post({"cmd": "fetch", "id": "1", "url": "qv-web://exness/login"})
            return wait_for(visible, ok=lambda v: v.get(SITE_TITLE), what="the site window")

        def closes(remaining):
            wait_for(lambda: visible() == remaining, what=f"the windows shown to become {remaining}")

        self.assertEqual(show_site(), {"QUORVEX": True, SITE_TITLE: True})
        app.key("ctrl+w", title=SITE_TITLE)
        closes({"QUORVEX": True, SITE_TITLE: False})
        # The main window keeps the keyboard while the site window's own menu is used.
        show_site()
        app.focus("QUORVEX")
        site_window = app.x_window(SITE_TITLE)  # real clicks on its menu bar, then on the item
        app.click_in(site_window, **app.window(SITE_TITLE)["menuBar"]["Ventana"])
        app.click_in(site_window, **wait_for(lambda: app.window(SITE_TITLE)["menuBar"].get("Cerrar"), what="Cerrar"))
        closes({"QUORVEX": True, SITE_TITLE: False})
        show_site()
        app.key("ctrl+w", title="QUORVEX")
        closes({"QUORVEX": False, SITE_TITLE: True})
        self.assertIsNone(app.proc.poll())
        app.key("ctrl+w", title=SITE_TITLE)
        self.assertEqual(app.proc.wait(timeout=20), 0)

    def test_starts_without_resources_and_quits_when_its_window_closes(self):
        with App(self.home, page=None, resourcesFolder=None) as app:
            self.assertTrue(app.window()["visible"])
            self.assertEqual(app.state()["mainUri"], "")
            app.call("close", title="QUORVEX")
            self.assertEqual(app.proc.wait(timeout=20), 0)


if __name__ == "__main__":
    unittest.main()
