"""The live dashboard over a long run, in the four situations a trader's
machine sees: online or offline (the chat, the calendar and both sites
failing, as without a network), and with a terminal whose values do not move
or whose equity and three positions' prices move every second, as they do
while positions are open. Every program and case runs at the same time, side
by side, so that whatever else the machine does weighs on all of them alike:
CPU of the whole process tree from the scheduler's count and its PSS,
sampled every SAMPLE s.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build [QV_BASELINE=build-baseline/build] [QV_DASH_MINUTES=20] python3 bench/dashboard.py"""

import json
import os
import random
import re
import socket
import threading
import time

from common import ROOT, App, Home, Server, num, programs
import harness  # noqa: E402  (common puts it on the path)
from idle import cpu_ns, tree

MINUTES = float(os.environ.get("QV_DASH_MINUTES", "20"))
SAMPLE = 30  # seconds between samples
WARM = 60  # seconds left out of the CPU figure: start-up and first loads
SETTLED = 15 * 60  # memory growth is counted from here on
CASES = [("en línea", False), ("en línea", True), ("sin red", False), ("sin red", True)]
LOGIN = 52071834


def source_of(build):
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        return re.search(r"^CMAKE_HOME_DIRECTORY:INTERNAL=(.+)$", f.read(), re.M).group(1)


def closed_port():
    """A port on 127.0.0.1 nobody listens on: every connection is refused at once, as
    every name fails to resolve without a network."""
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return f"http://127.0.0.1:{port}"


class Terminal:
    """Writes every home's status file and account file each second, as the
    advisor does; in a moving case the equity and the prices of three positions
    take a step each time."""

    def __init__(self):
        with open(os.path.join(ROOT, "tests", "data", "mt5", "live.json")) as f:
            base = json.load(f)
        base["version"] = 2
        third = dict(base["positions"][0], ticket=901234702, symbol="GBPUSD", currentPrice=1.27104)
        base["positions"].append(third)
        self.base, self.targets, self.stop = base, [], threading.Event()
        self.thread = threading.Thread(target=self.run)

    def add(self, home, moving):
        status = json.loads(json.dumps(self.base))
        paths = [home.mt5_status("trader"), home.mt5_status("trader", name=f"quorvex_mt5_{LOGIN}.json")]
        self.targets.append((status, paths, moving))

    def run(self):
        rng = random.Random(1)
        while True:
            for status, paths, moving in self.targets:
                status["time"] = int(time.time())
                if moving:
                    for p in status["positions"]:
                        step = rng.choice((-1, 1)) * 10 ** -p["digits"] * rng.randint(1, 9)
                        p["currentPrice"] = round(p["currentPrice"] + step, p["digits"])
                        p["profit"] = round(p["profit"] + step * p["volume"] * 1e5, 2)
                    a = status["account"]
                    a["profit"] = round(sum(p["profit"] for p in status["positions"]), 2)
                    a["equity"] = round(a["balance"] + a["profit"], 2)
                    a["freeMargin"] = round(a["equity"] - a["margin"], 2)
                    a["marginLevel"] = round(a["equity"] / a["margin"] * 100, 2)
                text = json.dumps(status)
                for path in paths:
                    with open(path + ".tmp", "w") as f:
                        f.write(text)
                    os.replace(path + ".tmp", path)
            if self.stop.wait(1 - time.time() % 1):
                return


def rollup(pid, field="Pss:"):
    """One field of the process's memory rollup in MiB (Pss_Anon: what it holds alone), or None once it is
    gone."""
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            return sum(int(line.split()[1]) for line in f if line.startswith(field)) / 1024
    except OSError:
        return None


def pss_by_process(pids):
    rows = []
    for pid in pids:
        try:
            comm = open(f"/proc/{pid}/comm").read().strip()
        except OSError:
            continue
        if (pss := rollup(pid)) is not None:
            rows.append((pid, comm, pss))
    return rows


def proc_cpu_ns(pid):
    return cpu_ns([pid])


class Run:
    """One program in one case: its home, servers and application."""

    def __init__(self, program, build, online, moving, terminal, env=None):
        self.program, self.online, self.moving = program, online, moving
        self.home = Home()
        self.servers = []
        if online:
            html = {"Content-Type": "text/html; charset=utf-8"}
            account = lambda r: (200, html, b"<!doctype html><title>Cuenta</title><p>Cuenta")
            server = Server({"/chat": lambda r: (200, html, b"<!doctype html><title>Chat</title><p>Chat local"),
                             "/ff.json": lambda r: (200, {"Content-Type": "application/json"}, b"[]"),
                             "*": account})
            other = Server({"*": account}, host="127.0.0.2")
            self.servers = [server, other]
            chat, calendar = server.base + "/chat", server.base + "/ff.json"
            sites = {"exness": {"url": server.base + "/cuenta", "host": "127.0.0.1"},
                     "tradeify": {"url": other.base + "/", "host": "127.0.0.2"}}
        else:
            dead = closed_port()
            chat, calendar = dead + "/chat", dead + "/ff.json"
            sites = {"exness": {"url": dead + "/cuenta", "host": "127.0.0.1"},
                     "tradeify": {"url": dead + "/", "host": "127.0.0.1"}}
        terminal.add(self.home, moving)
        harness.HOST = os.path.join(build, "bin", "qv_e2e_host")
        self.app = App(self.home, page=None, env=env, resourcesFolder=source_of(build), chatAppURL=chat, sitios=sites,
                       pageScript="window.__qvConfig = %s;" % json.dumps({"calendarUrl": calendar})).start()
        self.app.wait_js("document.getElementById('mt5-estado').dataset.estado === 'vivo'", timeout=60)
        self.samples = []  # (seconds since the start, CPU ns of the tree, PSS MiB)
        self.cpu_of = {}  # pid → (comm, CPU ns at the warm mark)

    def sample(self, t):
        pids = tree(self.app.proc.pid)
        rows = pss_by_process(pids)
        self.samples.append((t, cpu_ns(pids), sum(r[2] for r in rows)))
        return pids, rows

    def close(self):
        self.app.stop()
        for s in self.servers:
            s.close()
        self.home.remove()


def growth_per_hour(samples):
    """Least-squares slope of PSS after SETTLED, in MiB an hour."""
    late = [(t, p) for t, _, p in samples if t >= SETTLED]
    if len(late) < 3:
        return None
    mt = sum(t for t, _ in late) / len(late)
    mp = sum(p for _, p in late) / len(late)
    den = sum((t - mt) ** 2 for t, _ in late)
    return sum((t - mt) * (p - mp) for t, p in late) / den * 3600


def at(samples, second):
    return min(samples, key=lambda s: abs(s[0] - second))


def main():
    terminal = Terminal()
    terminal.thread.start()
    runs = []
    load = [os.getloadavg()[0]]
    try:
        for program, build in programs():
            for (network, moving) in CASES:
                runs.append(Run(program, build, network == "en línea", moving, terminal))
        t0 = time.monotonic()
        end = MINUTES * 60
        marks = {}
        while True:
            t = time.monotonic() - t0
            for r in runs:
                pids, _ = r.sample(t)
                if not r.cpu_of and t >= WARM:
                    r.cpu_of = {p: (open(f"/proc/{p}/comm").read().strip(), proc_cpu_ns(p)) for p in pids}
            load.append(os.getloadavg()[0])
            if t >= end:
                break
            time.sleep(SAMPLE - (time.monotonic() - t0) % SAMPLE)  # sleeping is the measurement
        for r in runs:
            marks[id(r)] = [(p, comm, (proc_cpu_ns(p) - ns) / 1e9 / (r.samples[-1][0] - WARM) * 100)
                            for p, (comm, ns) in r.cpu_of.items()]
            marks[id(r)].sort(key=lambda x: -x[2])
            marks[id(r)] = (marks[id(r)], {p: pss for p, _, pss in pss_by_process(tree(r.app.proc.pid))})
    finally:
        terminal.stop.set()
        terminal.thread.join()
        for r in runs:
            r.close()

    span = runs[0].samples[-1][0]
    print("### El panel en vivo, con red y sin ella, durante "
          f"{span / 60:.0f} minutos\n")
    print("El panel de verdad con sus sondeos de siempre; el terminal reescribe cada segundo el archivo de estado"
          " y el de su cuenta (versión 2, tres posiciones). «se mueven»: el capital y los precios de las tres"
          " posiciones cambian cada segundo; «quietos»: solo la hora del archivo. «en línea»: el chat, el"
          " calendario y los dos sitios servidos desde 127.0.0.1; «sin red»: todos rechazan la conexión, como"
          " sin red, y la página reintenta. Todos los programas y casos corren a la vez, lado a lado; CPU de"
          f" todo el árbol de procesos según la cuenta del planificador desde el minuto {WARM // 60} hasta el"
          f" final, y su PSS muestreado cada {SAMPLE} s (con {len(runs)} árboles a la vez, las páginas compartidas se"
          " reparten entre ellos: el PSS de cada uno es menor que solo). Carga media de la máquina durante la"
          f" pasada: {num(sum(load) / len(load), 2)} (mín. {num(min(load), 2)}, máx. {num(max(load), 2)})."
          " Metas: ≤ 2 % de un núcleo; el PSS no crece más de 5 MiB por hora"
          " pasados 15 minutos.\n")
    print("| programa | red | valores | CPU (% de un núcleo) | PSS a 1 min | a 15 min | al final |"
          " crecimiento tras 15 min |")
    print("|---|---|---|---:|---:|---:|---:|---:|")
    for r in runs:
        first, last = at(r.samples, WARM), r.samples[-1]
        cpu = (last[1] - first[1]) / 1e9 / (last[0] - first[0]) * 100
        g = growth_per_hour(r.samples)
        print(f"| {r.program} | {'en línea' if r.online else 'sin red'} | {'se mueven' if r.moving else 'quietos'}"
              f" | {num(cpu, 2)} % | {at(r.samples, 60)[2]:.0f} MiB | {at(r.samples, SETTLED)[2]:.0f} MiB"
              f" | {last[2]:.0f} MiB | {'—' if g is None else num(g, 1) + ' MiB/h'} |")
    step = 300 if span <= 30 * 60 else 900
    print(f"\nPSS del árbol a lo largo de la pasada (MiB), cada {step // 60} minutos:\n")
    times = [s for s in range(0, int(span) + 1, step)]
    print("| programa | red | valores | " + " | ".join(f"{s // 60} min" for s in times) + " |")
    print("|---|---|---|" + "---:|" * len(times))
    for r in runs:
        print(f"| {r.program} | {'en línea' if r.online else 'sin red'} | {'se mueven' if r.moving else 'quietos'} | "
              + " | ".join(f"{at(r.samples, s)[2]:.0f}" for s in times) + " |")
    print("\nLos procesos de cada árbol que gastan al menos 0,1 % o tienen al menos 10 MiB, CPU desde el minuto 1 y"
          " PSS al final (el primer `WebKitWebProces` con más CPU es el de la página):\n")
    print("| programa | red | valores | proceso | CPU (% de un núcleo) | PSS |\n|---|---|---|---|---:|---:|")
    for r in runs:
        rows, pss = marks[id(r)]
        for p, comm, cpu in rows:
            if cpu >= 0.1 or pss.get(p, 0) >= 10:
                print(f"| {r.program} | {'en línea' if r.online else 'sin red'} | {'se mueven' if r.moving else 'quietos'}"
                      f" | `{comm}` | {num(cpu, 2)} % | {num(pss.get(p, 0), 1)} MiB |")


if __name__ == "__main__":
    main()
