"""The fetch proxy through the real web view: the network route against
servers on 127.0.0.1 and the MetaTrader 5 status route, each reply carrying
bytes, errors and awkward ids back into the page intact."""

import base64
import json
import os
import threading
import time
import unittest
import zlib
from urllib.parse import parse_qs, urlsplit

from harness import Server, start_app, wait_for


def pattern(n, k=0):
    return bytes((i + k) % 256 for i in range(n))


def b64(data):
    return base64.b64encode(data).decode()


def delayed_bytes(request):
    query = parse_qs(urlsplit(request.path).query)
    time.sleep(int(query.get("ms", ["0"])[0]) / 1000)
    return 200, {}, pattern(int(query["n"][0]), int(query.get("k", ["0"])[0]))


# CRC-32 of a string of single bytes, as zlib computes it.
CRC = ("const crc = (s) => { let c = ~0; for (let i = 0; i < s.length; i++) { c ^= s.charCodeAt(i);"
       " for (let j = 0; j < 8; j++) c = (c >>> 1) ^ (0xEDB88320 & -(c & 1)); } return (~c) >>> 0; };")


class FetchProxy(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server({"/bytes": delayed_bytes}, cleanup=cls.addClassCleanup)
        cls.home, cls.app = start_app(cls.addClassCleanup, "document.readyState === 'complete' && !!window.fetchAll",
                                      page="fetch")

    def reload(self):
        self.app.js("window.vieja = true; setTimeout(() => location.reload(), 0); return true;")
        self.app.wait_js("document.readyState === 'complete' && window.vieja === undefined && !!window.fetchAll")

    def fetch_all(self, fetches, **options):
        """Posts the fetches at once; every reply to them as [id, data, error], in arrival order."""
        return self.app.js("return (await fetchAll(%s, %s)).map((r) => [r.id, r.data, r.error]);"
                           % (json.dumps(fetches), json.dumps(options)), timeout=40)

    def test_fetches_in_flight_are_each_answered_once_intact_and_side_by_side(self):
        # Later ones are served sooner, so the replies come back out of order; every Base64 tail is among
        # them. Each awkward id is also given to the status route: an id given twice is answered twice.
        awkward = ["barra\\invertida", "salto\nde línea", "retorno\rcarro", "sep\u2028ara", "pár\u2029rafo",
                   'co"mi"lla', "nul\u0000o", "</script><script>window.inyectado = 1</script>",
                   "'); window.inyectado = 2; ('", "${window.inyectado = 3}`", "ñ€😀", ""]
        ids = awkward + [f"vuelo-{i}" for i in range(len(awkward), 50)]
        fetches = [{"id": rid, "url": f"{self.server.base}/bytes?n={i + 1}&ms={(49 - i) * 10 if i % 2 else 0}"}
                   for i, rid in enumerate(ids)] + [{"id": rid, "url": "qv-mt5://estado"} for rid in awkward]
        replies = self.fetch_all(fetches, settleMs=500)
        self.assertEqual(sorted(replies), sorted([[rid, b64(pattern(i + 1)), ""] for i, rid in enumerate(ids)] +
                                                 [[rid, "", "sin MT5"] for rid in awkward]))
        self.assertIsNone(self.app.js("return window.inyectado === undefined ? null : window.inyectado;"))
        self.assertNotEqual([r[0] for r in replies if not r[2]], ids, "replies kept posting order")
        # Six to one host: each answer waits until all six requests are at the server.
        together = threading.Barrier(6, timeout=8)
        self.server.routes["/juntas"] = lambda r: (together.wait(), (200, {}, b"juntas"))[1]
        replies = self.fetch_all([{"id": f"juntas-{i}", "url": f"{self.server.base}/juntas?i={i}"} for i in range(6)])
        self.assertEqual([r[2] for r in replies], [""] * 6)

    def test_replies_in_several_pieces_arrive_whole_apart_and_never_in_a_new_document(self):
        # One piece carries 256 KiB of Base64: three pieces (the last of four characters) and four, under
        # one id, each reply of its own bytes so that pieces mixed across the two would show.
        sizes = {0: 3 * 2**17 + 1, 1: 5 * 2**17 + 2}
        got = self.app.js(CRC + "return (await fetchAll(%s)).map((r) => [r.data.length, crc(r.data), r.error]);"
                          % json.dumps([{"id": "grande", "url": f"{self.server.base}/bytes?n={n}&k={k}"}
                                        for k, n in sizes.items()]), timeout=60)
        self.assertEqual(sorted(got), sorted([len(b64(pattern(n, k))), zlib.crc32(b64(pattern(n, k)).encode()), ""]
                                             for k, n in sizes.items()))
        # The page reloads once the first piece has left something in it. Wherever the reload falls
        # among the pieces, the new document gets nothing and the old one had the whole reply or none.
        # Each document starts afresh, with nothing left by the replies above.
        self.server.routes["/entera"] = lambda r: (200, {}, b"")
        self.addCleanup(self.reload)
        self.reload()
        self.app.js("window.vieja = true; window.__qvFetch = (id, data) => fetch(%s + data.length, {method: 'POST',"
                    " mode: 'no-cors'}); const known = new Set(Object.getOwnPropertyNames(window));"
                    " const look = () => Object.getOwnPropertyNames(window).some((k) => !known.has(k))"
                    " ? location.reload() : setTimeout(look, 0);"
                    " post({id: 'partida', url: %s}); look(); return true;"
                    % (json.dumps(self.server.base + "/entera?n="), json.dumps(self.server.base + "/bytes?n=12000000")))
        self.app.wait_js("document.readyState === 'complete' && window.vieja === undefined && !!window.fetchAll")
        self.assertEqual(self.fetch_all([{"id": "despues", "url": "qv-mt5://estado"}]), [["despues", "", "sin MT5"]])
        self.assertEqual([r["id"] for r in self.app.js("return window.replies;")], ["despues"])
        self.assertLessEqual({r.path for r in self.server.hits("/entera")}, {"/entera?n=16000000"})

    def test_the_page_is_answered_while_a_navigation_it_started_is_pending(self):
        release = threading.Event()
        self.addCleanup(release.set)
        self.server.routes["/adjunto-lento"] = lambda r: (release.wait(20), (
            200, {"Content-Disposition": 'attachment; filename="lento.txt"'}, b"lento"))[1]
        self.app.js("location.href = %s; return true;" % json.dumps(self.server.base + "/adjunto-lento"))
        wait_for(lambda: self.server.hits("/adjunto-lento"), what="the navigation to the attachment")
        replies = self.fetch_all([{"id": "estado", "url": "qv-mt5://estado"},
                                  {"id": "red", "url": self.server.base + "/bytes?n=2"}])
        self.assertEqual(sorted(replies), [["estado", "", "sin MT5"], ["red", b64(pattern(2)), ""]])
        release.set()
        wait_for(lambda: os.path.exists(os.path.join(self.home.downloads, "lento.txt")), what="the download")
        self.assertEqual(self.fetch_all([{"id": "despues", "url": "qv-mt5://estado"}]), [["despues", "", "sin MT5"]])


class Quitting(unittest.TestCase):
    def test_quits_cleanly_with_fetches_in_flight(self):
        held = Server({"/never": lambda r: None}, cleanup=self.addCleanup)
        _, app = start_app(self.addCleanup, "document.readyState === 'complete' && typeof window.post === 'function'",
                           page="fetch")
        app.js("for (let i = 0; i < 4; i++) post({id: 'retenida-' + i, url: %s});"
               " post({id: 'al-salir', url: %s}); return true;"
               % (json.dumps(held.base + "/never"), json.dumps(held.base + "/ya")))
        wait_for(lambda: len(held.hits("/never")) == 4, what="the held requests")
        app.call("quit", timeout=5)
        self.assertEqual(app.proc.wait(timeout=20), 0)
