"""Network route throughput, side by side in one run: 1 MB and 32 MB bodies
from a server on 127.0.0.1, fetched through the network route and decoded in
the page by the dashboard's own decoder (`QV.puente.base64ABytes`), against
the page's own `fetch()` of the same URL into an ArrayBuffer and against
`curl`; then the longest the main loop went without a turn while 64 fetches
of 1 MB complete, from a watchdog preloaded into the application
(bench/watchdog). Each program (this build and QV_BASELINE's) runs at once,
the rounds interleaved.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build [QV_BASELINE=build-main] python3 bench/throughput.py"""

import json
import os
import signal
import subprocess
import sys
import time

from common import Home, Server, harness, median, num, programs, start

MB = 1 << 20
# Body size, rounds, and fetches in a row per round: performance.now() moves in
# 1 ms steps, coarse beside a 1 MB fetch, so each round times several.
SIZES = [(1 * MB, 10, 8), (32 * MB, 4, 1)]
BURST = 64


def curl_ms(url):
    out = subprocess.run(["curl", "-s", "-o", "/dev/null", "-w", "%{time_total}", url],
                         capture_output=True, text=True, check=True).stdout
    return float(out) * 1000


def route_ms(app, url, size, tag, count=1):
    """Posting the fetch to holding the decoded bytes, in milliseconds: the
    mean of `count` fetches, one after the other."""
    result = app.js(
        "const t0 = performance.now();"
        " for (let i = 0; i < %d; i++) {"
        "  const [r] = await fetchAll([{id: %s + i, url: %s}], {timeoutMs: 120000});"
        "  if (!r || r.error) return r ? r.error : 'sin respuesta';"
        "  const n = bytesOf(r.data).length;"
        "  replies.length = 0;"  # let the big texts go
        "  if (n !== %d) return 'tamaño ' + n;"
        " }"
        " return (performance.now() - t0) / %d;"
        % (count, json.dumps(f"caudal-{tag}-"), json.dumps(url), size, count), timeout=180)
    if not isinstance(result, (int, float)):
        sys.exit(f"{url}: {result}")
    return result


def page_fetch_ms(app, url, size, count=1):
    """The page's own fetch() of the URL into bytes, in milliseconds: the mean
    of `count`, one after the other."""
    result = app.js(
        "const t0 = performance.now();"
        " for (let i = 0; i < %d; i++) {"
        "  const r = await fetch(%s);"
        "  const n = new Uint8Array(await r.arrayBuffer()).length;"
        "  if (n !== %d) return 'tamaño ' + n;"
        " }"
        " return (performance.now() - t0) / %d;" % (count, json.dumps(url), size, count), timeout=180)
    if not isinstance(result, (int, float)):
        sys.exit(f"{url}: {result}")
    return result


def longest_gap_ms(app, url, watch, tag):
    """The main loop's longest gap while BURST fetches of `url` complete."""
    def span():  # (number, longest gap, CPU and run-queue wait within it), or None while the file is rewritten
        fields = open(watch).read().split() if os.path.exists(watch) else ["0"] * 4
        return [int(v) for v in fields] if len(fields) == 4 else None

    before = harness.wait_for(span)[0]
    os.kill(app.proc.pid, signal.SIGUSR2)
    harness.wait_for(lambda: (s := span()) and s[0] > before, what="the watchdog to restart")
    result = app.js(
        "const rs = await fetchAll(Array.from({length: %d}, (_, i) => ({id: '%s-' + i, url: %s})),"
        " {timeoutMs: 120000});"
        " const ok = rs.filter((r) => !r.error).length;"
        " replies.length = 0;"
        " return ok;" % (BURST, tag, json.dumps(url)), timeout=180)
    if result != BURST:
        sys.exit(f"{url}: {result} of {BURST} fetches answered")
    _, gap, cpu, wait = harness.wait_for(span)
    return gap / 1000, cpu / 1000, wait / 1000


def main():
    bodies = {f"/{size}": os.urandom(size) for size, _, _ in SIZES}
    cors = {"Access-Control-Allow-Origin": "*", "Content-Type": "application/octet-stream"}
    server = Server({path: (lambda body: lambda r: (200, cors, body))(body) for path, body in bodies.items()})
    watchdog = os.path.join(harness.BUILD, "lib", "qv_watchdog.so")
    homes, apps = [], []
    times = {}  # (program, size, what) -> [ms]
    gaps = {}
    try:
        for name, build in programs():
            home = Home()
            homes.append(home)
            env = {"LD_PRELOAD": watchdog, "QV_WATCHDOG": os.path.join(home.root, "watchdog")}
            app = start(build, home, page="fetch", env=env)
            apps.append((name, app, env["QV_WATCHDOG"]))
            app.wait_js("document.readyState === 'complete' && typeof window.fetchAll === 'function'")
        for size, rounds, in_a_row in SIZES:
            url = f"{server.base}/{size}"
            for name, app, _ in apps:  # warm up: connections, caches
                route_ms(app, url, size, f"{size}-calentamiento")
                page_fetch_ms(app, url, size)
            for r in range(-1, rounds):
                for name, app, _ in apps:
                    route = route_ms(app, url, size, f"{size}-{r}", in_a_row)
                    page = page_fetch_ms(app, url, size, in_a_row)
                    if r >= 0:
                        times.setdefault((name, size, "red"), []).append(route)
                        times.setdefault((name, size, "fetch"), []).append(page)
                curl = curl_ms(url)
                if r >= 0:
                    times.setdefault(("curl", size, ""), []).append(curl)
        for r in range(3):
            for name, app, watch in apps:
                gaps.setdefault(name, []).append(longest_gap_ms(app, f"{server.base}/{MB}", watch, f"ráfaga-{r}"))
    finally:
        for _, app, _ in apps:
            app.stop()
        server.close()
        for home in homes:
            home.remove()

    print("### Ruta de red, decodificada en la página\n")
    print("Medianas; «frente a fetch()» es la ruta de red entre el `fetch()` propio de la página en la misma"
          " ronda del mismo programa. `performance.now()` avanza a saltos de 1 ms: cada ronda de 1 MB es la media"
          f" de {SIZES[0][2]} fetch seguidos. Meta: 1 MB ≤ 1,2×, 32 MB ≤ 2× (1,5× como reto).\n")
    print("| cuerpo | programa | ruta de red → bytes | fetch() de la página | curl | frente a fetch() | meta |")
    print("|---:|---|---:|---:|---:|---:|---:|")
    for size, _, _ in SIZES:
        goal = "1,2×" if size == MB else "2×"
        curl = median(times[("curl", size, "")])
        for name, _, _ in apps:
            route, page = times[(name, size, "red")], times[(name, size, "fetch")]
            ratio = median([a / b for a, b in zip(route, page)])
            print(f"| {size // MB} MB | {name} | {num(median(route), 1)} ms | {num(median(page), 1)} ms"
                  f" | {num(curl, 1)} ms | {num(ratio, 2)}× | {goal} |")
    print(f"\n### El bucle principal mientras terminan {BURST} fetch de 1 MB\n")
    print("Mayor hueco entre dos vueltas de un temporizador de 1 ms en el bucle principal (prioridad alta),"
          " la peor de 3 ráfagas y su mediana, con lo que el hilo principal pasó dentro de ese hueco en la CPU"
          " y listo para correr pero esperando un núcleo (la cuenta del propio planificador): lo que falta"
          " hasta el hueco es tiempo dormido, esperando algo. Meta: ≤ 8 ms.\n")
    print("| programa | peor | mediana | en la CPU | esperando un núcleo | meta |")
    print("|---|---:|---:|---:|---:|---:|")
    for name, _, _ in apps:
        worst = max(gaps[name])
        print(f"| {name} | {num(worst[0], 1)} ms | {num(median(g[0] for g in gaps[name]), 1)} ms"
              f" | {num(worst[1], 1)} ms | {num(worst[2], 1)} ms | 8 ms |")


if __name__ == "__main__":
    main()
