"""The fetch proxy through the real web view: the network route against
servers on 127.0.0.1, the MetaTrader 5 status route, and the reply that
carries bytes, errors and awkward ids back into the page intact."""

import base64
import gzip
import json
import os
import shutil
import socket
import threading
import time
import unittest
from urllib.parse import parse_qs, urlsplit

from harness import App, Home, Server, wait_for

SAFARI = ("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 "
          "(KHTML, like Gecko) Version/17.0 Safari/605.1.15")
SHORT = "Mozilla/5.0 (Macintosh)"
MT5_TAIL = ("AppData", "Roaming", "MetaQuotes", "Terminal", "Common", "Files", "quorvex_mt5.json")


def pattern(n):
    return bytes(i % 256 for i in range(n))


def query(request, name, default):
    return parse_qs(urlsplit(request.path).query).get(name, [default])[0]


def echo(request):
    """What the server was sent, as JSON: method, every header field, body."""
    seen = {"method": request.command, "headers": [[k, v] for k, v in request.headers.items()],
            "body": request.body.hex()}
    return 200, {"Content-Type": "application/json"}, json.dumps(seen).encode()


def status(request):
    code = int(query(request, "code", "200"))
    # 204 and 304 never carry a body; a stray one would spoil the kept-alive connection.
    return code, {}, b"" if code in (204, 304) else b"cuerpo"


def delayed_bytes(request):
    time.sleep(int(query(request, "ms", "0")) / 1000)
    return 200, {}, pattern(int(query(request, "n", "0")))


ROUTES = {
    "/bytes": delayed_bytes,
    "/empty": lambda r: (200, {}, b""),
    "/missing": lambda r: (404, {"Content-Type": "text/plain"}, b"not here"),
    "/status": status,
    "/moved": lambda r: (302, {"Location": "/bytes?n=3"}, b""),
    "/echo": echo,
    "/gzip": lambda r: (200, {"Content-Encoding": "gzip"}, gzip.compress(b"comprimido")),
}


def refused_url():
    """A loopback port nothing listens on."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    return f"http://127.0.0.1:{port}/x"


class FetchProxy(unittest.TestCase):
    """Cases that share one start of the application."""

    @classmethod
    def setUpClass(cls):
        cls.home = Home()
        cls.server = Server(ROUTES)
        cls.short = Server(ROUTES, host="127.0.0.2")  # the short user agent's host
        cls.silent = Server({"/never": lambda r: None}, host="127.0.0.3")  # holds the request
        cls.app = App(cls.home, page="fetch", shortUserAgentHostFragment="127.0.0.2",
                      networkTimeoutSeconds=2).start()
        cls.app.wait_js("document.readyState === 'complete' && typeof window.fetchAll === 'function'")

    @classmethod
    def tearDownClass(cls):
        cls.app.stop()
        for server in (cls.server, cls.short, cls.silent):
            server.close()
        cls.home.remove()

    def fetch(self, url, **fields):
        """Posts one fetch from the page; the replies for its id, as (data, error)."""
        self._seq = getattr(self, "_seq", 0) + 1
        message = dict(fields, url=url, id=fields.get("id", f"{self.id()}-{self._seq}"))
        replies = self.app.js("return await fetchAll([%s]);" % json.dumps(message))
        return [(r["data"], r["error"]) for r in replies]

    def fetch_one(self, url, **fields):
        replies = self.fetch(url, **fields)
        self.assertEqual(len(replies), 1, f"{url}: {replies}")
        return replies[0]

    def echoed(self, base=None, **fields):
        data, error = self.fetch_one((base or self.server.base) + "/echo", **fields)
        self.assertEqual(error, "")
        return json.loads(base64.b64decode(data))

    def test_bodies_reach_the_page_byte_for_byte(self):
        # Every byte value, each Base64 tail (no fill, one, two) and a body
        # larger than one read.
        for n in (1, 2, 3, 256, 200_001):
            with self.subTest(n=n):
                url = f"{self.server.base}/bytes?n={n}"
                hex_bytes = self.app.js("const [r] = await fetchAll([%s]);"
                                        " return r && r.error === '' ? hexOf(r.data) : r;"
                                        % json.dumps({"url": url, "id": f"bytes-{n}"}))
                self.assertEqual(hex_bytes, pattern(n).hex())

    def test_statuses_redirects_and_compression(self):
        base = self.server.base
        for path, expected in [("/empty", ("", "HTTP 200")),
                               ("/missing", ("", "HTTP 404")),
                               ("/status?code=204", ("", "HTTP 204")),
                               ("/status?code=500", ("", "HTTP 500")),
                               ("/status?code=201", (base64.b64encode(b"cuerpo").decode(), "")),
                               ("/moved", (base64.b64encode(pattern(3)).decode(), "")),
                               ("/gzip", (base64.b64encode(b"comprimido").decode(), ""))]:
            with self.subTest(path=path):
                self.assertEqual(self.fetch_one(base + path), expected)

    def test_user_agent_is_safari_short_for_the_configured_host_or_the_pages_own(self):
        def agents(seen):
            return [v for k, v in seen["headers"] if k.lower() == "user-agent"]

        for base, headers, expected in [
                (self.server.base, None, SAFARI),
                (self.short.base, None, SHORT),
                (self.server.base, {"User-Agent": "Prueba/1.0"}, "Prueba/1.0"),
                (self.short.base, {"user-agent": "minusculas/2"}, "minusculas/2")]:
            with self.subTest(base=base, headers=headers):
                fields = {"headers": headers} if headers else {}
                # Sent once, whatever the spelling of the page's field name.
                self.assertEqual(agents(self.echoed(base, **fields)), [expected])

    def test_headers_and_methods_from_the_page(self):
        seen = self.echoed(headers={"X-Prueba": "uno dos", "Accept": "text/x-prueba"}, method="PUT")
        self.assertEqual(seen["method"], "PUT")
        self.assertIn(["X-Prueba", "uno dos"], seen["headers"])
        self.assertIn(["Accept", "text/x-prueba"], seen["headers"])

        # One value that is not a string spoils the whole "headers" object.
        seen = self.echoed(headers={"X-Uno": "1", "X-Dos": 2}, method="")
        self.assertEqual(seen["method"], "GET")
        self.assertFalse([k for k, _ in seen["headers"] if k.lower().startswith("x-")])

        # A field that would end early and start another is left out, alone.
        seen = self.echoed(headers={"X-Malo": "a\r\nX-Inyectada: b", "X-Bien": "c"})
        self.assertEqual([k for k, _ in seen["headers"] if k.lower().startswith("x-")], ["X-Bien"])

    def test_request_bodies(self):
        binary = bytes(range(256))
        for fields, expected in [
                ({"body": "hola ñ €"}, "hola ñ €".encode()),
                ({"body": "texto", "bodyB64": base64.b64encode(binary).decode()}, binary),
                # Not strict Base64: the plain body stays, or there is none.
                ({"body": "texto", "bodyB64": "aG9s\nYQ=="}, b"texto"),
                ({"bodyB64": "no es base64"}, b"")]:
            with self.subTest(fields=fields):
                seen = self.echoed(method="POST", **fields)
                self.assertEqual(seen["method"], "POST")
                self.assertEqual(bytes.fromhex(seen["body"]), expected)

    def test_transport_failures_answer_with_a_text_and_no_data(self):
        started = time.monotonic()
        for url, fields in [(refused_url(), {}), (self.silent.base + "/never", {}), ("ftp://127.0.0.1/x", {}),
                            ("qv-mt5://estado/", {}), ("QV-WEB://exness/x", {}),
                            (self.server.base + "/echo", {"method": "GET /otra HTTP/1.1\r\nX-Inyectada: b"})]:
            with self.subTest(url=url, **fields):
                data, error = self.fetch_one(url, **fields)
                self.assertEqual(data, "")
                self.assertTrue(error, "an empty error text reads as success")
                self.assertNotIn('"', error)
                self.assertFalse(error.startswith("HTTP ") or error in ("sin respuesta", "sin MT5"), error)
        self.assertEqual(len(self.silent.hits("/never")), 1)
        self.assertFalse(self.server.hits("/otra"))
        self.assertLess(time.monotonic() - started, 15, "the time-out of the application was not applied")

    def test_fifty_fetches_in_flight_are_each_answered_once(self):
        # Later ones are served sooner, so the replies come back out of order.
        fetches = [{"id": f"vuelo-{i}",
                    "url": f"{self.server.base}/bytes?n={i + 1}&ms={(49 - i) * 10 if i % 2 else 0}"}
                   for i in range(50)]
        replies = self.app.js("const got = await fetchAll(%s, {settleMs: 500});"
                              " return got.map((r) => [r.id, r.error, r.error ? '' : hexOf(r.data)]);"
                              % json.dumps(fetches), timeout=40)
        self.assertEqual(sorted(r[0] for r in replies), sorted(m["id"] for m in fetches))
        for rid, error, hex_bytes in replies:
            self.assertEqual((error, hex_bytes), ("", pattern(int(rid.split("-")[1]) + 1).hex()), rid)
        self.assertNotEqual([r[0] for r in replies], [m["id"] for m in fetches], "replies kept posting order")

    def test_awkward_ids_come_back_unchanged_on_both_local_and_network_routes(self):
        ids = ["barra\\invertida", "salto\nde línea", "retorno\rcarro", "sep\u2028ara", "pár\u2029rafo",
               'co"mi"lla', "</script><script>window.inyectado = 1</script>", "nul\u0000o", "ñ€😀",
               "'); window.inyectado = 2; ('", "${window.inyectado = 3}`", ""]
        for rid in ids:
            with self.subTest(id=rid):
                self.assertEqual(self.fetch("qv-mt5://estado", id=rid), [("", "sin MT5")])
                self.assertEqual(self.fetch(self.server.base + "/bytes?n=2", id=rid),
                                 [(base64.b64encode(pattern(2)).decode(), "")])
        self.assertIsNone(self.app.js("return window.inyectado === undefined ? null : window.inyectado;"))

    def test_six_fetches_to_one_host_are_served_side_by_side(self):
        # Each answer waits until all six requests are at the server.
        together = threading.Barrier(6, timeout=8)

        def meet(request):
            try:
                together.wait()
            except threading.BrokenBarrierError:
                return 503, {}, b""
            return 200, {}, b"juntas"

        self.server.routes["/juntas"] = meet
        fetches = [{"id": f"juntas-{i}", "url": f"{self.server.base}/juntas?i={i}"} for i in range(6)]
        errors = self.app.js("return (await fetchAll(%s)).map((r) => r.error);" % json.dumps(fetches))
        self.assertEqual(errors, [""] * 6)

    def test_the_same_id_twice_is_answered_twice(self):
        twice = [{"id": "doble", "url": "qv-mt5://estado"}, {"id": "doble", "url": self.server.base + "/empty"}]
        replies = self.app.js("return (await fetchAll(%s, {settleMs: 300})).map((r) => r.error);"
                              % json.dumps(twice))
        self.assertEqual(replies, ["sin MT5", "HTTP 200"])

    def test_status_route_passes_the_newest_status_file_untouched(self):
        def status_file(prefix, user, content, mtime):
            path = os.path.join(self.home.home, prefix, "drive_c", "users", user, *MT5_TAIL)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content)
            os.utime(path, (mtime, mtime))
            return path

        def status():
            return self.fetch_one("qv-mt5://estado")

        for prefix in (".mt5", ".wine"):
            self.addCleanup(shutil.rmtree, os.path.join(self.home.home, prefix), ignore_errors=True)
        self.assertEqual(status(), ("", "sin MT5"))
        # Not JSON, not UTF-8: it is never parsed, only passed on.
        wine = b"{\"saldo\": 1}\n\x00\xff\xfe" + bytes(range(256))
        status_file(".wine", "Usuario Uno", wine, 1_700_000_000)
        self.assertEqual(status(), (base64.b64encode(wine).decode(), ""))

        # Read anew each time; the folder scanned first wins a tie.
        mt5 = b'{"cuenta": "mt5"}'
        path = status_file(".mt5", "otro", mt5, 1_700_000_000)
        self.assertEqual(status(), (base64.b64encode(mt5).decode(), ""))
        os.utime(path, (1_600_000_000, 1_600_000_000))
        self.assertEqual(status(), (base64.b64encode(wine).decode(), ""))

        # The newest is empty: nothing is given, no older file stands in.
        status_file(".mt5", "otro", b"", 1_800_000_000)
        self.assertEqual(status(), ("", "sin MT5"))


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
