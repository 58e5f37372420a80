"""Page-to-page round trip of the status route: from posting "qv-mt5://estado"
in the real web view to the reply with a 2 KB status file reaching the page,
measured inside the page with performance.now().

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build python3 bench/roundtrip.py [rounds]"""

import os
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "e2e"))
from harness import App, Home  # noqa: E402

STATUS_TAIL = ("AppData", "Roaming", "MetaQuotes", "Terminal", "Common", "Files", "quorvex_mt5.json")
WARM_UP = 30


def write_status_file(home, size=2048):
    path = os.path.join(home.home, ".wine", "drive_c", "users", "usuario", *STATUS_TAIL)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b'{"relleno": "' + b"x" * (size - 15) + b'"}')
    return size


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 300
    home = Home()
    try:
        size = write_status_file(home)
        with App(home, page="fetch") as app:
            app.wait_js("document.readyState === 'complete' && typeof window.fetchAll === 'function'")
            result = app.js(
                "const out = [];"
                " let start;"
                " for (let i = -%d; i < %d; i++) {"
                "   if (i === 0) start = performance.now();"
                "   const t0 = performance.now();"
                "   const [r] = await fetchAll([{id: 'ida-' + i, url: 'qv-mt5://estado'}]);"
                "   if (!r) return 'sin respuesta';"
                "   if (r.error || bytesOf(r.data).length !== %d) return r.error || 'tamaño';"
                "   if (i >= 0) out.push(r.at - t0);"
                " }"
                " return {times: out, total: performance.now() - start};" % (WARM_UP, rounds, size), timeout=300)
    finally:
        home.remove()
    if not isinstance(result, dict):
        sys.exit(f"round trip failed: {result}")
    times = result["times"]
    # performance.now() in WebKitGTK ticks in whole milliseconds: the mean
    # over the whole run is the finer figure.
    print(f"qv-mt5://estado, {size} B status file, {rounds} round trips (after {WARM_UP} to warm up)")
    print(f"  median {statistics.median(times):.0f} ms   p99 {percentile(times, 0.99):.0f} ms"
          f"   max {max(times):.0f} ms   mean {result['total'] / rounds:.3f} ms")


if __name__ == "__main__":
    main()
