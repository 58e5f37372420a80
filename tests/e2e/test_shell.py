"""The shell: window, marker script, bridge order, default browser, crash and
menu reload, minimum and saved size through every ending, window commands
acting on their own window, the quit rule."""

import os
import signal
import unittest

from harness import App, Home, Server, start_app, wait_for

SITE_TITLE = "Exness · inicia sesión una vez"


class RunningShell(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.home, cls.app = start_app(cls.addClassCleanup, "document.readyState === 'complete' && window.markerInFrame")

    def test_page_with_its_marker_then_commands_in_posting_order_and_the_browser(self):
        # Set before the page's first script, and only in the top frame.
        self.assertEqual(self.app.js("return [window.markerAtFirstScript, window.markerInFrame];"),
                         [True, "undefined"])
        urls = [f"https://example.com/abrir/{i}" for i in range(3)]
        last = {"x": 5, "y": 6, "w": 30, "h": 40}
        self.app.post({"cmd": "web", "slot": "orden", "url": "about:blank", "x": 1, "y": 1, "w": 10, "h": 10},
                      {"cmd": "webOcultar", "slot": "orden"}, dict(last, cmd="web", slot="orden", url="about:blank"),
                      *({"cmd": "abrir", "url": u} for u in urls))
        wait_for(lambda: self.app.pane("web", "orden"), ok=lambda p: p and p["visible"] and p["bounds"] == last,
                 what="the pane shown at its last rectangle")
        # Each URL starts its own browser process: any order.
        wait_for(lambda: sorted(self.home.opened()) == urls, what="three URLs in the browser")

    def test_crashed_main_page_and_the_menu_reload_it(self):
        for way, act in (("kill", self.app.kill), ("menu", lambda: self.app.call("action", name="recargar"))):
            with self.subTest(way):
                self.app.js("window.antes = true; return true;")
                act()
                self.app.wait_js("document.readyState === 'complete' && window.antes === undefined"
                                 " && window.loads === 1")


class Restarts(unittest.TestCase):
    def setUp(self):
        self.home = Home()
        self.addCleanup(self.home.remove)

    def test_size_keeps_its_minimum_and_survives_each_way_the_process_can_end(self):
        # A signal arrives before the change has settled, so the exit itself
        # must save; a kill leaves no exit, so the size must be on disk within
        # a moment of the change.
        endings = [(signal.SIGTERM, 0), (signal.SIGINT, 0), (signal.SIGHUP, 0), (signal.SIGKILL, -signal.SIGKILL)]
        content = {"w": 1280, "h": 860}
        for i, (signum, status) in enumerate(endings):
            with self.subTest(ending=signum.name), App(self.home) as app:
                wait_for(lambda: app.state()["content"] == content, what=f"the content at {content}")
                if not i:
                    app.call("resize", width=100, height=100)
                    self.assertEqual(wait_for(lambda: app.state()["content"], ok=lambda c: c != content,
                                              what="the window to shrink"), {"w": 420, "h": 560})
                width, height = 900 + 40 * i, 640 + 20 * i
                app.xdotool("windowsize", app.x_window(), width, height)  # as a window manager does
                content = wait_for(lambda: app.state()["content"], ok=lambda c: c["w"] not in (420, content["w"]),
                                   what="the resized content")
                if signum == signal.SIGKILL:
                    wait_for(lambda: self.home.settings()["QuorvexMain"]["width"] == width, timeout=2,
                             what="the new size on disk")
                app.proc.send_signal(signum)
                self.assertEqual(app.proc.wait(timeout=20), status)
        self.assertEqual(os.stat(os.path.join(self.home.config, "quorvex", "settings.json")).st_mode & 0o777, 0o600)
        with App(self.home) as app:
            wait_for(lambda: app.state()["content"] == content, what=f"the content at {content}")

    def test_window_commands_act_on_their_own_window_and_the_last_one_closed_quits(self):
        site = Server({"/": lambda r: (200, {"Content-Type": "text/html"}, b"<!doctype html><p>sitio</p>")},
                      cleanup=self.addCleanup)
        _, app = start_app(self.addCleanup, home=self.home, sitios={"exness": {"url": site.base + "/", "host": "127.0.0.1"}})

        def shown(main, site):
            expected = {"QUORVEX": main, SITE_TITLE: site}
            wait_for(lambda: {w["title"]: w["visible"] for w in app.state()["windows"]} == expected, what=str(expected))

        def show_site():
            app.post({"cmd": "fetch", "id": "1", "url": "qv-web://exness/login"})
            shown(True, True)

        show_site()
        app.key("ctrl+w", title=SITE_TITLE)
        shown(True, False)
        # The site window's own menu, used while the main window keeps the keyboard.
        show_site()
        app.focus("QUORVEX")
        site_window = app.x_window(SITE_TITLE)
        app.click_in(site_window, **app.window(SITE_TITLE)["menuBar"]["Ventana"])
        app.click_in(site_window, **wait_for(lambda: app.window(SITE_TITLE)["menuBar"].get("Cerrar"), what="Cerrar"))
        shown(True, False)
        show_site()
        app.key("ctrl+w", title="QUORVEX")
        shown(False, True)
        self.assertIsNone(app.proc.poll())
        app.key("ctrl+w", title=SITE_TITLE)
        self.assertEqual(app.proc.wait(timeout=20), 0)

    def test_starts_without_resources_and_quits_when_its_window_closes(self):
        with App(self.home, page=None, resourcesFolder=None) as app:
            self.assertEqual((app.window()["visible"], app.state()["mainUri"]), (True, ""))
            app.call("close", title="QUORVEX")
            self.assertEqual(app.proc.wait(timeout=20), 0)
