"""Site sessions: fetches run inside a site's own page, "cargando" while its
start page loads, "login" on 401/403, the one log-in window per site, and
the site's session cookies kept for 30 days across a restart."""

import base64
import os
import sqlite3
import threading
import time
import unittest

from harness import App, Home, Server, wait_for

START = "/pa/trading/accounts"
TITLE = "Exness · inicia sesión una vez"
DAY = 24 * 3600


def page(cookie):
    return lambda r: (200, {"Content-Type": "text/html; charset=utf-8", "Set-Cookie": cookie},
                      b"<!doctype html><title>cuenta</title><p>cuenta</p>")


class SiteSessions(unittest.TestCase):
    """One start shared by cases that build on each other, in the order of
    their numbers: the first fetch creates the site's view, the last one
    restarts the application in the same home."""

    @classmethod
    def setUpClass(cls):
        cls.gate = threading.Event()  # holds the exness start page until set
        slow_start = page("sesion=abc; Path=/")

        def start(request):
            cls.gate.wait(30)
            return slow_start(request)

        cls.home = Home()
        cls.addClassCleanup(cls.home.remove)
        cls.exness = Server({START: start,
                             "/api/datos": lambda r: (200, {"Content-Type": "text/plain"}, "datos ñ".encode())})
        cls.tradeify = Server({"/": page("otra=xyz; Path=/"), "/api/401": lambda r: (401, {}, b"no")},
                              host="127.0.0.2")
        for server in (cls.exness, cls.tradeify):
            cls.addClassCleanup(server.close)
        cls.options = {"sitios": {"exness": {"url": cls.exness.base + START, "host": "127.0.0.1"},
                                  "tradeify": {"url": cls.tradeify.base + "/", "host": "127.0.0.2"}}}
        cls.seq = 0
        cls.start()
        cls.addClassCleanup(lambda: cls.app.stop())
        cls.addClassCleanup(cls.gate.set)

    @classmethod
    def start(cls):
        cls.app = App(cls.home, page="trust", **cls.options).start()
        cls.app.wait_js("document.readyState === 'complete' && Array.isArray(window.respuestas)")

    def fetch(self, url):
        """Posts a fetch from the main page; returns its reply [data, error]."""
        type(self).seq += 1
        key = f"f{self.seq}"
        self.app.post({"cmd": "fetch", "url": url, "id": key})
        reply = self.app.wait_js("respuestas.find(r => r[0] === %r)" % key)
        return reply[1:]

    def wait_loaded(self, key, base):
        return wait_for(lambda: self.app.state()["sites"].get(key),
                        ok=lambda s: s and not s["loading"] and s["uri"].startswith(base), what=f"the {key} start page")

    def site_windows(self):
        return [w for w in self.app.state()["windows"] if w["title"] != "QUORVEX"]

    def cookies_in(self, requests):
        return [r.headers.get("Cookie") for r in requests]

    def test_1_first_fetch_answers_cargando_then_runs_with_the_site_cookies(self):
        self.assertEqual(self.fetch("qv-web://exness/api/datos"), ["", "cargando"])
        self.assertTrue(self.app.state()["sites"]["exness"]["loading"])
        self.assertEqual(self.exness.hits("/api/datos"), [])

        self.gate.set()
        self.wait_loaded("exness", self.exness.base + START)
        data, error = self.fetch("qv-web://exness/api/datos")
        self.assertEqual(error, "")
        self.assertEqual(base64.b64decode(data).decode(), "datos ñ")
        self.assertEqual(self.cookies_in(self.exness.hits("/api/datos")), ["sesion=abc"])
        self.assertEqual(len(self.exness.hits(START)), 1)
        self.assertEqual(self.site_windows(), [])

    def test_2_refusals_answer_login_and_open_no_window(self):
        self.assertEqual(self.fetch("qv-web://tradeify/api/401"), ["", "cargando"])
        self.wait_loaded("tradeify", self.tradeify.base + "/")
        # Which statuses mean "login" is the unit tests' business; here, that it reaches the page.
        self.assertEqual(self.fetch("qv-web://tradeify/api/401"), ["", "login"])
        self.assertEqual(self.site_windows(), [])

    def test_3_login_shows_one_window_without_reloading_the_start_page(self):
        before = len(self.exness.hits(START))
        for n in range(2):
            if n:  # the second time the main window has the focus
                self.app.focus("QUORVEX")
            self.assertEqual(self.fetch("qv-web://exness/login"), ["", ""])
            windows = wait_for(lambda: self.site_windows(), what="the log-in window")
            self.assertEqual([w["title"] for w in windows], [TITLE])
            self.assertTrue(windows[0]["visible"])
            wait_for(lambda: self.app.window(TITLE)["active"], what="the log-in window in front")
        self.assertEqual(len(self.exness.hits(START)), before)
        self.assertFalse(self.app.state()["sites"]["exness"]["loading"])

    def test_4_session_cookie_is_stored_for_thirty_days_in_a_private_file(self):
        path = os.path.join(self.home.data, "quorvex", "cookies.sqlite")

        def stored():
            with sqlite3.connect(f"file:{path}?mode=ro", uri=True) as db:
                return db.execute("SELECT name, host, expiry FROM moz_cookies").fetchall()

        rows = wait_for(lambda: [r for r in stored() if r[0] == "sesion"], what="the stored session cookie")
        self.assertEqual([r[:2] for r in rows], [("sesion", "127.0.0.1")])
        self.assertAlmostEqual(rows[0][2], time.time() + 30 * DAY, delta=DAY)
        self.assertNotIn("otra", [r[0] for r in stored()])
        self.assertEqual(os.stat(path).st_mode & 0o777, 0o600)

    def test_5_after_a_restart_only_the_fixed_session_remains(self):
        exness_seen = len(self.exness.requests)
        self.app.stop()
        self.start()

        self.assertEqual(self.fetch("qv-web://exness/api/datos"), ["", "cargando"])
        self.assertEqual(self.fetch("qv-web://tradeify/api/401"), ["", "cargando"])
        self.wait_loaded("exness", self.exness.base + START)
        self.wait_loaded("tradeify", self.tradeify.base + "/")
        # Each start page is the first request of this run to its host.
        self.assertEqual(self.cookies_in(self.exness.requests[exness_seen:exness_seen + 1]), ["sesion=abc"])
        self.assertEqual(self.cookies_in(self.tradeify.hits("/")), [None, None])
        self.assertEqual(self.fetch("qv-web://exness/api/datos")[1], "")
        self.assertEqual(self.cookies_in(self.exness.hits("/api/datos"))[-1], "sesion=abc")


class SpanishWhateverTheLocale(unittest.TestCase):
    """Under LANG=C, cut off from the network: a site window's error page and
    the transport's errors come in Spanish."""

    def test_error_page_and_transport_error_are_spanish(self):
        home = Home()
        self.addCleanup(home.remove)
        sitios = {"exness": {"url": "https://sitio.invalid/", "host": "sitio.invalid"}}
        with App(home, page="trust", wrapper=["unshare", "--net", "--"], sitios=sitios,
                 env={"LANG": "C", "LC_ALL": None, "LANGUAGE": None}) as app:
            app.wait_js("document.readyState === 'complete' && Array.isArray(window.respuestas)")
            app.post({"cmd": "fetch", "url": "qv-web://exness/login", "id": "login"})
            app.post({"cmd": "fetch", "url": "http://127.0.0.1:1/", "id": "red"})
            error = app.wait_js("(respuestas.find(r => r[0] === 'red') || [])[2]")
            self.assertIn("No se pudo", error)
            page = app.wait_js("document.body && document.body.innerText", view="site:exness")
            self.assertIn("No se encontró el servidor", page)


if __name__ == "__main__":
    unittest.main()
