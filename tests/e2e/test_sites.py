"""Site sessions on the real engine: fetches run inside the site's own page,
"cargando" while it loads, the session cookie kept 30 days
in a private file and sent after a restart; under LANG=C, errors in Spanish."""

import base64
import os
import sqlite3
import threading
import time
import unittest

from harness import App, Home, Server, wait_for

START = "/pa/trading/accounts"


class SiteSessions(unittest.TestCase):
    """The application in a home of its own, its site's start page held until `gate` is set."""

    def setUp(self):
        self.gate = threading.Event()
        page = {"Content-Type": "text/html; charset=utf-8", "Set-Cookie": "sesion=abc; Path=/"}
        self.home = Home()
        self.addCleanup(self.home.remove)
        self.exness = Server({START: lambda r: (self.gate.wait(30), (200, page, b"<title>cuenta</title>"))[1],
                              "/api/datos": lambda r: (200, {"Content-Type": "text/plain"}, "datos ñ".encode())},
                             cleanup=self.addCleanup)
        self.addCleanup(self.gate.set)
        self.start()
        self.addCleanup(lambda: self.app.stop())

    def start(self):
        self.app = App(self.home, page="trust", sitios={"exness": {"url": self.exness.base + START, "host": "127.0.0.1"}})
        self.app.start().wait_js("document.readyState === 'complete' && Array.isArray(window.respuestas)")
        self.seq = 0

    def fetch(self, path):
        """Posts a fetch from the main page; returns its reply [data, error]."""
        self.seq += 1
        self.app.post({"cmd": "fetch", "url": "qv-web://exness" + path, "id": f"f{self.seq}"})
        return self.app.wait_js("respuestas.find(r => r[0] === 'f%d')" % self.seq)[1:]

    def loaded(self):
        self.gate.set()
        wait_for(lambda: self.app.state()["sites"]["exness"], what="the start page",
                 ok=lambda s: not s["loading"] and s["uri"].startswith(self.exness.base + START))

    def cookies(self, route):
        return [r.headers.get("Cookie") for r in self.exness.hits(route)]

    def test_fetches_answer_cargando_then_run_with_the_site_cookie_kept_thirty_days_across_a_restart(self):
        self.assertEqual(self.fetch("/api/datos"), ["", "cargando"])
        self.assertEqual((self.app.state()["sites"]["exness"]["loading"], self.exness.hits("/api/datos")), (True, []))
        self.loaded()
        data, error = self.fetch("/api/datos")
        self.assertEqual((base64.b64decode(data).decode(), error), ("datos ñ", ""))
        self.assertEqual((self.cookies("/api/datos"), len(self.exness.hits(START))), (["sesion=abc"], 1))
        self.assertEqual([w["title"] for w in self.app.state()["windows"]], ["QUORVEX"])
        path = os.path.join(self.home.data, "quorvex", "cookies.sqlite")

        def stored():
            with sqlite3.connect(f"file:{path}?mode=ro", uri=True) as db:
                return db.execute("SELECT name, host, expiry FROM moz_cookies WHERE name = 'sesion'").fetchall()

        (name, host, expiry), = wait_for(stored, what="the stored session cookie")
        self.assertEqual((name, host, os.stat(path).st_mode & 0o777), ("sesion", "127.0.0.1", 0o600))
        self.assertAlmostEqual(expiry, time.time() + 30 * 86400, delta=86400)
        self.app.stop()
        self.start()
        self.assertEqual(self.fetch("/api/datos"), ["", "cargando"])
        self.loaded()
        # The start page, the first request of this run, comes with the session.
        self.assertEqual(self.cookies(START)[-1], "sesion=abc")
        self.assertEqual(self.fetch("/api/datos")[1], "")


class SpanishWhateverTheLocale(unittest.TestCase):
    def test_under_lang_c_off_the_network_a_site_window_and_the_transport_err_in_spanish(self):
        home = Home()
        self.addCleanup(home.remove)
        with App(home, page="trust", wrapper=["unshare", "--net", "--"],
                 env={"LANG": "C", "LC_ALL": None, "LANGUAGE": None},
                 sitios={"exness": {"url": "https://sitio.invalid/", "host": "sitio.invalid"}}) as app:
            app.wait_js("document.readyState === 'complete' && Array.isArray(window.respuestas)")
            app.post({"cmd": "fetch", "url": "qv-web://exness/login", "id": "login"},
                     {"cmd": "fetch", "url": "http://127.0.0.1:1/", "id": "red"})
            self.assertIn("No se pudo", app.wait_js("(respuestas.find(r => r[0] === 'red') || [])[2]"))
            self.assertIn("No se encontró el servidor", app.wait_js("document.body && document.body.innerText",
                                                                    view="site:exness"))


if __name__ == "__main__":
    unittest.main()
