"""How much of what the live dashboard costs each second is the engine's own:
the real dashboard beside a still copy of its document (no scripts, no polls,
no bridge traffic) in which a few lines of script change, once a second, the
very elements the real page changes in that second, digit for digit. The copy
is what the engine needs at least to show those changes here; what the real
page costs above it is ours (the polls, the replies, the rules, the
formatting). With values that move and with values that do not; all four
trees side by side, so that whatever else the machine does weighs on all of
them alike.

Also the page process's own memory (Pss_Anon) over the span, once a minute:
over a long span (QV_FLOOR_SECONDS) it shows whether what the real page's
process gains with moving values is the engine's too.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build [QV_FLOOR_SECONDS=120] python3 bench/dashboard_floor.py"""

import os
import re
import shutil
import tempfile
import time

from common import App, Home, num, programs
from dashboard import Run, Terminal, rollup, source_of
from idle import cpu_ns, tree

WARM, WATCH = 30, 5  # seconds
SPAN = float(os.environ.get("QV_FLOOR_SECONDS", "120"))

# Records, for WATCH seconds, a CSS path to every element whose text, children
# or attributes change, then answers them (the real page's own changes).
WATCH_CHANGES = """
const paths = new Set();
const path = (el) => {
  const steps = [];
  for (; el && el !== document.body; el = el.parentElement) {
    const i = Array.prototype.indexOf.call(el.parentElement.children, el) + 1;
    steps.unshift(el.tagName.toLowerCase() + ':nth-child(' + i + ')');
  }
  return 'body > ' + steps.join(' > ');
};
const watcher = new MutationObserver((ms) => {
  for (const m of ms) {
    const el = m.target.nodeType === 1 ? m.target : m.target.parentElement;
    if (el && el !== document.body) paths.add(path(el));
  }
});
watcher.observe(document.body, { subtree: true, childList: true, characterData: true, attributes: true });
await new Promise((done) => setTimeout(done, %d));
watcher.disconnect();
return [...paths];
""" % (WATCH * 1000)

# The copy's only script: at each second, the last digit of every text under
# the elements named takes a step, so that each changes glyphs without moving
# anything else, as a price does.
STEP_SCRIPT = """
(function () {
  const targets = %s.map((p) => document.querySelector(p)).filter(Boolean);
  const texts = [];
  for (const el of targets) {
    const walker = document.createTreeWalker(el, NodeFilter.SHOW_TEXT);
    while (walker.nextNode()) if (/[0-9]/.test(walker.currentNode.data)) texts.push(walker.currentNode);
  }
  const step = (t) => { t.data = t.data.replace(/([0-9])([^0-9]*)$/, (_, d, rest) => ((+d + 1) %% 10) + rest); };
  (function beat() {
    texts.forEach(step);
    setTimeout(beat, 1000 - (Date.now() %% 1000));
  })();
})();
"""


def own_memory(pid):
    """MiB the process holds alone (its anonymous memory), or None once it is gone."""
    return rollup(pid, "Pss_Anon:")


def still_copy(app):
    """The real page's document as it stands, without its scripts, and the
    elements it changes."""
    changed = app.js(WATCH_CHANGES, timeout=WATCH + 10)
    html = app.js("return document.documentElement.outerHTML")
    html = re.sub(r"<script\b[^>]*>.*?</script>", "", html, flags=re.S)
    return html, changed


def write_copy(folder, source, html, changed):
    """That document under `folder`, beside the real page's style sheet."""
    web = os.path.join(folder, "web")
    shutil.copytree(os.path.join(source, "web", "css"), os.path.join(web, "css"))
    script = STEP_SCRIPT % repr(changed)
    with open(os.path.join(web, "index.html"), "w") as f:
        f.write("<!doctype html>\n" + html.replace("</body>", "<script>" + script + "</script></body>"))


class Copy:
    """The still copy, shown by the build measured last (Run leaves its host set)."""

    def __init__(self, folder):
        self.home = Home()
        self.app = App(self.home, page=None, resourcesFolder=folder).start()
        self.app.wait_js("document.readyState === 'complete'")

    def close(self):
        self.app.stop()
        self.home.remove()


def main():
    terminal = Terminal()
    terminal.thread.start()
    folders, trees = [], []
    try:
        for moving in (True, False):
            for program, build in programs():
                trees.append((program, moving, Run(program, build, True, moving, terminal)))
            time.sleep(3)  # the first replies and loads settle before the watch
            folder = tempfile.mkdtemp(prefix="qv-floor-")
            folders.append(folder)
            write_copy(folder, source_of(build), *still_copy(trees[-1][2].app))
            trees.append(("la copia quieta", moving, Copy(folder)))
        time.sleep(WARM)
        start = {id(t): (time.monotonic(), cpu_ns(tree(t.app.proc.pid)),
                         {p: cpu_ns([p]) for p in tree(t.app.proc.pid)}) for _, _, t in trees}
        memory, end = {}, time.monotonic() + SPAN  # pid → its own memory at each minute
        while True:
            for _, _, t in trees:
                for p in tree(t.app.proc.pid):
                    memory.setdefault(p, []).append(own_memory(p))
            left = end - time.monotonic()
            if left <= 0:
                break
            time.sleep(min(60, left))  # sleeping is the measurement
        rows = []
        for name, moving, t in trees:
            t0, c0, per = start[id(t)]
            secs = time.monotonic() - t0
            pids = tree(t.app.proc.pid)
            share = {p: (cpu_ns([p]) - per.get(p, 0)) / 1e9 / secs * 100 for p in pids}
            app_pid = t.app.proc.pid
            page = max((p for p in pids if p != app_pid), key=lambda p: share[p])
            held = [m for m in memory.get(page, []) if m is not None]
            rows.append((name, moving, (cpu_ns(pids) - c0) / 1e9 / secs * 100, share[page], share[app_pid], held))
    finally:
        terminal.stop.set()
        terminal.thread.join()
        for _, _, t in trees:
            t.close()
        for f in folders:
            shutil.rmtree(f, ignore_errors=True)

    print("### Lo que cuesta cada segundo del panel: el motor y lo nuestro\n")
    print("El panel de verdad en línea, «ahora» y, con una compilación de referencia, «antes» (sus sondeos,"
          " el terminal reescribiendo cada segundo el archivo de estado y el de su cuenta), al lado de una copia"
          " quieta de su documento: sin guiones, sin sondeos ni respuestas, y un guion de diez líneas que cada"
          " segundo cambia el último dígito de cada texto de los mismos elementos que el panel cambió en"
          f" {WATCH} s de observación. La copia es lo menos que el motor necesita aquí para enseñar esos cambios;"
          f" lo que el panel gasta por encima es nuestro. Los {len(trees)} árboles a la vez, CPU según la cuenta"
          f" del planificador durante {SPAN:.0f} s tras {WARM} s de espera; memoria propia (Pss_Anon) del proceso"
          " de la página al empezar y al terminar, y la menor y la mayor de las leídas cada minuto. Carga media"
          " de la máquina al terminar:"
          f" {num(os.getloadavg()[0], 2)}. Meta: ≤ 2 % de un núcleo.\n")
    print("| valores | programa | CPU del árbol | proceso de la página | aplicación | memoria de la página |"
          "\n|---|---|---:|---:|---:|---:|")
    for name, moving, total, page, app, held in rows:
        print(f"| {'se mueven' if moving else 'quietos'} | {name} | {num(total, 2)} % | {num(page, 2)} %"
              f" | {num(app, 2)} % | {num(held[0], 1)} → {num(held[-1], 1)} MiB"
              f" ({num(min(held), 1)}–{num(max(held), 1)}) |")


if __name__ == "__main__":
    main()
