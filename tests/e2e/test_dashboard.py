"""The real dashboard page in the real application: native badge, the MetaTrader 5
panel from a status file in the Wine prefix, the exness session card against a
local site, the calendar from a local feed, the guard and the desktop
notifications on a session bus of the test's own, and screenshots of the whole
window without MetaTrader 5, live, with the guard in each zone, and narrow."""

import datetime
import json
import os
import re
import time
import unittest

from harness import ROOT, App, DesktopBus, Home, Server, wait_for

MT5_DATA = os.path.join(ROOT, "tests", "data", "mt5")


# The guard's account in each zone: the normal file's with a deeper loss.
GUARD = {
    "normal": {},
    "caution": {"equity": 9750.0, "freeMargin": 9550.0, "marginLevel": 4875.0, "profit": -250.0},
    "stop": {"equity": 9600.0, "margin": 12000.0, "freeMargin": -2400.0, "marginLevel": 80.0, "profit": -400.0},
}


def digits(text):
    return re.sub(r"\D", "", text or "")


class DashboardHome(Home):
    """Xvfb has no GPU: without this WebKit hands the window buffers nobody
    paints, and the screenshots come out blank. The session bus is the test's
    own, with the notification recorder on it."""

    def __init__(self):
        super().__init__()
        self.bus = DesktopBus(self.root)

    def env(self):
        return dict(super().env(), WEBKIT_DISABLE_DMABUF_RENDERER="1", DBUS_SESSION_BUS_ADDRESS=self.bus.address)


def calendar_feed():
    """Three events from now on, in the feed's own shape (ISO time with offset)."""
    now = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)

    def at(hours):
        return (now + datetime.timedelta(hours=hours)).isoformat()

    return [
        {"title": "Non-Farm Employment Change", "country": "USD", "date": at(1), "impact": "High",
         "forecast": "180K", "previous": "227K"},
        {"title": "ECB President Speaks", "country": "EUR", "date": at(2), "impact": "Medium",
         "forecast": "", "previous": ""},
        {"title": "Bank Holiday", "country": "JPY", "date": at(26), "impact": "Holiday"},
    ]


class Dashboard(unittest.TestCase):
    """One start of the application on the dashboard; the cases run in name order
    because the MetaTrader 5 file appears part-way through."""

    @classmethod
    def setUpClass(cls):
        cls.site_fails = True
        site_page = b"<!doctype html><title>Exness</title><p>Cuenta</p>"

        def site(request):
            navigating = "text/html" in (request.headers.get("Accept") or "")
            if cls.site_fails and not navigating:
                return 500, {"Content-Type": "text/plain"}, b"caido"
            return 200, {"Content-Type": "text/html; charset=utf-8"}, site_page

        feed = json.dumps(calendar_feed()).encode()
        chat = b"<!doctype html><title>Chat</title><body style='background:#223'><p>Chat local</p>"
        cls.server = Server({
            "/": site,
            "/chat": lambda r: (200, {"Content-Type": "text/html; charset=utf-8"}, chat),
            "/ff.json": lambda r: (200, {"Content-Type": "application/json"}, feed),
        })
        cls.home = DashboardHome()
        cls.addClassCleanup(cls.home.bus.stop)  # even when starting fails
        cls.status_path = cls.home.mt5_status("trader")
        # The page reads its configuration once, at its first load: no load may see the real
        # calendar's address.
        config = {"calendarUrl": cls.server.base + "/ff.json", "mt5PollMs": 200, "staleSeconds": 600,
                  "sitePollMs": 500, "retryBaseMs": 200, "retryMaxMs": 400, "fetchTimeoutMs": 5000}
        cls.app = App(cls.home, page=None, resourcesFolder=ROOT, chatAppURL=cls.server.base + "/chat",
                      sitios={"exness": {"url": cls.server.base + "/", "host": "127.0.0.1"}},
                      pageScript="window.__qvConfig = %s;" % json.dumps(config)).start()
        cls.app.wait_js("document.readyState === 'complete' && window.QV && QV.config.mt5PollMs === 200")

    @classmethod
    def tearDownClass(cls):
        cls.app.stop()
        cls.server.close()
        cls.home.remove()

    def write_status(self, name="guard-normal.json", age=0, **account):
        with open(os.path.join(MT5_DATA, name)) as f:
            status = json.load(f)
        status["account"].update(account)
        status["time"] = int(time.time()) - age
        path = self.status_path
        with open(path + ".tmp", "w") as f:
            json.dump(status, f)
        os.replace(path + ".tmp", path)
        return status

    def screenshot(self, name):
        # Two animation frames: what the DOM holds now has been painted.
        self.app.js("await new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)));"
                    " return true;")
        self.app.screenshot(name)

    def text(self, selector):
        return self.app.js("return document.querySelector(%s).textContent.trim();" % json.dumps(selector))

    def test_a_page_runs_natively_and_explains_missing_metatrader(self):
        app = self.app
        self.assertEqual(app.js("return document.getElementById('badge-nativo').dataset.nativo;"), "si")
        self.assertIs(app.js("return document.getElementById('aviso-navegador').hidden;"), True)
        app.wait_js("document.getElementById('mt5-estado').dataset.estado === 'sin-mt5'")
        self.assertIs(app.js("return document.getElementById('mt5-ayuda').hidden;"), False)
        self.assertIs(app.js("return document.getElementById('mt5-datos').hidden;"), True)
        self.assertIn("~/.wine", self.text("#mt5-lugares"))
        app.wait_js("document.getElementById('calendario').dataset.estado === 'ok'")
        # A site still loading is no error worth keeping as the last notice.
        self.assertNotIn(self.text("#sitio-exness .error"), ("cargando", "Cargando…"))
        # The chat pane lies over its zone and shows the configured (local) chat.
        chat = wait_for(lambda: (lambda p: p if p and p["visible"] and p["uri"].endswith("/chat") else None)(
            app.pane("web", "web")), what="the chat pane")
        zone = app.js("const r = document.getElementById('chat-zona').getBoundingClientRect();"
                      " return {x: Math.round(r.x), y: Math.round(r.y), w: Math.round(r.width)};")
        self.assertEqual((chat["bounds"]["x"], chat["bounds"]["y"], chat["bounds"]["w"]), (zone["x"], zone["y"], zone["w"]))
        self.screenshot("dashboard-sin-mt5")

    def test_b_calendar_shows_the_usable_feed_events_by_day(self):
        self.app.wait_js("document.getElementById('calendario').dataset.estado === 'ok'")
        rows = self.app.js(
            "return [...document.querySelectorAll('#calendario tr.evento')].map(tr =>"
            " [tr.dataset.impacto, tr.querySelector('.divisa').textContent.trim(),"
            "  tr.querySelector('.titulo').textContent, tr.classList.contains('siguiente'),"
            "  [...tr.querySelectorAll('.datos span')].map(s => s.textContent)]);")
        self.assertEqual(rows[:2], [
            ["alto", "USD", "Non-Farm Employment Change", True, ["180K", "227K"]],
            ["medio", "EUR", "ECB President Speaks", False, []],
        ])
        # Which events are usable is the page tests' business; the holiday has no hour.
        self.assertEqual(self.text("#calendario tr.evento[data-impacto=festivo] .hora"), "Todo el día")

    def test_c_site_card_shows_the_host_error_then_connects(self):
        app = self.app
        app.wait_js("document.querySelector('#sitio-exness .estado').dataset.estado === 'error'")
        self.assertEqual(self.text("#sitio-exness .estado"), "HTTP 500")
        self.assertEqual(self.text("#sitio-exness .error"), "HTTP 500")
        type(self).site_fails = False
        app.wait_js("document.querySelector('#sitio-exness .estado').dataset.estado === 'conectado'")
        self.assertEqual(self.text("#sitio-exness .estado"), "Conectado")
        # The last error stays readable after the site recovers.
        self.assertEqual(self.text("#sitio-exness .error"), "HTTP 500")
        # A site the host does not know is an error shown in the host's words.
        app.wait_js("document.querySelector('#sitio-tradeify .estado').textContent === 'sitio desconocido'")

    def test_d_live_status_shows_account_and_positions(self):
        app = self.app
        status = self.write_status("live.json")
        app.wait_js("document.getElementById('mt5-estado').dataset.estado === 'vivo'"
                    " && document.querySelectorAll('#mt5-posiciones tbody tr').length === 2")
        self.assertEqual(self.text("#mt5-estado"), "En vivo")
        self.assertIs(app.js("return document.getElementById('mt5-ayuda').hidden;"), True)
        self.assertEqual(self.text("#mt5-login"), str(status["account"]["login"]))
        self.assertEqual([digits(self.text(f"#mt5-{k}")) for k in ("balance", "equity", "beneficio")],
                         ["1025075", "1018740", "6335"])
        self.assertEqual(app.js("return document.getElementById('mt5-beneficio').dataset.signo;"), "neg")
        rows = app.js("return [...document.querySelectorAll('#mt5-posiciones tbody tr')].map(tr =>"
                      " [tr.dataset.ticket, [...tr.cells].map(c => c.textContent)]);")
        self.assertEqual([r[0] for r in rows], ["901234567", "901234601"])
        self.assertEqual(rows[0][1][:5], ["EURUSD", "Compra", "0,50", "1,05412", "1,05291"])
        self.assertEqual(rows[1][1][:5], ["XAUUSD", "Venta", "0,02", "2651,37", "2652,20"])
        # A second, newer file draws the session's equity line.
        time.sleep(1.1)
        self.write_status("live.json")
        app.wait_js("document.getElementById('mt5-rango').textContent !== ''")
        self.screenshot("dashboard-vivo")

    def test_e_old_status_is_flagged_and_keeps_its_figures(self):
        app = self.app
        self.write_status("live.json", age=3600)
        app.wait_js("document.getElementById('mt5-estado').dataset.estado === 'antiguo'")
        self.assertFalse(app.js("return document.getElementById('mt5-aviso').hidden;"))
        self.assertRegex(self.text("#mt5-estado"), r"^Sin datos nuevos desde .*\d\d:\d\d$")
        self.assertNotIn("En vivo", self.text("body"))
        self.assertEqual(digits(self.text("#mt5-balance")), "1025075")
        self.write_status("live.json")
        app.wait_js("document.getElementById('mt5-estado').dataset.estado === 'vivo'")

    def test_f_guard_shows_each_zone_and_notifies_the_desktop(self):
        app, bus = self.app, self.home.bus
        self.write_status()
        app.wait_js("document.getElementById('guardia-cuenta').textContent === '7010203'")
        # The user's limits: the first preset, and the account's initial balance.
        app.click_element("guardia-limites")
        app.wait_js("!document.getElementById('guardia-ajustes').hidden")
        self.assertTrue(app.js("const p = document.getElementById('guardia-plantilla'); p.value = '0';"
                               " p.dispatchEvent(new Event('change'));"
                               " const form = document.getElementById('guardia-ajustes');"
                               " form.elements.saldoInicial.value = '10000';"
                               " document.getElementById('guardia-guardar').click(); return form.hidden;"))
        gauges = ("[...document.querySelectorAll('#guardia-medidores .medidor')]"
                  ".map(m => m.dataset.clave + ':' + m.dataset.zona).join(' ')")
        for name, zones, left in (
                ("normal", "diaria:normal maxima:normal margen:normal", "Quedan 450,00\xa0US$"),
                ("caution", "diaria:precaucion maxima:normal margen:normal", "Quedan 250,00\xa0US$"),
                ("stop", "diaria:stop maxima:precaucion margen:precaucion", "Quedan 100,00\xa0US$")):
            with self.subTest(name):
                self.write_status(**GUARD[name])
                app.wait_js(f"{gauges} === {json.dumps(zones)}")
                self.assertEqual(self.text("#guardia-medidores [data-clave=diaria] .holgura"), left)
                self.assertIn("USD · Non-Farm Employment Change", self.text("#guardia-noticia"))
                self.screenshot(f"guardia-{name}")
        stop = bus.notification("Pérdida diaria: stop")
        self.assertEqual((stop["app"], stop["body"]),
                         ("QUORVEX", "Usado el 80 %: quedan 100,00\xa0US$ hasta 9500,00\xa0US$."))
        bus.notification("Pérdida diaria: precaución")
        bus.notification("Nivel de margen: precaución")
        # Data that stopped coming: the guard says since when and claims no live value.
        self.write_status(age=3600, **GUARD["stop"])
        app.wait_js("document.getElementById('guardia').dataset.estado === 'antiguo'")
        self.assertRegex(self.text("#guardia-estado"), r"^Sin datos nuevos desde .*\d\d:\d\d$")
        self.assertTrue(self.text("#guardia-medidores [data-clave=diaria] .holgura").startswith("Quedaban"))
        bus.notification("MetaTrader 5 sin datos nuevos")

    def test_g_chat_notifications_count_on_the_page_and_a_click_brings_the_window_back(self):
        app, bus = self.app, self.home.bus
        app.click_element("chat-alternar")
        app.wait_js("document.getElementById('panel-chat').classList.contains('plegado')")
        def raise_one(body):
            return app.js("await Notification.requestPermission();"
                          f" new Notification('Mensaje nuevo', {{body: {json.dumps(body)}}});"
                          " return Notification.permission;", view="web:web")
        # Not allowed yet: nothing reaches the desktop or the count.
        self.assertEqual(raise_one("Antes de permitir"), "denied")
        app.click_element("chat-avisos")
        wait_for(lambda: self.home.settings().get("avisos.chat") == "permitidos", what="the stored choice")
        self.assertEqual(raise_one("Hola desde el chat"), "granted")
        app.wait_js("document.getElementById('chat-sin-leer').textContent === '1'")
        shown = bus.notification("Mensaje nuevo")
        self.assertEqual(shown["body"], "Hola desde el chat")
        # The log-in window takes the front; a click on the notification gives it back.
        app.js("document.querySelector('#sitio-exness .login').click(); return true;")
        wait_for(lambda: (lambda w: w and w["active"])(app.window("Exness · inicia sesión una vez")),
                 what="the log-in window in front")
        self.assertFalse(app.window()["active"])
        bus.click(shown["id"])
        wait_for(lambda: app.window()["active"], what="the main window in front")
        app.click_element("chat-alternar")
        app.wait_js("document.getElementById('chat-sin-leer').hidden")
        # A refusal stays one at the next start: asked again, the chat is refused, and
        # only the page's own notification reaches the desktop.
        app.click_element("chat-avisos")
        wait_for(lambda: self.home.settings().get("avisos.chat") == "denegados", what="the stored refusal")
        app.stop()
        app.start()
        app.wait_js("document.title === 'Chat'", view="web:web")
        app.wait_js("!!window.QV")
        self.assertEqual(raise_one("Tras reiniciar"), "denied")
        app.js("new Notification('Marca', {body: 'de la página'}); return true;")
        calls = bus.wait(lambda calls: calls if {"Marca"} & {c.get("summary") for c in calls} else None,
                         "the page's notification")
        self.assertNotIn("Tras reiniciar", [c.get("body") for c in calls])

    def test_h_narrow_window_keeps_the_page_within_its_width(self):
        app = self.app
        app.call("resize", width=420, height=900)
        content = wait_for(lambda: (lambda c: c if c["w"] <= 420 else None)(app.state()["content"]),
                           what="the window to narrow")
        app.wait_js("document.documentElement.clientWidth <= %d" % content["w"])
        overflow = app.js("return document.documentElement.scrollWidth - document.documentElement.clientWidth;")
        self.assertLessEqual(overflow, 0)
        self.screenshot("dashboard-estrecho")


if __name__ == "__main__":
    unittest.main()
