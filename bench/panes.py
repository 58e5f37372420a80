"""What the panes cost: PSS and processes of the whole tree with the page, one
web pane and two playing 720p HLS video panes, and which process each added
view brought with it. The PSS of a fresh start falls from one start to the
next in the same session, so the programs take turns, ROUNDS starts each,
and each figure is the median start.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build [QV_BASELINE=build-main] python3 bench/panes.py"""

import os
import time

from common import Home, median_start, programs, start
from idle import pss_mib, tree
from video import Stream, playing, video

SETTLE = 5
ROUNDS = 3
STEPS = [("la página", None),
         ("panel web", {"cmd": "web", "slot": "chat", "url": None, "x": 880, "y": 40, "w": 380, "h": 780}),
         ("vídeo 1", ("uno", (40, 80, 640, 360))),
         ("vídeo 2", ("dos", (40, 460, 640, 360)))]


def name_of(pid):
    try:
        return open(f"/proc/{pid}/comm").read().strip()
    except OSError:
        return "?"


def decodes_video(pid):
    """Whether the process has the H.264 decoder loaded: only a web process
    that plays a video does."""
    try:
        return any("libavcodec" in line for line in open(f"/proc/{pid}/maps"))
    except OSError:
        return False


def measure(build, stream, tag):
    """(PSS, processes) of the tree, and each process with the step that brought it."""
    home = Home()
    try:
        with start(build, home, page="panes", videoBaseURL=stream.base) as app:
            app.wait_js("document.readyState === 'complete' && !!window.clicks")
            seen, brought = set(), []
            for step, message in STEPS:
                if isinstance(message, dict):
                    app.post(dict(message, url=stream.server.base + "/chat"))
                    app.wait_js("document.readyState === 'complete' && !!document.body", view="web:chat")
                elif message:
                    slot, rect = message
                    app.post(video(slot, stream.url(f"{tag}-{slot}"), rect))
                    playing(app, slot)
                time.sleep(2)  # helpers of the new view start after its first load
                for pid in tree(app.proc.pid):
                    if pid not in seen:
                        seen.add(pid)
                        brought.append((step, pid))
            time.sleep(SETTLE)  # sleeping is the measurement: everything playing at rest
            pids = tree(app.proc.pid)
            rows = [(step, name_of(pid), pss_mib([pid]), decodes_video(pid)) for step, pid in brought if pid in pids]
            return pss_mib(pids), len(pids), rows
    finally:
        home.remove()


def comma(value, digits=0):
    return f"{value:.{digits}f}".replace(".", ",")


def main():
    stream = Stream()
    try:
        runs = {name: [] for name, _ in programs()}
        for r in range(ROUNDS):
            for name, build in programs():
                runs[name].append(measure(build, stream, f"{name}-{r}"))
    finally:
        stream.close()
    # The start whose PSS is the median (ROUNDS is odd), with its own processes and rows.
    results = [(name, median_start(found)) for name, found in runs.items()]
    first = results[0][1][0]
    print("### La página con un panel web y dos paneles de vídeo\n")
    print("La página de prueba de paneles, un panel web (una página pequeña) y dos paneles de vídeo que"
          " reproducen la emisión HLS de 720p, todo desde 127.0.0.1; PSS de todo el árbol de procesos"
          f" {SETTLE} s después de que el segundo vídeo avance; los programas se turnan, {ROUNDS} arranques"
          " cada uno, y cada cifra es la del arranque mediano (el PSS de un arranque nuevo baja de uno al"
          " siguiente en la misma sesión). Meta: ≤ 0,75× la de «antes».\n")
    print("| programa | PSS | × la primera | procesos |")
    print("|---|---:|---:|---:|")
    for name, (pss, count, _) in results:
        print(f"| {name} | {comma(pss)} MiB | {comma(pss / first, 2)}× | {count} |")
    print("\nQué proceso trajo cada vista al abrirse, con su PSS (las de un proceso repartido se cuentan una vez;"
          " «H.264» dice si tiene cargado el decodificador de vídeo):\n")
    print("| programa | vista | proceso | PSS | H.264 |")
    print("|---|---|---|---:|---|")
    for name, (_, _, rows) in results:
        grouped = {}
        for step, process, pss, decoder in rows:
            count, total, any_decoder = grouped.get((step, process), (0, 0, False))
            grouped[step, process] = (count + 1, total + pss, any_decoder or decoder)
        for (step, process), (count, pss, decoder) in grouped.items():
            times = f" ×{count}" if count > 1 else ""
            print(f"| {name} | {step} | `{process}`{times} | {comma(pss, 1)} MiB | {'sí' if decoder else 'no'} |")
        shared = [step for step, _ in STEPS if not any(s == step for s, _, _, _ in rows)]
        for step in shared:
            print(f"| {name} | {step} | ninguno nuevo | — | — |")


if __name__ == "__main__":
    main()
