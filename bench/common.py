"""What the benchmarks share: the programs they compare, paired in one run,
and the end-to-end harness that drives them."""

import os
import re
import statistics
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402
from harness import App, Home, Server  # noqa: E402, F401


def programs():
    """(name, build folder) of each program to measure: this build and, when
    QV_BASELINE names another build folder (say, of main), that one first."""
    found = [("ahora", harness.BUILD)]
    if os.environ.get("QV_BASELINE"):
        found.insert(0, ("antes", os.environ["QV_BASELINE"]))
    return found


def start(build, home, page, **options):
    """The application of that build folder, started in `home` on one of the
    test pages of the source tree it was built from: a program is measured
    with the page scripts of its own revision."""
    harness.HOST = os.path.join(build, "bin", "qv_e2e_host")
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        source = re.search(r"^CMAKE_HOME_DIRECTORY:INTERNAL=(.+)$", f.read(), re.M).group(1)
    return App(home, page=None, resourcesFolder=os.path.join(source, "tests", "e2e", "pages", page),
               **options).start()


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


median = statistics.median


def median_start(starts):
    """Of an odd number of starts, each a tuple led by the figure compared, the
    median one, whole: its other figures are that start's own."""
    return sorted(starts, key=lambda s: s[0])[len(starts) // 2]


def num(value, digits):
    """`value` with `digits` decimals and a decimal comma, as Spanish text writes it."""
    return f"{value:.{digits}f}".replace(".", ",")


def chromium_command(page, profile):
    """Debian's Chromium showing `page` as an app: no GPU, and without its
    sandbox, which refuses root. It logs the page's console to stderr."""
    return ["chromium", "--app=file://" + page, "--user-data-dir=" + profile, "--no-first-run",
            "--no-default-browser-check", "--disable-gpu", "--no-sandbox", "--enable-logging=stderr", "--v=0"]
