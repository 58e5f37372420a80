"""The fetch proxy through the real web view: the network route against
servers on 127.0.0.1, the MetaTrader 5 status route, and the reply that
carries bytes, errors and awkward ids back into the page intact."""

import base64
import gzip
import json
import os
import shutil
import threading
import time
import unittest
from urllib.parse import parse_qs, urlsplit

from harness import App, Home, Server, wait_for

SAFARI = ("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 "
          "(KHTML, like Gecko) Version/17.0 Safari/605.1.15")


def pattern(n):
    return bytes(i % 256 for i in range(n))


def b64(data):
    return base64.b64encode(data).decode()


def echo(request):
    """What the server was sent, as JSON: method, every header field, body."""
    seen = {"method": request.command, "headers": [[k, v] for k, v in request.headers.items()],
            "body": request.body.hex()}
    return 200, {"Content-Type": "application/json"}, json.dumps(seen).encode()


def delayed_bytes(request):
    query = parse_qs(urlsplit(request.path).query)
    time.sleep(int(query.get("ms", ["0"])[0]) / 1000)
    return 200, {}, pattern(int(query["n"][0]))


def status(code):
    return lambda r: (code, {}, b"")


ROUTES = {
    "/bytes": delayed_bytes,
    "/echo": echo,
    "/empty": status(200),
    "/204": status(204),  # never a body: a stray one would spoil the kept-alive connection
    "/moved": lambda r: (302, {"Location": "/bytes?n=3"}, b""),
    "/gzip": lambda r: (200, {"Content-Encoding": "gzip"}, gzip.compress(b"comprimido")),
}


class FetchProxy(unittest.TestCase):
    """Cases that share one start of the application."""

    @classmethod
    def setUpClass(cls):
        cls.home = Home()
        cls.server = Server(ROUTES)
        cls.short = Server(ROUTES, host="127.0.0.2")  # the short user agent's host
        cls.app = App(cls.home, page="fetch", shortUserAgentHostFragment="127.0.0.2").start()
        cls.app.wait_js("document.readyState === 'complete' && typeof window.fetchAll === 'function'")
        cls.seq = 0

    @classmethod
    def tearDownClass(cls):
        cls.app.stop()
        for server in (cls.server, cls.short):
            server.close()
        cls.home.remove()

    def fetch(self, url, **fields):
        """Posts one fetch from the page; its one reply as (data, error)."""
        type(self).seq += 1
        message = dict(fields, url=url, id=fields.get("id", f"f{self.seq}"))
        replies = self.app.js("return await fetchAll([%s]);" % json.dumps(message))
        self.assertEqual(len(replies), 1, f"{url}: {replies}")
        return replies[0]["data"], replies[0]["error"]

    def echoed(self, base=None, **fields):
        data, error = self.fetch((base or self.server.base) + "/echo", **fields)
        self.assertEqual(error, "")
        seen = json.loads(base64.b64decode(data))
        return seen["method"], seen["headers"], bytes.fromhex(seen["body"])

    def test_statuses_redirects_and_compression(self):
        for path, expected in [("/empty", ("", "HTTP 200")), ("/204", ("", "HTTP 204")),
                               ("/moved", (b64(pattern(3)), "")),
                               ("/gzip", (b64(b"comprimido"), "")),
                               ("/bytes?n=200001", (b64(pattern(200_001)), "")),
                               # More Base64 than one reply script carries: it comes in pieces.
                               ("/bytes?n=1600001", (b64(pattern(1_600_001)), ""))]:
            with self.subTest(path=path):
                self.assertEqual(self.fetch(self.server.base + path), expected)

    def test_agent_headers_methods_and_bodies_from_the_page(self):
        binary = bytes(range(256))
        cases = [  # (host, fields, method, agent, body)
            (self.server, {}, "GET", SAFARI, b""),
            (self.short, {}, "GET", "Mozilla/5.0 (Macintosh)", b""),
            (self.short, {"headers": {"user-agent": "minusculas/2"}}, "GET", "minusculas/2", b""),
            (self.server, {"method": "PUT", "body": "hola ñ €"}, "PUT", SAFARI, "hola ñ €".encode()),
            (self.server, {"method": "POST", "body": "t", "bodyB64": b64(binary)}, "POST", SAFARI, binary),
            # Not strict Base64: the plain body stays, or there is none.
            (self.server, {"method": "POST", "body": "t", "bodyB64": "aG9s\nYQ=="}, "POST", SAFARI, b"t"),
            (self.server, {"method": "POST", "bodyB64": "no es base64"}, "POST", SAFARI, b""),
        ]
        for server, fields, method, agent, body in cases:
            with self.subTest(fields=fields):
                seen = self.echoed(server.base, **fields)
                # Sent once, whatever the spelling of the page's field name.
                agents = [v for k, v in seen[1] if k.lower() == "user-agent"]
                self.assertEqual((seen[0], agents, seen[2]), (method, [agent], body))

    def test_fetches_in_flight_are_each_answered_once_and_side_by_side(self):
        # Later ones are served sooner, so the replies come back out of order;
        # every Base64 tail and an id given twice are among them.
        fetches = [{"id": f"vuelo-{i}",
                    "url": f"{self.server.base}/bytes?n={i + 1}&ms={(49 - i) * 10 if i % 2 else 0}"}
                   for i in range(50)] + [{"id": "doble", "url": "qv-mt5://estado"},
                                          {"id": "doble", "url": self.server.base + "/empty"}]
        replies = self.app.js("const got = await fetchAll(%s, {settleMs: 500});"
                              " return got.map((r) => [r.id, r.error, r.error ? '' : hexOf(r.data)]);"
                              % json.dumps(fetches), timeout=40)
        self.assertEqual(sorted(r[0] for r in replies), sorted(m["id"] for m in fetches))
        for rid, error, hex_bytes in replies:
            if rid != "doble":
                self.assertEqual((error, hex_bytes), ("", pattern(int(rid.split("-")[1]) + 1).hex()), rid)
        self.assertEqual([r[1] for r in replies if r[0] == "doble"], ["sin MT5", "HTTP 200"])
        self.assertNotEqual([r[0] for r in replies[:50]], [m["id"] for m in fetches[:50]], "replies kept posting order")

        # Six to one host: each answer waits until all six requests are at the server.
        together = threading.Barrier(6, timeout=8)
        self.server.routes["/juntas"] = lambda r: (together.wait(), (200, {}, b"juntas"))[1]
        fetches = [{"id": f"juntas-{i}", "url": f"{self.server.base}/juntas?i={i}"} for i in range(6)]
        errors = self.app.js("return (await fetchAll(%s)).map((r) => r.error);" % json.dumps(fetches))
        self.assertEqual(errors, [""] * 6)

    def test_awkward_ids_come_back_unchanged_on_both_local_and_network_routes(self):
        ids = ["barra\\invertida", "salto\nde línea", "retorno\rcarro", "sep\u2028ara", "pár\u2029rafo",
               'co"mi"lla', "</script><script>window.inyectado = 1</script>", "nul\u0000o", "ñ€😀",
               "'); window.inyectado = 2; ('", "${window.inyectado = 3}`", ""]
        for rid in ids:
            with self.subTest(id=rid):
                self.assertEqual(self.fetch("qv-mt5://estado", id=rid), ("", "sin MT5"))
                self.assertEqual(self.fetch(self.server.base + "/bytes?n=2", id=rid), (b64(pattern(2)), ""))
        self.assertIsNone(self.app.js("return window.inyectado === undefined ? null : window.inyectado;"))

    def test_status_route_passes_the_status_file_from_the_home_untouched(self):
        # Read anew each time; which of several files wins is the unit tests' business.
        self.assertEqual(self.fetch("qv-mt5://estado"), ("", "sin MT5"))
        path = self.home.mt5_status("Usuario Uno")
        self.addCleanup(shutil.rmtree, os.path.join(self.home.home, ".wine"))
        wine = b"{\"saldo\": 1}\n\x00\xff\xfe" + bytes(range(256))  # not JSON, not UTF-8: passed on
        with open(path, "wb") as f:
            f.write(wine)
        self.assertEqual(self.fetch("qv-mt5://estado"), (b64(wine), ""))


class Quitting(unittest.TestCase):
    def test_quits_cleanly_with_fetches_in_flight(self):
        home = Home()
        held = Server({"/never": lambda r: None})
        try:
            with App(home, page="fetch") as app:
                app.wait_js("document.readyState === 'complete' && typeof window.fetchAll === 'function'")
                app.js("for (let i = 0; i < 4; i++) post({id: 'retenida-' + i, url: %s});"
                       " post({id: 'al-salir', url: %s}); return true;"
                       % (json.dumps(held.base + "/never"), json.dumps(held.base + "/ya")))
                wait_for(lambda: len(held.hits("/never")) == 4, what="the held requests")
                app.call("quit", timeout=5)
                self.assertEqual(app.proc.wait(timeout=20), 0)
        finally:
            held.close()
            home.remove()


if __name__ == "__main__":
    unittest.main()
