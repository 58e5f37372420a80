"""The real dashboard in the real application, with a local calendar feed, a
local site, a status file in the Wine prefix and a session bus of the test's
own: what the page makes of its data is the page tests'; here, that it reaches
the page, is drawn, and reaches the desktop."""

import datetime
import json
import os
import re
import time
import unittest
import zoneinfo

from harness import ROOT, DesktopBus, Home, Server, start_app, wait_for

STOP = {"equity": 9600.0, "margin": 12000.0, "freeMargin": -2400.0, "marginLevel": 80.0, "profit": -400.0}
NOTICES = ("[...document.querySelectorAll('#avisos .aviso')]"
           ".map(a => a.dataset.fijo + ':' + a.querySelector('strong').textContent).join('|')")


class Dashboard(unittest.TestCase):
    """Each case starts the application anew: no MetaTrader 5 file, a site that fails until
    `site_fails[0]` is cleared."""

    def setUp(self):
        self.site_fails = [True]

        def site(request):  # the card's fetches fail until told; the start page always loads
            if self.site_fails[0] and "text/html" not in (request.headers.get("Accept") or ""):
                return 500, {"Content-Type": "text/plain"}, b"caido"
            return 200, {"Content-Type": "text/html; charset=utf-8"}, b"<title>Exness</title>"

        soon = (datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(hours=1)).isoformat()
        feed = json.dumps([{"title": "Non-Farm Payrolls", "country": "USD", "date": soon, "impact": "High"}]).encode()
        self.server = Server({"/": site, "/chat": lambda r: (200, {"Content-Type": "text/html"}, b"<title>Chat</title>"),
                              "/ff.json": lambda r: (200, {"Content-Type": "application/json"}, feed)},
                             cleanup=self.addCleanup)
        self.home = Home()
        self.addCleanup(self.home.remove)
        self.bus = DesktopBus(self.home.root)
        self.addCleanup(self.bus.stop)
        self.status_path = self.home.mt5_status("trader")
        # The page reads its configuration at its first load: no load may see the real calendar's address.
        config = {"calendarUrl": self.server.base + "/ff.json", "mt5PollMs": 200, "staleSeconds": 600,
                  "sitePollMs": 500, "retryBaseMs": 200, "retryMaxMs": 400, "fetchTimeoutMs": 5000}
        _, self.app = start_app(
            self.addCleanup, "document.readyState === 'complete' && window.QV && QV.config.mt5PollMs === 200",
            home=self.home, page=None, resourcesFolder=ROOT, chatAppURL=self.server.base + "/chat",
            sitios={"exness": {"url": self.server.base + "/", "host": "127.0.0.1"}},
            pageScript="window.__qvConfig = %s;" % json.dumps(config),
            # Xvfb has no GPU: without this WebKit hands the window buffers nobody paints.
            env={"WEBKIT_DISABLE_DMABUF_RENDERER": "1", "DBUS_SESSION_BUS_ADDRESS": self.bus.address})

    def set_limits(self):
        """The user's limits: the first preset, and the account's initial balance."""
        self.write_status()
        self.state("#mt5-estado", "vivo")
        self.app.click_element("guardia-limites")
        self.app.wait_js("!document.getElementById('guardia-ajustes').hidden")
        self.assertTrue(self.app.js("const p = document.getElementById('guardia-plantilla'); p.value = '0';"
                                    " p.dispatchEvent(new Event('change'));"
                                    " const form = document.getElementById('guardia-ajustes');"
                                    " form.elements.saldoInicial.value = '10000';"
                                    " document.getElementById('guardia-guardar').click(); return form.hidden;"))

    def write_status(self, name="guard-normal.json", age=0, path=None, mtime=None, **account):
        """A data file, written whole, at the status path or `path`; with an `mtime`, its deals closed in the
        last minutes (kept by the journal) and the file dated so."""
        path, now = path or self.status_path, int(time.time())
        with open(os.path.join(ROOT, "tests", "data", "mt5", name)) as f:
            status = json.load(f)
        status["account"].update(account)
        status["time"] = now - age
        for i, deal in enumerate(status["deals"] if mtime else []):
            deal["openTime"], deal["closeTime"] = now - 600 + i * 60, now - 300 + i * 60
        with open(path + ".tmp", "w") as f:
            json.dump(status, f)
        os.replace(path + ".tmp", path)
        if mtime:
            os.utime(path, (mtime, mtime))

    def screenshot(self, name, notices=True):
        # Two animation frames: what the DOM holds now has been painted. Without the notices, what
        # they would cover shows (they come back at once).
        hide = "" if notices else "document.getElementById('avisos').style.visibility = 'hidden';"
        self.app.js(hide + "await new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r))); return true;")
        self.app.screenshot(name)
        if not notices:
            self.app.js("document.getElementById('avisos').style.visibility = ''; return true;")

    def text(self, selector):
        return self.app.js("return document.querySelector(%s).textContent.trim();" % json.dumps(selector))

    def state(self, selector, want):
        self.app.wait_js("document.querySelector(%s).dataset.estado === %s" % (json.dumps(selector), json.dumps(want)))

    def notices_clear_of_the_panes(self):
        box = self.app.js("const r = document.getElementById('avisos').getBoundingClientRect();"
                          " return {x: r.x, y: r.y, w: r.width, h: r.height};")
        return all(box["x"] + box["w"] <= b["x"] or b["x"] + b["w"] <= box["x"] or box["y"] + box["h"] <= b["y"] or
                   b["y"] + b["h"] <= box["y"] for b in (p["bounds"] for p in self.app.state()["panes"] if p["visible"]))

    def test_live_status_fills_the_panel_and_the_guard_notifies_the_page_and_the_desktop(self):
        app, bus = self.app, self.bus
        self.set_limits()
        app.wait_js("document.getElementById('guardia-cuenta').textContent === '7010203'")
        self.assertEqual([self.text("#mt5-estado"), re.sub(r"\D", "", self.text("#mt5-balance"))],
                         ["En vivo", "1000000"])
        row = app.js("return [...document.querySelectorAll('#mt5-posiciones tbody td')].map(c => c.textContent);")
        self.assertEqual(row[:5], ["EURUSD", "Compra", "1,00", "1,08500", "1,08450"])
        gauges = ("[...document.querySelectorAll('#guardia-medidores .medidor')]"
                  ".map(m => m.dataset.clave + ':' + m.dataset.zona).join(' ')")
        # The file's account with a deeper loss: which zones notify is the page tests'.
        self.write_status(**STOP)
        app.wait_js(f"{gauges} === 'diaria:stop maxima:precaucion margen:precaucion'")
        app.wait_js(f"{NOTICES} === 'si:Pérdida diaria: stop|no:Pérdida máxima: precaución"
                    "|no:Nivel de margen: precaución'")
        self.screenshot("guardia-stop")
        # The others go by themselves; the stop stays.
        app.wait_js(f"{NOTICES} === 'si:Pérdida diaria: stop'")
        shown = bus.notification("Pérdida diaria: stop")
        self.assertEqual((shown["app"], shown["body"]), ("QUORVEX", "Usado el 80 %: quedan 100,00\xa0US$ hasta 9500,00\xa0US$."))
        bus.notification("Nivel de margen: precaución")
        wait_for(self.notices_clear_of_the_panes, what="the notices clear of the chat pane")
        # Narrow, the page keeps within its width, the notices clear of the panes; the stop's goes at its button.
        app.call("resize", width=420, height=900)
        content = wait_for(lambda: app.state()["content"], ok=lambda c: c["w"] <= 420, what="the window to narrow")
        app.wait_js("document.documentElement.clientWidth <= %d" % content["w"])
        self.assertLessEqual(app.js("const e = document.documentElement; return e.scrollWidth - e.clientWidth;"), 0)
        wait_for(self.notices_clear_of_the_panes, what="the notices clear of the panes in a narrow window")
        self.screenshot("guardia-stop-estrecho")
        app.click(*app.js("const r = document.querySelector('#avisos .aviso-cerrar').getBoundingClientRect();"
                          " return [r.x + r.width / 2, r.y + r.height / 2];"))
        app.wait_js("document.getElementById('avisos').hidden")
        # Data that stopped coming: the panel and the guard say so, and so does the desktop.
        self.write_status(age=3600, **STOP)
        self.state("#guardia", "antiguo")
        self.state("#mt5-estado", "antiguo")
        bus.notification("MetaTrader 5 sin datos nuevos")

    def test_two_accounts_from_two_prefixes_lockout_calculator_and_the_journal_in_downloads(self):
        app, bus = self.app, self.bus
        self.set_limits()

        def files(**account):  # the account files of both terminals, and their one files
            mtime, put = time.time(), self.write_status
            put("account-7010203.json", path=self.home.mt5_status("trader", name="quorvex_mt5_7010203.json"),
                mtime=mtime, **account)
            put("account-7010203.json", mtime=mtime, **account)
            put("account-52071834.json", path=self.home.mt5_status("otro", ".mt5", "quorvex_mt5_52071834.json"),
                mtime=mtime - 1)
            put("account-52071834.json", path=self.home.mt5_status("otro", ".mt5"), mtime=mtime - 30)

        # Both terminals' accounts reach the page (which file wins is the reader's unit tests').
        files()
        app.wait_js("[...document.getElementById('mt5-selector').options].map(o => o.value).join() === ',7010203,52071834'"
                    " && !document.getElementById('mt5-selector').hidden")
        # The day's loss limit of the preset breaks: the guard locks until the reset and says so.
        files(equity=9400.0, profit=-600.0)
        app.wait_js("!document.getElementById('guardia-bloqueo').hidden")
        self.assertIn("QUORVEX no puede impedir que el terminal siga operando",
                      bus.notification("Límite alcanzado: Pérdida diaria")["body"])
        self.assertRegex(self.text("#guardia-bloqueo-texto"), r"^Pérdida diaria: rota a las .* Se reinicia en ")
        app.js("document.getElementById('panel-mt5').scrollIntoView(); return true;")
        self.screenshot("guardia-bloqueo", notices=False)
        # The calculator: 1 % of 10 000 over 200 points of EURUSD is half a lot.
        app.js("const c = document.getElementById('calculadora'); c.elements.simbolo.value = 'EURUSD';"
               " c.elements.distancia.value = '200'; c.elements.unidad.value = 'puntos'; c.elements.riesgo.value = 'porcentaje';"
               " c.elements.valor.value = '1'; c.dispatchEvent(new Event('input')); c.scrollIntoView({block: 'center'}); return true;")
        app.wait_js("document.getElementById('calc-lotes').textContent === '0,50'")
        self.screenshot("calculadora", notices=False)
        # The journal: an ordinary download of the page, named by the account and the trading day.
        day = datetime.datetime.now(zoneinfo.ZoneInfo("Europe/Berlin")).date().isoformat()  # the preset's 00:00 CET
        name = f"quorvex_diario_7010203_{day}.csv"
        app.wait_js("document.getElementById('dia-operaciones').textContent !== '0'")
        app.js("document.getElementById('dia-exportar').scrollIntoView(); return true;")
        app.click_element("dia-exportar")
        path = os.path.join(self.home.downloads, name)
        wait_for(lambda: os.path.exists(path), what=f"{name} in Downloads")
        with open(path, encoding="utf-8") as f:
            self.assertTrue(f.read().startswith("\ufeffCuenta;7010203;Prop-Demo;USD\n"))

    def test_start_site_card_chat_notifications_and_no_molestar(self):
        app, bus = self.app, self.bus
        self.assertEqual(app.js("return document.getElementById('badge-nativo').dataset.nativo;"), "si")
        self.state("#mt5-estado", "sin-mt5")
        self.state("#calendario", "ok")
        self.assertEqual(self.text("#calendario tr.evento .titulo"), "Non-Farm Payrolls")
        chat = wait_for(lambda: app.pane("web", "web"), what="the chat pane",
                        ok=lambda p: p and p["visible"] and p["uri"].endswith("/chat"))["bounds"]
        zone = app.js("const r = document.getElementById('chat-zona').getBoundingClientRect();"
                      " return [Math.round(r.x), Math.round(r.y), Math.round(r.width)];")
        self.assertEqual([chat["x"], chat["y"], chat["w"]], zone)
        # The site card shows the host's error, and keeps its words once the site connects.
        card = ("#sitio-exness .estado", "#sitio-exness .error")
        for state, words in (("error", ["HTTP 500"] * 2), ("conectado", ["Conectado", "HTTP 500"])):
            self.state(card[0], state)
            self.assertEqual([self.text(c) for c in card], words)
            self.site_fails[0] = False
        app.wait_js("document.readyState === 'complete' && location.href.endsWith('/chat')", view="web:web")
        app.click_element("chat-alternar")
        app.wait_js("document.getElementById('panel-chat').classList.contains('plegado')")

        def raise_one(body):
            return app.js("await Notification.requestPermission();"
                          f" new Notification('Mensaje nuevo', {{body: {json.dumps(body)}}}); return true;",
                          view="web:web")

        raise_one("Antes de permitir")
        app.click_element("chat-avisos")
        wait_for(lambda: self.home.settings().get("avisos.chat") == "permitidos", what="the stored choice")
        raise_one("Hola desde el chat")
        app.wait_js("document.getElementById('chat-sin-leer').textContent === '1'")
        shown = bus.notification("Mensaje nuevo")
        self.assertEqual(shown["body"], "Hola desde el chat")
        # The log-in window takes the front; a click on the notification gives it back.
        app.js("document.querySelector('#sitio-exness .login').click(); return true;")
        wait_for(lambda: (app.window("Exness · inicia sesión una vez") or {}).get("active"), what="the log-in window")
        self.assertFalse(app.window()["active"])
        bus.click(shown["id"])
        wait_for(lambda: app.window()["active"], what="the main window in front")
        # Withdrawn, though the engine granted it: only the page's own notification reaches the desktop.
        app.click_element("chat-avisos")
        wait_for(lambda: self.home.settings().get("avisos.chat") == "denegados", what="the stored refusal")
        raise_one("Tras retirar")
        app.js("new Notification('Marca', {body: 'de la página'}); return true;")
        calls = bus.wait(lambda calls: calls if "Marca" in {c.get("summary") for c in calls} else None, "the mark")
        self.assertEqual([c["body"] for c in calls if c.get("summary") == "Mensaje nuevo"], ["Hola desde el chat"])
        self.assertEqual(self.text("#chat-sin-leer"), "1")
        # "No molestar" from the menu's own action mutes the chat in the engine and holds the page's
        # notification; the page's switch ends it with one summary.
        chat = lambda: app.pane("web", "web")
        self.assertFalse(chat()["muted"])
        app.call("action", name="noMolestar")
        app.wait_js("document.getElementById('no-molestar').dataset.activo === 'si'")
        self.assertTrue(chat()["muted"])
        app.js("new Notification('Retenida', {body: 'durante el silencio'}); return true;")
        wait_for(lambda: self.home.settings().get("noMolestar.retenidos") == "1", what="the held notification")
        app.click_element("no-molestar")
        self.assertEqual(bus.notification("No molestar terminado")["body"], "Mientras estaba activo llegó 1 aviso.")
        self.assertNotIn("Retenida", {c.get("summary") for c in bus.wait(lambda calls: calls, "the calls")})
        self.assertFalse(chat()["muted"])
        # "Recursos" from the menu opens the panel: each view by the process the system knows it by,
        # with its memory and, from the second reading on, its share of a core.
        app.call("action", name="recursos")
        rows = wait_for(lambda: app.js("return [...document.querySelectorAll('#recursos-filas tr')]"
                                       ".map((tr) => [...tr.cells].map((c) => c.textContent));"),
                        ok=lambda rows: len(rows) > 1 and rows[0][3] != "—", what="the CPU shares")
        self.assertEqual([r[:2] for r in rows[:2]], [["Panel principal", str(app.pid("main"))],
                                                     ["Chat", str(app.pid("web:web"))]])
        self.assertTrue(all(float(r[2].split()[0].replace(",", ".")) > 1 for r in rows[:2]), rows)


if __name__ == "__main__":
    unittest.main()
