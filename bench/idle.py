"""What a page that changes one line of text each second costs at rest: CPU
of the whole process tree over 20 s and its PSS, once with the renderers
QUORVEX chooses for this machine and once with GTK's GL renderer forced.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build python3 bench/idle.py"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "e2e"))
from harness import App, Home  # noqa: E402

PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pages", "reloj")
SETTLE, SPAN = 5, 20


def tree(pid):
    try:
        children = open(f"/proc/{pid}/task/{pid}/children").read().split()
    except OSError:
        return []
    return [pid] + [p for c in children for p in tree(int(c))]


def cpu_ticks(pids):
    total = 0
    for pid in pids:
        try:
            fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
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


def measure(env):
    home = Home()
    try:
        with App(home, page=None, resourcesFolder=PAGE, env=env) as app:
            app.wait_js("document.getElementById('t').textContent !== ''")
            time.sleep(SETTLE)  # sleeping is the measurement: the page at rest
            before = cpu_ticks(tree(app.proc.pid))
            time.sleep(SPAN)
            pids = tree(app.proc.pid)
            used = (cpu_ticks(pids) - before) / os.sysconf("SC_CLK_TCK") / SPAN * 100
            return used, pss_mib(pids), len(pids)
    finally:
        home.remove()


def main():
    print("| renderizado | CPU (% de un núcleo) | PSS | procesos |")
    print("|---|---:|---:|---:|")
    for name, env in [("el elegido por QUORVEX", {}), ("GL de GTK forzado", {"GSK_RENDERER": "gl"})]:
        used, pss, count = measure(env)
        print(f"| {name} | {used:.1f} % | {pss:.0f} MiB | {count} |")


if __name__ == "__main__":
    main()
