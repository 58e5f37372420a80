"""What the main page and the web panes may do on the real engine (forms,
downloads, dialogs, files, camera), and what a view nobody governs (a video
pane) may not. A page that asks before it is left is let go."""

import json
import os
import socket
import unittest

from harness import Server, start_app, wait_for

MESSAGE = "¿Borrar «todo»? 100% %s <b>sí</b>\nsegunda línea"
ASKS_BEFORE_LEAVING = "<script>addEventListener('beforeunload', e => { e.preventDefault(); e.returnValue = ''; });</script>"


def attachment(name, body):
    return lambda request: (200, {"Content-Type": "text/plain",
                                  "Content-Disposition": f'attachment; filename="{name}"'}, body)


def cut_off(request):
    """An attachment that promises more than it sends, then hangs up."""
    request.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100000\r\n"
                        b'Content-Disposition: attachment; filename="cortado.txt"\r\n\r\nsolo el principio')
    request.connection.shutdown(socket.SHUT_RDWR)


class Policies(unittest.TestCase):
    """One start of the application, with a web pane and a video pane."""

    @classmethod
    def setUpClass(cls):
        cls.server = Server({
            "/panel": lambda r: (200, {"Content-Type": "text/html; charset=utf-8"}, panel.encode()),
            "/pregunta": lambda r: (200, {"Content-Type": "text/html; charset=utf-8"}, asking.encode()),
            "/formulario": lambda r: (200, {"Content-Type": "text/html; charset=utf-8"}, panel.encode()),
            # A type the engine shows: only the download attribute makes it a download.
            "/panel/informe.pdf": lambda r: (200, {"Content-Type": "text/plain"}, b"desde el panel"),
            "/adjunto": attachment("informe.pdf", b"adjunto"),
            "/ajeno": attachment("ajeno.txt", b"ajeno"),
            "/cortado": cut_off,
        }, cleanup=cls.addClassCleanup)
        base = cls.server.base
        cls.links = {"descarga": base + "/pagina/informe.pdf", "adjunto": base + "/adjunto",
                     "panel": base + "/panel/informe.pdf"}
        panel = ("<!doctype html><meta charset='utf-8'><title>panel</title>"
                 # A notice meant for the main page must not show up here.
                 "<script>window.avisos = []; window.__qvAviso = (n, t) => avisos.push(t);</script>"
                 "<p><a id='descarga' download href='%(panel)s'>descargar informe</a><form action='/formulario'>"
                 "<input name='q' value='dato'><button id='enviar'>enviar</button></form>") % cls.links
        asking = panel + ASKS_BEFORE_LEAVING
        cls.home, cls.app = start_app(
            cls.addClassCleanup, "document.readyState === 'complete' && !!window.avisos", page="policy",
            mockCaptureDevices=True, videoBaseURL=base + "/",
            pageScript="window.destinos = %s;" % json.dumps(cls.links))
        cls.app.post({"cmd": "video", "slot": "mudo", "id": "mudo", "tipo": "kick", "hls": base + "/sin.m3u8",
                      "vol": 0, "x": 300, "y": 500, "w": 200, "h": 120})
        cls.app.wait_js("document.readyState === 'complete'", view="video:mudo")
        cls.open_panel("panel")

    @classmethod
    def open_panel(cls, slot, path="/panel"):
        return cls.app.open_pane(slot, cls.server.base + path, "!!document.getElementById('enviar')", x=700, w=520)

    def uri(self, view):
        return self.app.pane("web", view[len("web:"):])["uri"]

    def go(self, url, view="main"):
        self.app.js("setTimeout(() => { location.href = %s; }, 50); return true;" % json.dumps(url), view=view)

    # Where new windows go is test_trust's and the unit tables'. The pane's page asks before it is
    # left, and the user has clicked in it: it goes all the same.
    def test_a_pane_s_form_stays_in_the_pane_though_its_page_asks_before_it_is_left(self):
        self.addCleanup(self.app.post, {"cmd": "webOcultar", "slot": "pregunta"})  # over the shared pane
        view = self.open_panel("pregunta", "/pregunta")
        self.app.click_element("enviar", view)
        wait_for(lambda: self.uri(view) == self.server.base + "/formulario?q=dato", what="the form's answer")

    def test_downloads_land_under_free_names_in_downloads_and_only_the_main_page_hears(self):
        steps = [  # what starts it; the name and content it lands with in Downloads, or None and when it was asked
            # An attachment cut off half-way, then one asked for by a view nobody governs: neither lands.
            (lambda: self.go(self.server.base + "/cortado"), None, lambda: self.server.hits("/cortado")),
            (lambda: self.go(self.server.base + "/ajeno", "video:mudo"), None, lambda: self.server.hits("/ajeno")),
            (lambda: self.app.click_element("adjunto"), "informe.pdf", b"adjunto"),
            (lambda: self.app.click_element("descarga", "web:panel"), "informe (1).pdf", b"desde el panel"),
            (lambda: self.app.click_element("local"), "informe.txt", b"desde la pagina local\n"),  # the page's own file
        ]
        for n, (start, name, body) in enumerate(steps):
            with self.subTest(name=name, n=n):
                start()
                if name is None:
                    wait_for(body, what="the request")
                    continue
                self.app.wait_js("window.avisos.length === %d" % (len([s for s in steps[:n + 1] if s[1]])))
                with open(os.path.join(self.home.downloads, name), "rb") as f:
                    self.assertEqual(f.read(), body)
        self.assertEqual(self.app.js("return window.avisos;"), ["Guardado en Descargas"] * 3)
        self.assertEqual(self.app.js("return window.avisos;", view="web:panel"), [])
        self.assertEqual(sorted(os.listdir(self.home.downloads)), ["informe (1).pdf", "informe.pdf", "informe.txt"])
        # The local page's download link points at another origin: an ordinary link, for the browser.
        self.app.click_element("descarga")
        wait_for(lambda: self.links["descarga"] in self.home.opened(), what="the download link in the browser")
        self.assertFalse([u for u in self.home.opened() if "adjunto" in u or "panel/informe" in u])
        self.assertEqual(self.uri("web:panel"), self.server.base + "/panel")

    def test_dialogs_are_modal_on_the_main_window_and_capture_asks_nothing(self):
        chosen = os.path.join(self.home.root, "elegido.txt")
        with open(chosen, "w") as f:
            f.write("contenido elegido")
        later = "setTimeout(() => { %s }, 50); return true;"
        confirm = later % ("window.respuesta = confirm(%s);" % json.dumps(MESSAGE))
        message = {"type": "message", "text": MESSAGE, "buttons": ["Aceptar", "Cancelar"], "modal": True,
                   "parent": "QUORVEX"}
        files = {"type": "files", "action": "open", "modal": True, "parent": "QUORVEX"}
        steps = [  # view, what asks (a script, or a #element clicked), the dialog shown, the answer, what the page got
            ("main", confirm, message, {"button": "Cancelar"}, False),
            ("web:panel", confirm, message, {"button": "Aceptar"}, True),
            ("main", later % "alert('Aviso'); window.respuesta = 'visto';",
             dict(message, text="Aviso", buttons=["Aceptar"]), {"button": "Aceptar"}, "visto"),
            ("main", "#uno", dict(files, multiple=False), {"file": chosen}, {"uno": ["elegido.txt"]}),
            ("main", "#varios", dict(files, multiple=True), {}, {"varios": "cancelado"}),
        ]
        for view, ask, shown, answer, expected in steps:
            with self.subTest(view=view, shown=shown):
                self.app.js("window.respuesta = undefined; return true;", view=view)
                self.app.click_element(ask[1:], view) if ask.startswith("#") else self.app.js(ask, view=view)
                self.assertEqual(wait_for(lambda: self.app.call("dialogs")["dialogs"], what="the dialog"), [shown])
                self.assertTrue(self.app.call("answer", **answer).get("ok"))
                got = self.app.wait_js("window.respuesta !== undefined && [respuesta]", view=view)
                self.assertEqual(got, [expected])
        self.assertEqual(self.app.js("return await document.getElementById('uno').files[0].text();"),
                         "contenido elegido")
        # A prompt answers null without a dialog; a view nobody governs gets every answer at once.
        self.assertIsNone(self.app.js("return prompt('¿Nombre?', 'por defecto');"))
        self.assertEqual(self.app.js("alert('uno'); return [confirm('dos'), prompt('tres', 'por defecto')];",
                                     view="video:mudo"), [False, None])
        capture = ("const s = await navigator.mediaDevices.getUserMedia({video: true, audio: true});"
                   " const kinds = s.getTracks().map(t => t.kind).sort(); s.getTracks().forEach(t => t.stop());"
                   " return kinds;")
        self.assertEqual([self.app.js(capture, view=v) for v in ("main", "web:panel")], [["audio", "video"]] * 2)
        self.assertEqual(self.app.call("dialogs")["dialogs"], [])


if __name__ == "__main__":
    unittest.main()
