"""What one playing 720p HLS video pane costs: CPU of the application's whole
process tree against GStreamer's own playbin showing the same stream in an X
window, alternating in one run, and the frames the pane dropped meanwhile.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build [QV_BASELINE=build-main] python3 bench/video.py [rounds]"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

from common import Home, Server, median, programs, start
from idle import cpu_ticks, tree

WARM_UP, SPAN = 5, 20
RECT = (0, 0, 1280, 720)
XIMAGESINK = "/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstximagesink.so"
STREAM_TYPES = {".m3u8": "application/vnd.apple.mpegurl", ".ts": "video/mp2t"}
QUALITY = "const q = document.getElementById('v').getVideoPlaybackQuality();" \
          " return [q.totalVideoFrames, q.droppedVideoFrames];"


class Stream:
    """A 60 s 720p H.264 stream in 2 s segments, made here and served from 127.0.0.1."""

    def __init__(self, seconds=60):
        self.folder = tempfile.mkdtemp(prefix="qv-bench-hls-")
        subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=30",
                        "-t", str(seconds), "-g", "60", "-c:v", "libx264", "-preset", "veryfast",
                        "-pix_fmt", "yuv420p", "-f", "hls", "-hls_time", "2", "-hls_list_size", "0",
                        "-hls_playlist_type", "vod", os.path.join(self.folder, "stream.m3u8")], check=True)
        self.server = Server({"*": self._serve})
        self.base = self.server.base + "/"

    def _serve(self, request):
        path = os.path.join(self.folder, os.path.basename(request.route))
        kind = STREAM_TYPES.get(os.path.splitext(path)[1])
        if not kind or not os.path.isfile(path):
            return 200, {"Content-Type": "text/html; charset=utf-8"}, \
                b"<!doctype html><html><body style='background:#345'>panel</body></html>"
        with open(path, "rb") as f:
            return 200, {"Content-Type": kind}, f.read()

    def url(self, tag):
        """The playlist under an address of its own for each tag."""
        return self.server.base + "/stream.m3u8?" + tag

    def close(self):
        self.server.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def video(slot, hls, rect):
    x, y, w, h = rect
    return {"cmd": "video", "slot": slot, "id": slot, "tipo": "kick", "hls": hls, "vol": 0,
            "x": x, "y": y, "w": w, "h": h}


def playing(app, slot):
    """Waits until the slot's video is playing and has moved on."""
    v = "document.getElementById('v')"
    first = app.wait_js(f"{v} && !{v}.paused && {v}.currentTime > 0 && {v}.currentTime",
                        view=f"video:{slot}", timeout=60)
    app.wait_js(f"{v}.currentTime !== {first}", view=f"video:{slot}", timeout=60)


def over_span(pid):
    """% of a core the tree used over SPAN, after WARM_UP."""
    time.sleep(WARM_UP)  # sleeping is the measurement: the stream plays on its own
    before = cpu_ticks(tree(pid))
    time.sleep(SPAN)
    return (cpu_ticks(tree(pid)) - before) / os.sysconf("SC_CLK_TCK") / SPAN * 100


def pane(build, stream, tag):
    home = Home()
    try:
        with start(build, home, page="panes", videoBaseURL=stream.base) as app:
            app.wait_js("document.readyState === 'complete' && !!window.clicks")
            app.post(video("bench", stream.url(tag), RECT))
            playing(app, "bench")
            time.sleep(WARM_UP)
            total0, dropped0 = app.js(QUALITY, view="video:bench")
            before = cpu_ticks(tree(app.proc.pid))
            time.sleep(SPAN)
            used = (cpu_ticks(tree(app.proc.pid)) - before) / os.sysconf("SC_CLK_TCK") / SPAN * 100
            total, dropped = app.js(QUALITY, view="video:bench")
            return used, (dropped - dropped0) / max(1, total - total0) * 100, total - total0
    finally:
        home.remove()


def playbin(stream, tag, *options):
    proc = subprocess.Popen(["gst-launch-1.0", "-q", "playbin", "uri=" + stream.url(tag), *options],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        return over_span(proc.pid), None, None
    finally:
        proc.kill()
        proc.wait()


def comma(value, digits=1):
    return f"{value:.{digits}f}".replace(".", ",")


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 2
    # playbin's own sink here is glimagesink (GL in software); ximagesink is the plainest X sink.
    # ffmpeg writes the test stream.
    if not shutil.which("gst-launch-1.0") or not os.path.exists(XIMAGESINK) or not shutil.which("ffmpeg"):
        subprocess.run(["apt-get", "install", "-y", "-qq", "gstreamer1.0-tools", "gstreamer1.0-x", "ffmpeg"],
                       check=True, stdout=subprocess.DEVNULL)
    stream = Stream()
    runs = [(f"QUORVEX «{name}», un panel de vídeo", lambda b=build, n=name: pane(b, stream, n))
            for name, build in programs()]
    runs.append(("GStreamer `playbin` con `ximagesink`", lambda: playbin(stream, "x", "video-sink=ximagesink")))
    runs.append(("GStreamer `playbin`, su salida por omisión (`glimagesink`)", lambda: playbin(stream, "gl")))
    results = {name: [] for name, _ in runs}
    try:
        for _ in range(rounds):
            for name, run in runs:
                results[name].append(run())
    finally:
        stream.close()
    floor = median(r[0] for r in results[runs[-2][0]])
    print("### Un panel de vídeo HLS de 720p\n")
    print(f"Una emisión H.264 de 1280×720 a 30 imágenes por segundo, servida desde 127.0.0.1, en un panel de"
          f" {RECT[2]}×{RECT[3]} sobre la página de prueba de paneles, frente a `gst-launch-1.0 playbin` con la"
          f" misma lista en una ventana X de la misma pantalla, con `ximagesink` (la proporción es frente a esta)"
          f" y con su salida por omisión. CPU de todo el árbol de procesos durante {SPAN} s"
          f" tras {WARM_UP} s de reproducción, mediana de {rounds} pasadas alternadas; imágenes perdidas según"
          " `getVideoPlaybackQuality()` del vídeo del panel en ese tiempo. Metas: ≤ 1,3× la CPU de `playbin`;"
          " ≤ 1 % de imágenes perdidas.\n")
    print("| programa | CPU (% de un núcleo) | × `playbin` con `ximagesink` | imágenes perdidas |")
    print("|---|---:|---:|---:|")
    for name, _ in runs:
        used = median(r[0] for r in results[name])
        lost = [r for r in results[name] if r[1] is not None]
        shown = "—" if not lost else \
            f"{comma(median(r[1] for r in lost), 2)} % (de {median(r[2] for r in lost):.0f})"
        print(f"| {name} | {comma(used)} % | {comma(used / floor, 2)}× | {shown} |")


if __name__ == "__main__":
    main()
