"""Page-to-page round trip of the status route: from posting "qv-mt5://estado"
in the real web view to the reply with a 2 KB status file reaching the page,
measured inside the page with performance.now(), 1000 round trips in blocks
of 100 that alternate between the programs (this build and QV_BASELINE's).

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build [QV_BASELINE=build-main] python3 bench/roundtrip.py [rounds]"""

import os
import subprocess
import sys

from common import Home, harness, median, num, percentile, programs, start

WARM_UP = 30
BLOCK = 100


def write_status_file(home, size=2048):
    with open(home.mt5_status("usuario"), "wb") as f:
        f.write(b'{"relleno": "' + b"x" * (size - 15) + b'"}')
    return size


def block(app, first, count, size):
    """`count` round trips, each posted from the reply to the one before, so
    that nothing but the bridge lies between them; their times and the
    block's whole span, in ms."""
    result = app.js(
        "return await new Promise((resolve) => {"
        "  const own = window.__qvFetch, out = [], start = performance.now();"
        "  let i = %d, t0 = 0;"
        "  const ask = () => { t0 = performance.now(); post({id: 'ida-' + i, url: 'qv-mt5://estado'}); };"
        "  window.__qvFetch = (id, data, error) => {"
        "    const end = (why) => { window.__qvFetch = own; resolve(why); };"
        "    if (id !== 'ida-' + i) return end('otra respuesta: ' + id);"
        "    if (error || bytesOf(data).length !== %d) return end(error || 'tamaño');"
        "    out.push(performance.now() - t0);"
        "    if (++i === %d) return end({times: out, total: performance.now() - start});"
        "    ask();"
        "  };"
        "  ask();"
        "});" % (first, size, first + count), timeout=300)
    if not isinstance(result, dict):
        sys.exit(f"round trip failed: {result}")
    return result


def engine_floor():
    """The engine's own round trip, from bench/delivery/echo.cpp, as table rows."""
    echo = os.path.join(harness.BUILD, "bin", "qv_echo_bench")
    if not os.path.exists(echo):
        return ""
    return subprocess.run([echo], capture_output=True, text=True, check=True).stdout


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    homes, apps = [], []
    results = {}
    try:
        for name, build in programs():
            home = Home()
            homes.append(home)
            size = write_status_file(home)
            app = start(build, home, page="fetch")
            app.wait_js("document.readyState === 'complete' && typeof window.fetchAll === 'function'")
            block(app, -WARM_UP, WARM_UP, size)
            apps.append((name, app))
        for first in range(0, rounds, BLOCK):
            for name, app in apps:
                r = block(app, first, min(BLOCK, rounds - first), size)
                times, total = results.setdefault(name, ([], [0]))
                times.extend(r["times"])
                total[0] += r["total"]
    finally:
        for _, app in apps:
            app.stop()
        for home in homes:
            home.remove()

    print('### Ida y vuelta de "qv-mt5://estado" (archivo de estado de 2 KB)\n')
    print(f"{rounds} idas y vueltas por programa, en bloques de {BLOCK} alternados, tras {WARM_UP} de"
          " calentamiento; cada ida sale de la respuesta a la anterior, sin nada más entre ellas."
          " `performance.now()` avanza en WebKitGTK a saltos de 1 ms: la media (tiempo total"
          " entre idas y vueltas) es la cifra fina. Meta: media ≤ 0,3 ms.\n")
    print("| programa | media | mediana | p99 | máximo | frente a la meta |")
    print("|---|---:|---:|---:|---:|---:|")
    for name, (times, total) in results.items():
        mean = total[0] / rounds
        print(f"| {name} | {num(mean, 3)} ms | {median(times):.0f} ms | {percentile(times, 0.99):.0f} ms"
              f" | {max(times):.0f} ms | {num(mean / 0.3, 1)}× |")
    floor = engine_floor()
    if floor:
        print("\nEl suelo del motor en la misma máquina (`bench/delivery/echo.cpp`): la página envía un"
              " mensaje y el hilo principal contesta al momento evaluando una llamada en ella, 1000 veces,"
              " sin leer archivo ni decodificar nada; media. La tercera fila es el suelo de esta ida y vuelta"
              " (lo que queda por encima es nuestro); la cuarta, la otra vía de vuelta del motor, la promesa"
              " de un mensaje con respuesta.\n")
        print("| forma | media |\n|---|---:|")
        print(floor, end="")


if __name__ == "__main__":
    main()
