"""Only the local page reaches the bridge: a cross-origin frame inside it and
an outside page the main view was sent to post in vain and get no reply.
Browser-valid addresses that a strict check refuses still leave for the
browser. Links the views cannot show leave them where they were, and the
browser opens only on the user's own click."""

import json
import threading
import unittest

from harness import Server, start_app, wait_for

# Each posts every command kind, by every way a foreign document could try.
HOSTILE = """<!doctype html><meta charset="utf-8"><script>
window.__qvFetch = function () { fetch('/respuesta', {method: 'POST'}); };
const orders = [
  {cmd: 'abrir', url: 'https://example.com/hostil'}, {cmd: 'web', slot: 'hostil', url: 'about:blank', w: 50, h: 50},
  {cmd: 'webOcultar'}, {cmd: 'video', id: 'x', slot: 'hostil', w: 50, h: 50}, {cmd: 'videoVol', slot: '0', v: 5},
  {cmd: 'videoOcultar'}, {cmd: 'fetch', id: 'h1', url: 'qv-mt5://estado'},
  {cmd: 'fetch', id: 'h2', url: 'qv-exness://pa/trading/accounts'}];
const tries = [() => window.webkit.messageHandlers.qv, () => parent.webkit.messageHandlers.qv,
               () => top.webkit.messageHandlers.qv,
               () => ({postMessage: m => top.document.dispatchEvent(
                   new CustomEvent('qv-mensaje', {detail: JSON.stringify(m)}))})];
for (const t of tries) for (const m of orders) { try { t().postMessage(m); } catch (e) {} }
fetch('/hecho', {method: 'POST'});
</script><p>hostil</p>"""

# Addresses every browser takes and a strict URI parser refuses: brackets,
# bars, braces, a stray %, two #, an IDN with a user, an IPv6 host.
READY = "document.readyState === 'complete' && !!window.respuestas"
ODD = ["https://user:pw@b\u00fccher.example/caso0/100%/{a}^?f[a]=1|2#a#b", "https://[::1]:8443/caso1"]


def html(body):
    return lambda request: (200, {"Content-Type": "text/html; charset=utf-8"}, body.encode())


def anchors(urls, top=10):
    return "".join(f'<a id="l{i}" href="{u}" style="position:absolute;left:10px;top:{top + 30 * i}px">enlace {i}</a>'
                   for i, u in enumerate(urls))


def assert_nothing_ran(case, home, app, outside):
    case.assertFalse([u for u in home.opened() if "hostil" in u])
    case.assertEqual([p["slot"] for p in app.state()["panes"] if p["slot"] == "hostil"], [])
    case.assertEqual(outside.hits("/respuesta"), [])


# Clicked in a pane, each must leave it where it was (the main view's links go by the same rule).
NOT_WEB = ["mailto:alguien@example.com", "tel:+34600000000", "file:///etc/passwd"]


# A widget of another origin, as a dashboard may embed one: with no click it tries every way to the browser, five
# times each; a real click on it tries them all again.
GADGET = """<!doctype html><meta charset="utf-8"><body style="margin:0">
<a id="propio" href="/fuera/nada">enlace</a><a id="nuevo" target="_blank" href="/fuera/nada">ventana</a>
<button id="widget" style="position:fixed;left:0;top:0;width:100%;height:100%">widget</button><script>
function intenta(tag) {
  const propio = document.getElementById('propio'), nuevo = document.getElementById('nuevo');
  for (let i = 0; i < 5; i++) {
    window.open('/fuera/' + tag + '-ventana' + i);
    propio.href = '/fuera/' + tag + '-clic' + i;
    propio.click();
    nuevo.href = '/fuera/' + tag + '-evento' + i;
    nuevo.dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true}));
  }
}
intenta('solo');
document.getElementById('widget').addEventListener('click', () => intenta('clic'));
fetch('/hecho', {method: 'POST'});
</script>"""


class Trust(unittest.TestCase):
    """One start for the cases that leave the main view on the local page, with a web pane over it: what a
    click may do to a view and hand to the browser."""

    @classmethod
    def setUpClass(cls):
        pane = '<!doctype html><meta charset="utf-8"><body style="margin:0">' + anchors(
            NOT_WEB + ["https://example.com/centinela"], top=150)
        cls.outside = Server({"/hostil": html(HOSTILE), "/hecho": html(""), "/respuesta": html(""),
                              "/widget": html(GADGET), "/enlaces": html(pane)}, cleanup=cls.addClassCleanup)
        cls.home, cls.app = start_app(cls.addClassCleanup, READY, page="trust")
        cls.app.open_pane("enlaces", cls.outside.base + "/enlaces", "!!document.getElementById('l0')", w=400)

    def wait_opened(self, count, what):
        return wait_for(self.home.opened, ok=lambda opened: len(opened) >= count, what=what)

    def test_a_cross_origin_frame_posts_in_vain(self):
        before, done = self.app.js("return window.respuestas.length;"), len(self.outside.hits("/hecho"))
        self.app.js("const f = document.createElement('iframe'); f.id = 'hostil'; f.src = %s; document.body.append(f);"
                    " return true;" % json.dumps(self.outside.base + "/hostil"))
        self.addCleanup(self.app.js, "document.getElementById('hostil').remove(); return true;")
        wait_for(lambda: len(self.outside.hits("/hecho")) > done, what="the frame's script to run")
        # A message of the page itself, posted after the frame's, is answered: the frame's are not.
        self.app.post({"cmd": "fetch", "id": "propio", "url": "qv-mt5://estado"})
        self.app.wait_js("window.respuestas.length > %d" % before)
        self.assertEqual([r[0] for r in self.app.js("return window.respuestas.slice(%d);" % before)], ["propio"])
        assert_nothing_ran(self, self.home, self.app, self.outside)

    # Which view asks does not change how its address is read: the main page's links and windows.
    def test_odd_addresses_leave_for_the_browser_and_the_page_stays(self):
        main_uri = self.app.state()["mainUri"]
        self.app.js("document.body.insertAdjacentHTML('beforeend', %s); window.sinMover = true; return true;"
                    % json.dumps(anchors(ODD)))
        for i in range(len(ODD)):
            with self.subTest(case=i):
                before = len(self.home.opened())
                self.app.click_element(f"l{i}")
                self.assertIn(f"caso{i}", self.wait_opened(before + 1, f"link {i} in the browser")[-1])
        before = len(self.home.opened())
        self.app.js("for (const u of %s) window.open(u); return true;" % json.dumps(ODD))
        self.wait_opened(before + len(ODD), "window.open in the browser")
        self.assertEqual((self.app.js("return window.sinMover === true;"), self.app.state()["mainUri"]),
                         (True, main_uri))

    def test_links_to_other_schemes_leave_the_pane_on_its_document(self):
        shown = self.app.pane("web", "enlaces")["uri"]
        self.app.js("window.sinMover = true; return true;", view="web:enlaces")
        for i, url in enumerate(NOT_WEB):
            with self.subTest(url=url):
                self.app.click_element(f"l{i}", "web:enlaces")
                # The web link clicked next is decided after this one: once it is in the
                # browser, a load of the link above would have begun.
                opened = len(self.home.opened())
                self.app.click_element(f"l{len(NOT_WEB)}", "web:enlaces")
                self.wait_opened(opened + 1, "the sentinel link in the browser")
                self.assertEqual(self.app.pane("web", "enlaces")["uri"], shown)
                self.assertIs(self.app.js("return window.sinMover === true;", view="web:enlaces"), True)

    def test_a_cross_origin_frame_reaches_the_browser_once_per_real_click(self):
        done = len(self.outside.hits("/hecho"))
        self.app.js("const f = document.createElement('iframe'); f.id = 'marco'; f.src = %s;"
                    " f.style = 'position:absolute;left:20px;top:500px;width:300px;height:150px;border:0';"
                    " document.body.append(f); return true;" % json.dumps(self.outside.base + "/widget"))
        self.addCleanup(self.app.js, "document.getElementById('marco').remove(); return true;")
        wait_for(lambda: len(self.outside.hits("/hecho")) > done, what="the widget's script to run")
        start = len(self.home.opened())
        self.app.click_element("marco")
        self.wait_opened(start + 1, "the real click's address in the browser")
        # The page's own window needs no click, and it is handed over after everything above.
        last = self.outside.base + "/fuera/propia"
        self.app.js("window.open(%s); return true;" % json.dumps(last))
        opened = self.wait_opened(start + 2, "the page's own window")[start:]
        self.assertEqual(opened, [self.outside.base + "/fuera/clic-ventana0", last])


class OutsidePage(unittest.TestCase):
    def test_an_outside_page_in_the_main_view_gets_nothing(self):
        release = threading.Event()
        outside = Server({"/hostil": html(HOSTILE), "/hecho": html(""), "/respuesta": html("")}, cleanup=self.addCleanup)
        server = Server({"/lenta": lambda request: (release.wait(30), (200, {}, b"tarde"))[1]}, cleanup=self.addCleanup)
        self.addCleanup(release.set)
        home, app = start_app(self.addCleanup, READY, page="trust")
        app.post({"cmd": "fetch", "id": "pendiente", "url": server.base + "/lenta"})
        wait_for(lambda: server.hits("/lenta"), what="the pending fetch")
        app.js("location.href = %s; return true;" % json.dumps(outside.base + "/hostil"))
        wait_for(lambda: outside.hits("/hecho"), what="the outside page's script")
        release.set()
        # Time for the reply, built after the page left, to arrive were it delivered.
        app.js("await new Promise(r => setTimeout(r, 500)); return true;")
        assert_nothing_ran(self, home, app, outside)
