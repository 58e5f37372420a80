"""What the main page and the web panes may do: links, new windows, loads in
place, downloads, dialogs, file inputs, camera and microphone; and what a
view nobody governs (a video pane) may not."""

import glob
import json
import os
import socket
import threading
import unittest
from string import Template

from harness import PAGES, App, Home, Server, wait_for

PANEL = os.path.join(PAGES, "policy", "web", "panel.html")
PANEL_RECT = {"x": 700, "y": 20, "w": 520, "h": 400}


def page(title):
    return lambda request: (200, {"Content-Type": "text/html; charset=utf-8"},
                            f"<!doctype html><title>{title}</title><p>{title}</p>".encode())


def attachment(name, body):
    return lambda request: (200, {"Content-Type": "text/plain",
                                  "Content-Disposition": f'attachment; filename="{name}"'}, body)


def plain(body):
    # A type the engine shows: only the download attribute makes it a download.
    return lambda request: (200, {"Content-Type": "text/plain"}, body)


class CutOffServer:
    """An attachment that promises more than it sends, then hangs up."""

    def __init__(self):
        self.sock = socket.create_server(("127.0.0.1", 0))
        self.base = f"http://127.0.0.1:{self.sock.getsockname()[1]}"
        self.cut = threading.Event()
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            with conn:
                conn.recv(65536)
                conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100000\r\n"
                             b'Content-Disposition: attachment; filename="cortado.txt"\r\n\r\nsolo el principio')
            self.cut.set()

    def close(self):
        self.sock.close()


class Policies(unittest.TestCase):
    """Cases that share one start of the application."""

    @classmethod
    def setUpClass(cls):
        cls.home = Home()
        cls.addClassCleanup(cls.home.remove)
        cls.propio = Server({"/propia": page("propia")}, host="127.0.0.2")
        cls.addClassCleanup(cls.propio.close)
        cls.server = Server({
            "/panel": cls.panel,
            "/pagina/informe.pdf": plain(b"desde la pagina"),
            "/panel/informe.pdf": plain(b"desde el panel"),
            "/adjunto": attachment("informe.pdf", b"adjunto"),
            "/hostil": attachment("../../evil.txt", b"hostil"),
            "/ajeno": attachment("ajeno.txt", b"ajeno"),
            "/destino": page("destino"),
            "/formulario": page("formulario"),
        })
        cls.addClassCleanup(cls.server.close)
        base, tls = cls.server.base, f"https://127.0.0.1:{cls.server.port}"
        cls.links = {"fuera": tls + "/fuera", "descarga": base + "/pagina/informe.pdf",
                     "adjunto": base + "/adjunto", "ventana": f"https://127.0.0.2:{cls.propio.port}/ventana"}
        cls.panel_links = {"fuera": tls + "/fuera-panel", "propia": cls.propio.base + "/propia",
                           "ajena": base + "/ajena", "descarga": base + "/panel/informe.pdf"}
        cls.app = App(cls.home, page="policy", paneNewWindowHostFragment="127.0.0.2", mockCaptureDevices=True,
                      videoBaseURL=base + "/", kickPlayerBase=base + "/kick/",
                      youTubeApiScript=base + "/iframe_api",
                      pageScript="window.destinos = %s;" % json.dumps(cls.links)).start()
        cls.addClassCleanup(cls.app.stop)
        cls.app.wait_js("document.readyState === 'complete'"
                        " && document.getElementById('fuera').href === %s" % json.dumps(cls.links["fuera"]))
        cls.main_uri = cls.app.state()["mainUri"]

    @classmethod
    def panel(cls, request):
        with open(PANEL) as f:
            html = Template(f.read()).substitute(cls.panel_links)
        return 200, {"Content-Type": "text/html; charset=utf-8"}, html.encode()

    def open_panel(self, slot):
        """A web pane with the panel page, hidden again after the case."""
        self.app.post(dict(PANEL_RECT, cmd="web", slot=slot, url=self.server.base + "/panel"))
        self.addCleanup(self.app.post, {"cmd": "webOcultar", "slot": slot})
        self.app.wait_js("document.readyState === 'complete' && !!document.getElementById('enviar')",
                         view="web:" + slot)
        wait_for(lambda: self.app.pane("web", slot)["mapped"], what="the pane on screen")
        return "web:" + slot

    def pane_uri(self, view):
        return self.app.pane("web", view[len("web:"):])["uri"]

    def wait_opened(self, url):
        wait_for(lambda: url in self.home.opened(), what=f"{url} in the browser")

    def dialog(self, script, view="main"):
        """Runs a script that asks for a dialog; returns the dialog once it is up."""
        self.app.js("setTimeout(() => { %s }, 50); return true;" % script, view=view)
        return wait_for(lambda: (self.app.call("dialogs")["dialogs"] or [None])[-1], what="the dialog")

    def notices(self):
        return self.app.js("return window.avisos;")

    # Navigation and new windows

    def test_window_open_from_the_main_page_goes_to_the_browser_whatever_the_host(self):
        self.app.js("window.ventana = 'sin abrir'; return true;")
        self.app.click_element("ventana")
        self.wait_opened(self.links["ventana"])
        self.assertIs(self.app.js("return window.ventana === null;"), True)
        # A window.open with no click behind it is test_trust's.
        self.assertEqual([w["title"] for w in self.app.state()["windows"]], ["QUORVEX"])
        self.assertEqual(self.propio.hits("/ventana"), [])

    def test_new_window_links_in_a_pane_stay_in_it_only_for_the_configured_host(self):
        view = self.open_panel("ventanas")
        self.app.click_element("ajena", view)
        self.wait_opened(self.panel_links["ajena"])
        self.assertEqual(self.pane_uri(view), self.server.base + "/panel")
        self.app.click_element("propia", view)
        wait_for(lambda: self.pane_uri(view) == self.panel_links["propia"], what="the pane on its own link")
        self.app.wait_js("document.title === 'propia'", view=view)
        self.assertNotIn(self.panel_links["propia"], self.home.opened())
        self.assertEqual(self.server.hits("/ajena"), [])
        self.assertEqual([w["title"] for w in self.app.state()["windows"]], ["QUORVEX"])

    def test_script_loads_and_form_submissions_proceed_in_place(self):
        destino = self.server.base + "/destino"
        self.app.js("setTimeout(() => { location.href = %s; }, 50); return true;" % json.dumps(destino))
        self.app.wait_js("document.title === 'destino'")
        self.assertEqual(self.app.state()["mainUri"], destino)
        self.app.js("setTimeout(() => history.back(), 50); return true;")
        self.app.wait_js("document.readyState === 'complete' && !!window.destinos && !!window.avisos")
        self.assertEqual(self.app.state()["mainUri"], self.main_uri)

        view = self.open_panel("formulario")
        self.app.click_element("enviar", view)
        self.app.wait_js("document.title === 'formulario'", view=view)
        self.assertEqual(self.pane_uri(view), self.server.base + "/formulario?q=dato")
        self.assertFalse([u for u in self.home.opened() if "/destino" in u or "/formulario" in u])

    # Downloads

    def wait_download(self, name, body, notices):
        """Waits for the download's notice in the main page, then checks what landed."""
        self.app.wait_js("window.avisos.length === %d" % notices)
        with open(os.path.join(self.home.downloads, name), "rb") as f:
            self.assertEqual(f.read(), body)

    def test_downloads_take_free_names_in_downloads_and_notify_the_main_page(self):
        before = len(self.notices())
        panel = self.open_panel("descargas")
        self.app.js("window.sinMover = true; return true;")
        steps = [("adjunto", "main", "informe.pdf", b"adjunto"),
                 ("descarga", panel, "informe (1).pdf", b"desde el panel")]
        for n, (element, view, name, body) in enumerate(steps, 1):
            with self.subTest(name=name):
                self.app.click_element(element, view)
                self.wait_download(name, body, before + n)
        self.assertEqual(self.notices()[before:], ["Guardado en Descargas"] * 2)
        self.assertEqual(self.app.js("return window.avisos;", view=panel), [])
        # The downloads were not handed to the browser, and nobody moved.
        self.assertFalse([u for u in self.home.opened() if "informe" in u or "adjunto" in u])
        # The local page's download link points at another origin: an ordinary link.
        self.app.click_element("descarga")
        self.wait_opened(self.links["descarga"])
        self.assertIs(self.app.js("return window.sinMover === true;"), True)
        self.assertEqual(self.pane_uri(panel), self.server.base + "/panel")
        # A hostile suggested name lands inside Downloads all the same.
        self.app.js("setTimeout(() => { location.href = %s; }, 50); return true;"
                    % json.dumps(self.server.base + "/hostil"))
        self.wait_download("evil.txt", b"hostil", before + 3)
        found = glob.glob(os.path.join(self.home.root, "**", "evil*"), recursive=True)
        self.assertEqual(found, [os.path.join(self.home.downloads, "evil.txt")])

    def test_script_made_download_link_keeps_its_name_and_a_cut_off_download_gives_no_notice(self):
        notices = len(self.notices())
        cut = CutOffServer()
        self.addCleanup(cut.close)
        self.app.js("setTimeout(() => { location.href = %s; }, 50); return true;" % json.dumps(cut.base + "/cortado"))
        self.assertTrue(cut.cut.wait(20))
        self.app.js("const a = document.createElement('a');"
                    " a.href = URL.createObjectURL(new Blob(['a;b\\n1;2'], {type: 'text/csv'}));"
                    " a.download = 'datos.csv'; document.body.appendChild(a); a.click(); a.remove(); return true;")
        self.wait_download("datos.csv", b"a;b\n1;2", notices + 1)
        self.assertEqual(len(self.notices()), notices + 1)
        self.assertEqual(glob.glob(os.path.join(self.home.downloads, "cortado*")), [])

    # Dialogs and the file chooser

    def test_dialogs_are_modal_over_the_main_window_and_answer_with_their_button(self):
        message = "¿Borrar «todo»? 100% %s <b>sí</b>\nsegunda línea"
        cases = [("main", "Aceptar", True), ("main", "Cancelar", False),
                 (self.open_panel("dialogos"), "Aceptar", True)]
        for view, button, expected in cases:
            with self.subTest(view=view, button=button):
                self.app.js("window.respuesta = undefined; return true;", view=view)
                shown = self.dialog("window.respuesta = confirm(%s);" % json.dumps(message), view)
                self.assertEqual(shown, {"type": "message", "text": message, "buttons": ["Aceptar", "Cancelar"],
                                         "modal": True, "parent": "QUORVEX"})
                self.app.call("answer", button=button)
                self.assertEqual(self.app.wait_js("typeof window.respuesta === 'boolean' && [window.respuesta]",
                                                  view=view), [expected])
        shown = self.dialog("alert('Aviso de prueba'); window.alertado = true;")
        self.assertEqual((shown["text"], shown["buttons"], shown["parent"]), ("Aviso de prueba", ["Aceptar"], "QUORVEX"))
        self.app.call("answer", button="Aceptar")
        self.app.wait_js("window.alertado === true")
        # A prompt answers null without a dialog.
        self.assertIsNone(self.app.js("return prompt('¿Nombre?', 'por defecto');"))
        self.assertEqual(self.app.call("dialogs")["dialogs"], [])

    def test_a_view_nobody_governs_answers_dialogs_at_once_and_downloads_nothing(self):
        self.app.post(dict(PANEL_RECT, cmd="video", slot="mudo", id="mudo", tipo="kick",
                           hls=self.server.base + "/sin-video.m3u8", vol=0))
        self.addCleanup(self.app.post, {"cmd": "videoOcultar"})
        self.app.wait_js("document.readyState === 'complete'", view="video:mudo")
        answers = self.app.js("alert('uno'); return [confirm('dos'), prompt('tres', 'por defecto')];",
                              view="video:mudo")
        self.assertEqual(answers, [False, None])
        self.assertEqual(self.app.call("dialogs")["dialogs"], [])

        notices = len(self.notices())
        self.app.js("setTimeout(() => { location.href = %s; }, 50); return true;"
                    % json.dumps(self.server.base + "/ajeno"), view="video:mudo")
        wait_for(lambda: self.server.hits("/ajeno"), what="the attachment to be asked for")
        # A download of the main page, asked for afterwards, is the one and only notice.
        self.app.js("const a = document.createElement('a'); a.download = 'despues.txt';"
                    " a.href = URL.createObjectURL(new Blob(['despues'])); a.click(); return true;")
        self.wait_download("despues.txt", b"despues", notices + 1)
        self.assertEqual(len(self.notices()), notices + 1)
        self.assertEqual(glob.glob(os.path.join(self.home.downloads, "ajeno*")), [])

    def test_file_input_gets_the_chosen_file_and_nothing_when_cancelled(self):
        chosen = os.path.join(self.home.root, "elegido.txt")
        with open(chosen, "w") as f:
            f.write("contenido elegido")
        for element, multiple, answer, expected in (("uno", False, {"file": chosen}, ["elegido.txt"]),
                                                     ("varios", True, {}, "cancelado")):
            with self.subTest(element=element):
                before = self.app.js("return window.elecciones.length;")
                self.app.click_element(element)
                shown = wait_for(lambda: self.app.call("dialogs")["dialogs"], what="the file chooser")
                self.assertEqual(shown, [{"type": "files", "action": "open", "multiple": multiple,
                                          "modal": True, "parent": "QUORVEX"}])
                self.assertTrue(self.app.call("answer", **answer).get("ok"))
                self.assertEqual(self.app.wait_js("window.elecciones.length > %d && window.elecciones.at(-1)" % before),
                                 {"input": element, "que": expected})
        self.assertEqual(self.app.js("return await document.getElementById('uno').files[0].text();"),
                         "contenido elegido")
        self.assertEqual(self.app.js("return document.getElementById('varios').files.length;"), 0)

    def test_camera_and_microphone_are_granted_without_a_prompt(self):
        capture = ("const s = await navigator.mediaDevices.getUserMedia({video: true, audio: true});"
                   " const kinds = s.getTracks().map(t => t.kind).sort();"
                   " s.getTracks().forEach(t => t.stop()); return kinds;")
        for view in ("main", self.open_panel("medios")):
            with self.subTest(view=view):
                self.assertEqual(self.app.js(capture, view=view), ["audio", "video"])
        self.assertEqual(self.app.call("dialogs")["dialogs"], [])


if __name__ == "__main__":
    unittest.main()
