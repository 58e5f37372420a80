"""What the page's process keeps of the replies it is sent: a quiet page (the
proxy's test page) that fetches, twice a second, 4500 bytes from a server on
127.0.0.1 (6 KB of Base64 a reply), fresh bytes each time or always the same,
beside one that fetches nothing; the page process's own memory (Pss_Anon) at
the start and every few minutes. With QV_BASELINE, that build's three pages
run alongside.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build [QV_BASELINE=build-main] [QV_REPLY_MINUTES=12] python3 bench/reply_memory.py"""

import json
import os
import random
import time

from common import Home, Server, num, programs, start
from dashboard_floor import own_memory
from idle import tree

MINUTES = float(os.environ.get("QV_REPLY_MINUTES", "12"))
EVERY = 120  # seconds between readings
SIZE = 4500
CASES = (("bytes nuevos", "/nuevos"), ("los mismos bytes", "/mismos"), ("sin pedir nada", None))


def page_process(app):
    """The page's web process: the application's only web process here."""
    return next(p for p in tree(app.proc.pid) if open(f"/proc/{p}/comm").read().startswith("WebKitWebProc"))


def main():
    same = random.Random(1).randbytes(SIZE)
    server = Server({"/nuevos": lambda r: (200, {}, os.urandom(SIZE)), "/mismos": lambda r: (200, {}, same)})
    runs, homes = [], []
    try:
        for program, build in programs():
            for case, route in CASES:
                home = Home()
                homes.append(home)
                app = start(build, home, page="fetch")
                app.wait_js("document.readyState === 'complete' && typeof window.post === 'function'")
                if route:  # each reply replaces the last: the page keeps none
                    app.js("window.__qvFetch = (id, data) => { window.ultima = data.length; };"
                           " setInterval(() => post({id: 'r', url: %s}), 500); return true;"
                           % json.dumps(server.base + route))
                runs.append((program, case, app, page_process(app), []))
        end = time.monotonic() + MINUTES * 60
        while True:
            for *_, pid, held in runs:
                held.append(own_memory(pid))
            if time.monotonic() >= end:
                break
            time.sleep(min(EVERY, end - time.monotonic()))  # sleeping is the measurement
    finally:
        for _, _, app, _, _ in runs:
            app.stop()
        for home in homes:
            home.remove()
        server.close()

    print("### Lo que guarda el proceso de la página de las respuestas\n")
    print(f"Una página quieta (la de prueba del proxy) que pide dos veces por segundo {SIZE} bytes a un servidor"
          " en 127.0.0.1 (6 KB de Base64 cada respuesta), nuevos cada vez o siempre los mismos, al lado de una que"
          " no pide nada; cada respuesta sustituye a la anterior en la página. Memoria propia (Pss_Anon) del"
          f" proceso de la página al empezar y cada {EVERY // 60} minutos, durante {MINUTES:.0f} minutos; todas a"
          " la vez.\n")
    marks = [f"{i * EVERY // 60} min" for i in range(len(runs[0][4]))]
    print("| programa | respuestas | " + " | ".join(marks) + " |\n|---|---|" + "---:|" * len(marks))
    for program, case, _, _, held in runs:
        print(f"| {program} | {case} | " + " | ".join("—" if m is None else num(m, 1) for m in held) + " |")


if __name__ == "__main__":
    main()
