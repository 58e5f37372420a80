"""Spawn to the page's load event, cold, for QUORVEX (with the renderers it
chooses, and with GTK's GL forced) and for Chromium --app on the same page
(when the chromium package is installed; without its sandbox, which refuses
root). Medians of 5 starts, the programs taking turns.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build python3 bench/start.py"""

import os
import re
import shutil
import statistics
import subprocess
import tempfile
import time

from common import App, Home, chromium_command, num

PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pages", "reloj")
RUNS = 5


def quorvex(env):
    home = Home()
    try:
        spawned = time.time()
        with App(home, page=None, resourcesFolder=PAGE, env=env) as app:
            return app.wait_js("window.cargada") / 1000 - spawned
    finally:
        home.remove()


def chromium():
    profile = tempfile.mkdtemp(prefix="qv-chromium-")
    try:
        spawned = time.time()
        proc = subprocess.Popen(
            chromium_command(os.path.join(PAGE, "web", "index.html"), profile), stdout=subprocess.DEVNULL,
            stderr=subprocess.PIPE, text=True)
        try:
            for line in proc.stderr:
                found = re.search(r"cargada ([0-9.]+)", line)
                if found:
                    return float(found.group(1)) / 1000 - spawned
        finally:
            proc.kill()
            proc.wait()
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    raise RuntimeError("chromium never loaded the page")


def main():
    rows = [("QUORVEX (renderizado elegido)", lambda: quorvex({})),
            ("QUORVEX (GL de GTK forzado)", lambda: quorvex({"GSK_RENDERER": "gl"}))]
    if shutil.which("chromium"):
        rows.append(("Chromium --app", chromium))
    # The programs take turns, so that a drift of the machine weighs on each alike.
    times = {name: [] for name, _ in rows}
    for _ in range(RUNS):
        for name, run in rows:
            times[name].append(run())
    medians = {name: statistics.median(found) for name, found in times.items()}
    reference = medians.get("Chromium --app")
    print("### Arranque hasta el evento load\n")
    print("La misma página del reloj, arranque en frío; Chromium de Debian con `--app`, `--disable-gpu` y sin"
          " su sandbox (la máquina corre como root); los programas se turnan arranque a arranque. Meta: ≤ 0,7×"
          " Chromium (0,5× como reto).\n")
    print("| programa | arranque → load (mediana de %d) | frente a Chromium |" % RUNS)
    print("|---|---:|---:|")
    for name, value in medians.items():
        ratio = f"{num(value / reference, 2)}×" if reference else "—"
        print(f"| {name} | {num(value, 2)} s | {ratio} |")


if __name__ == "__main__":
    main()
