"""Network route throughput: 1 MB and 32 MB bodies from a server on 127.0.0.1,
timed inside the real web view from posting the fetch to the reply, and on to
the bytes decoded from its Base64 the way the dashboard decodes them; `curl`
fetches the same URLs in the same run for comparison.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build python3 bench/throughput.py"""

import json
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "e2e"))
from harness import App, Home, Server  # noqa: E402

MB = 1 << 20
SIZES = [(1 * MB, 10), (32 * MB, 4)]  # body size, runs


def curl_ms(url):
    out = subprocess.run(["curl", "-s", "-o", "/dev/null", "-w", "%{time_total}", url],
                         capture_output=True, text=True, check=True).stdout
    return float(out) * 1000


def page_ms(app, url, size, run):
    """(post to reply, post to decoded bytes) in milliseconds."""
    result = app.js(
        "const t0 = performance.now();"
        " const [r] = await fetchAll([%s], {timeoutMs: 120000});"
        " if (!r || r.error) return r ? r.error : 'sin respuesta';"
        " const n = bytesOf(r.data).length;"
        " const t1 = performance.now();"
        " replies.length = 0;"  # let the big texts go
        " return n === %d ? [r.at - t0, t1 - t0] : 'tamaño ' + n;"
        % (json.dumps({"id": f"caudal-{size}-{run}", "url": url}), size), timeout=180)
    if not isinstance(result, list):
        sys.exit(f"{url}: {result}")
    return result


def main():
    bodies = {f"/{size}": os.urandom(size) for size, _ in SIZES}
    server = Server({path: (lambda body: lambda r: (200, {}, body))(body) for path, body in bodies.items()})
    home = Home()
    rows = []
    try:
        with App(home, page="fetch") as app:
            app.wait_js("document.readyState === 'complete' && typeof window.fetchAll === 'function'")
            for size, runs in SIZES:
                url = f"{server.base}/{size}"
                page_ms(app, url, size, -1)  # warm up: connection, caches
                curl_ms(url)
                page = [page_ms(app, url, size, run) for run in range(runs)]
                curl = [curl_ms(url) for _ in range(runs)]
                reply = statistics.median(p[0] for p in page)
                decoded = statistics.median(p[1] for p in page)
                rows.append((size, runs, statistics.median(curl), reply, decoded))
    finally:
        server.close()
        home.remove()

    print("| body | runs | curl | post → reply | post → decoded bytes | MB/s to decoded |")
    print("|---:|---:|---:|---:|---:|---:|")
    for size, runs, curl, reply, decoded in rows:
        print(f"| {size // MB} MB | {runs} | {curl:.1f} ms | {reply:.1f} ms | {decoded:.1f} ms"
              f" | {size / MB / (decoded / 1000):.0f} |")
    print("(medians)")


if __name__ == "__main__":
    main()
