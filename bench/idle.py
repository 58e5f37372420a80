"""What a page that changes one line of text each second costs at rest: CPU
of the whole process tree over 20 s and its PSS, with the renderers QUORVEX
chooses for this machine, with GTK's GL renderer forced and in Chromium,
taking turns; then the live dashboard itself with its own polls, everything
it reaches served from 127.0.0.1. The median of three starts each.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build python3 bench/idle.py"""

import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

from common import ROOT, App, Home, Server, chromium_command, median_start, num

PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pages", "reloj")
SETTLE, SPAN, PASSES = 5, 20, 3


def tree(pid):
    try:
        children = open(f"/proc/{pid}/task/{pid}/children").read().split()
    except OSError:
        return []
    return [pid] + [p for c in children for p in tree(int(c))]


def cpu_ticks(pids):
    """Clock ticks on a CPU of the processes, threads that have ended included:
    for a load well above the tick, such as a playing video."""
    total = 0
    for pid in pids:
        try:
            fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total


def cpu_ns(pids):
    """Time on a CPU of every thread the processes have now, in ns, from the
    scheduler's own count: a clock-tick count is too coarse for a page that
    wakes once a second. A thread that ends inside the span takes its time
    with it; a page at rest starts and ends none."""
    total = 0
    for pid in pids:
        try:
            tasks = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for tid in tasks:
            try:
                total += int(open(f"/proc/{pid}/task/{tid}/schedstat").read().split()[0])
            except OSError:
                pass
    return total


def pss_mib(pids):
    total = 0
    for pid in pids:
        try:
            total += sum(int(line.split()[1]) for line in open(f"/proc/{pid}/smaps_rollup")
                         if line.startswith("Pss:"))
        except OSError:
            pass
    return total / 1024


def at_rest(pid):
    """CPU (% of a core) of the tree over SPAN after SETTLE, its PSS and size."""
    time.sleep(SETTLE)  # sleeping is the measurement: the page at rest
    before = cpu_ns(tree(pid))
    time.sleep(SPAN)
    pids = tree(pid)
    used = (cpu_ns(pids) - before) / 1e9 / SPAN * 100
    return used, pss_mib(pids), len(pids)


def measure(env):
    home = Home()
    try:
        with App(home, page=None, resourcesFolder=PAGE, env=env) as app:
            app.wait_js("document.getElementById('t').textContent !== ''")
            return at_rest(app.proc.pid)
    finally:
        home.remove()


def dashboard():
    """The dashboard with its default polls, a terminal that rewrites its status
    file every second, and a local chat, calendar feed and both sites, where
    the user is logged in."""
    home = Home()
    with open(os.path.join(ROOT, "tests", "data", "mt5", "live.json")) as f:
        status = json.load(f)
    path = home.mt5_status("trader")
    html = {"Content-Type": "text/html; charset=utf-8"}
    account = lambda r: (200, html, b"<!doctype html><title>Cuenta</title><p>Cuenta")
    server = Server({"/chat": lambda r: (200, html, b"<!doctype html><title>Chat</title><p>Chat local"),
                     "/ff.json": lambda r: (200, {"Content-Type": "application/json"}, b"[]"), "*": account})
    other = Server({"*": account}, host="127.0.0.2")
    stop = threading.Event()

    def terminal():
        while True:
            status["time"] = int(time.time())
            with open(path + ".tmp", "w") as f:
                json.dump(status, f)
            os.replace(path + ".tmp", path)
            if stop.wait(1):
                return

    writer = threading.Thread(target=terminal)
    writer.start()
    try:
        with App(home, page=None, resourcesFolder=ROOT, chatAppURL=server.base + "/chat",
                 sitios={"exness": {"url": server.base + "/cuenta", "host": "127.0.0.1"},
                         "tradeify": {"url": other.base + "/", "host": "127.0.0.2"}},
                 pageScript="window.__qvConfig = %s;" % json.dumps({"calendarUrl": server.base + "/ff.json"})) as app:
            app.wait_js("document.getElementById('mt5-estado').dataset.estado === 'vivo'", timeout=30)
            return at_rest(app.proc.pid)
    finally:
        stop.set()
        writer.join()
        server.close()
        other.close()
        home.remove()


def chromium():
    profile = tempfile.mkdtemp(prefix="qv-chromium-")
    log = open(os.path.join(profile, "stderr"), "w+")
    proc = subprocess.Popen(chromium_command(os.path.join(PAGE, "web", "index.html"), profile),
                            stdout=subprocess.DEVNULL, stderr=log)
    try:
        end = time.monotonic() + 60
        while "cargada" not in open(log.name).read():
            if time.monotonic() > end:
                raise RuntimeError("chromium never loaded the page")
            time.sleep(0.1)
        return at_rest(proc.pid)
    finally:
        proc.kill()
        proc.wait()
        shutil.rmtree(profile, ignore_errors=True)


def main():
    print("### Una página en reposo con un reloj\n")
    print(f"La página cambia una línea de texto cada segundo (`bench/pages/reloj`); CPU de todo el árbol de"
          f" procesos durante {SPAN} s tras {SETTLE} s de espera, según la cuenta del planificador, y su PSS;"
          f" los programas se turnan, {PASSES} arranques cada uno, y cada cifra es la del arranque mediano por CPU."
          " Metas: CPU ≤ la de Chromium; PSS ≤ 0,6× la de Chromium.\n")
    print("| programa | CPU (% de un núcleo) | PSS | procesos |")
    print("|---|---:|---:|---:|")
    rows = [("QUORVEX, el elegido", lambda: measure({})),
            ("QUORVEX, GL de GTK forzado", lambda: measure({"GSK_RENDERER": "gl"}))]
    if shutil.which("chromium"):
        rows.append(("Chromium --app", chromium))
    runs = {name: [] for name, _ in rows}
    for _ in range(PASSES):
        for name, run in rows:
            runs[name].append(run())
    for name, results in runs.items():
        used, pss, count = median_start(results)
        print(f"| {name} | {num(used, 2)} % | {pss:.0f} MiB | {count} |")
    used, pss, count = median_start([dashboard() for _ in range(PASSES)])
    print("\nEl panel de verdad, con sus sondeos de siempre (el estado de MT5 cada segundo, el archivo reescrito"
          " cada segundo como lo hace el terminal), el chat en su panel, el calendario y los dos sitios con la"
          f" sesión iniciada, servidos desde 127.0.0.1; lo mismo medido, arranque mediano de {PASSES}."
          " Meta: ≤ 2 % de un núcleo.\n")
    print("| programa | CPU (% de un núcleo) | PSS | procesos |\n|---|---:|---:|---:|")
    print(f"| QUORVEX, el panel en vivo | {num(used, 2)} % | {pss:.0f} MiB | {count} |")


if __name__ == "__main__":
    main()
