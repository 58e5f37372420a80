"""What hibernation gives back: PSS of the whole process tree with the page
alone, on a fresh start, and later in the same start with the page, a chat
pane and two playing 720p HLS video panes once every pane has been hidden
(the videos muted) past the hibernation time, with hibernation on and off,
taking turns; then, with it on, how long each pane takes to be back to its
content once shown again. The median of ROUNDS starts of each.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build [QV_BASELINE=build-main] python3 bench/hibernation.py"""

import json
import os
import time

from common import Home, median, median_start, num, programs, start
from harness import write
from idle import pss_mib, tree
from panes import decodes_video, name_of
from video import Stream, playing, video

SETTLE = 5
ROUNDS = 3
MINUTES = "0.1"
MODES = [("encendida", MINUTES), ("apagada", "0")]
CHAT_RECT = {"x": 880, "y": 40, "w": 380, "h": 780}
VIDEOS = [("uno", (40, 80, 640, 360)), ("dos", (40, 460, 640, 360))]
PANES = [("chat", "panel web"), ("uno", "vídeo 1"), ("dos", "vídeo 2")]


def back_at(app, checks, timeout=30):
    """The wall-clock time (ms) at which each view was back, as its own page
    tells it: a check is a script that answers that time once the view is
    back, 0 before. Since the page keeps the time, the looks can be few and
    short, and take little from the loads they wait for; a view that does not
    answer yet (its process still starting) is asked again after the others."""
    found, end = {}, time.monotonic() + timeout
    while len(found) < len(checks):
        if time.monotonic() > end:
            raise AssertionError(f"not back: {sorted(set(checks) - set(found))}")
        for view, script in checks.items():
            if view in found:
                continue
            try:
                value = app.call("eval", view=view, js=script, timeout=0.5).get("value")
            except AssertionError:
                value = None
            if value:
                found[view] = value
        time.sleep(0.25)
    return found


def web_back(address):
    # The end of the load of the document at that address.
    return ("const n = performance.getEntriesByType('navigation')[0];"
            f" return location.href === {json.dumps(address)} && document.readyState === 'complete'"
            " && n && n.loadEventEnd > 0 ? performance.timeOrigin + n.loadEventEnd : 0;")


# When the stream started again: now less the time it has played, once it has played a little. A stall
# on the way only puts that later.
VIDEO_BACK = ("const v = document.getElementById('v');"
              " return v && !v.paused && v.currentTime > 0.2 ? Date.now() - v.currentTime * 1000 : 0;")


def until_back(app, messages, address):
    """Seconds from posting the messages that show the panes until each is on its content, by slot."""
    since = time.time() * 1000
    app.post(*messages)
    at = back_at(app, {"web:chat": web_back(address), **{f"video:{slot}": VIDEO_BACK for slot, _ in VIDEOS}})
    return {view.split(":")[1]: (t - since) / 1000 for view, t in at.items()}


def measure(build, stream, minutes, tag):
    """(hidden PSS ÷ page alone, page alone, hidden PSS, processes after hiding, the panes' first
    opening and their wake, each in s by slot)."""
    home = Home()
    write(os.path.join(home.config, "quorvex", "settings.json"), json.dumps({"hibernar.minutos": minutes}))
    try:
        with start(build, home, page="panes", videoBaseURL=stream.base) as app:
            app.wait_js("document.readyState === 'complete' && !!window.clicks")
            time.sleep(SETTLE)  # sleeping is the measurement: the page alone at rest
            alone = pss_mib(tree(app.proc.pid))

            # All three open at once, as they come back; then the chat pane moves on to a channel, the
            # address it must come back to.
            chat = dict(CHAT_RECT, cmd="web", slot="chat", url=stream.server.base + "/chat")
            channel = stream.server.base + "/chat/canal"
            shown = [video(slot, stream.url(f"{tag}-{slot}"), rect) for slot, rect in VIDEOS]
            opened = until_back(app, [chat, *shown], chat["url"])
            app.js(f"location.href = {json.dumps(channel)}; return true;", view="web:chat")
            app.wait_js(f"location.href === {json.dumps(channel)} && document.readyState === 'complete'",
                        view="web:chat")
            for slot, _ in VIDEOS:
                playing(app, slot)

            # Every pane out of sight, the videos only hidden, as the page does for one slot at a time.
            app.post({"cmd": "webOcultar", "slot": "chat"}, {"cmd": "videoOcultar", "quedan": ["ninguno"]})
            time.sleep(float(MINUTES) * 60 + SETTLE)  # sleeping is the measurement: hidden past the time
            pids = tree(app.proc.pid)
            hidden = pss_mib(pids)
            rows = [(name_of(pid), pss_mib([pid]), decodes_video(pid)) for pid in pids]

            woke = until_back(app, [chat, *shown], channel) if minutes != "0" else {}
            return hidden / alone, alone, hidden, rows, opened, woke
    finally:
        home.remove()


def main():
    stream = Stream()
    try:
        runs = {(name, mode): [] for name, _ in programs() for mode, _ in MODES}
        for r in range(ROUNDS):
            for name, build in programs():
                for mode, minutes in MODES:
                    runs[name, mode].append(measure(build, stream, minutes, f"{name}-{mode}-{r}"))
    finally:
        stream.close()
    print("### Paneles ocultos que hibernan\n")
    print("La página de prueba de paneles sola, recién arrancada, y después en el mismo arranque con el panel"
          " web del chat (una página pequeña, que pasa a otra dirección, la de un canal) y dos paneles de vídeo"
          " que reproducen la emisión HLS de 720p, todo desde 127.0.0.1; luego todos los paneles ocultos (los"
          f" vídeos sin sonido) durante {num(float(MINUTES) * 60, 0)} s más {SETTLE} s, con la hibernación a"
          f" {num(float(MINUTES), 1)} minutos («encendida») y a 0 («apagada»). PSS de todo el árbol de procesos"
          f" {SETTLE} s después de arrancar y al final de ese tiempo oculto; los modos se turnan, {ROUNDS}"
          " arranques cada uno, y cada fila es la del arranque mediano por la proporción entre las dos."
          " Meta: con la hibernación encendida, ≤ 1,15× la página sola.\n")
    print("| programa | hibernación | PSS de la página sola | PSS con los paneles ocultos | × la página sola"
          " | procesos |")
    print("|---|---|---:|---:|---:|---:|")
    chosen = {}
    for (name, mode), found in runs.items():
        ratio, alone, hidden, rows, _, _ = chosen[name, mode] = median_start(found)
        print(f"| {name} | {mode} | {alone:.0f} MiB | {hidden:.0f} MiB | {num(ratio, 2)}× | {len(rows)} |")
    print("\nLos procesos del árbol con los paneles ocultos en ese arranque, con su PSS («H.264» dice si tiene"
          " cargado el decodificador de vídeo):\n")
    print("| programa | hibernación | proceso | PSS | H.264 |")
    print("|---|---|---|---:|---|")
    for (name, mode), (_, _, _, rows, _, _) in chosen.items():
        grouped = {}
        for process, pss, decoder in rows:
            count, total, any_decoder = grouped.get((process, decoder), (0, 0, False))
            grouped[process, decoder] = (count + 1, total + pss, any_decoder or decoder)
        for (process, _), (count, pss, decoder) in grouped.items():
            times = f" ×{count}" if count > 1 else ""
            print(f"| {name} | {mode} | `{process}`{times} | {num(pss, 1)} MiB | {'sí' if decoder else 'no'} |")
    print("\nVueltas de la hibernación: desde la orden que vuelve a mostrar los tres paneles a la vez hasta que"
          " el panel web termina de cargar la dirección en la que estaba (según su propia página,"
          " `loadEventEnd`) y hasta que cada vídeo vuelve a reproducirse (la hora de la página menos lo que"
          " lleva reproducido), frente a lo mismo cuando se abrieron por primera vez en ese arranque;"
          f" medianas de los {ROUNDS} arranques con la hibernación encendida, y la vuelta más lenta."
          " Meta: ≤ 2 s cada uno.\n")
    print("| programa | panel | primera apertura | vuelta | × la primera apertura | la vuelta más lenta |")
    print("|---|---|---:|---:|---:|---:|")
    for name, _ in programs():
        found = runs[name, MODES[0][0]]
        for slot, label in PANES:
            first, again = median(r[4][slot] for r in found), [r[5][slot] for r in found]
            print(f"| {name} | {label} | {num(first, 2)} s | {num(median(again), 2)} s |"
                  f" {num(median(again) / first, 2)}× | {num(max(again), 2)} s |")


if __name__ == "__main__":
    main()
