"""What the equity line costs to draw once a session is long: the panel's own
canvas in the live dashboard, a line of a minute, twenty minutes and two hours
of one point a second (the most the series keeps), drawn by the panel's own
function (filled and stroked) with every point and with the points the panel's scaling
keeps; the mean of 30 draws each, read back so that each one is finished.

Run under an X server with the application built (see bench/run.sh):
    QV_BUILD=build python3 bench/equity_line.py"""

import os

from common import num
from dashboard import Run, Terminal
import harness  # noqa: E402  (common puts it on the path)

DRAW = """
const c = document.getElementById('mt5-grafico');
const g = c.getContext('2d');
const W = c.width, H = c.height;
const serie = (n) => Array.from({ length: n }, (_, i) =>
  ({ t: i, v: 10000 + 50 * Math.sin(i / 370) + 3 * Math.sin(i * 1.7) + (i % 600 === 0 ? 20 : 0) }));
function trazar(xy) {
  g.clearRect(0, 0, W, H);
  QV.vistaMt5.trazar(g, xy, H, true);
  g.getImageData(0, 0, 1, 1);
}
function media(xy) {
  const t = performance.now();
  for (let k = 0; k < 30; k++) trazar(xy);
  return (performance.now() - t) / 30;
}
return [60, 1200, 7200].map((n) => {
  const puntos = serie(n);
  const todos = puntos.map((p, i) => [6 + (i * (W - 12)) / n, 6 + (H - 12) * (1 - (p.v - 9950) / 120)]);
  const guardados = QV.mt5.escalarSerie(puntos, W, H, 6).xy;
  return [n, W, media(todos), guardados.length, media(guardados)];
});
"""


def main():
    terminal = Terminal()
    terminal.thread.start()
    run = Run("ahora", harness.BUILD, True, True, terminal)
    try:
        rows = run.app.js(DRAW, timeout=120)
    finally:
        terminal.stop.set()
        terminal.thread.join()
        run.close()
    print("### La línea del patrimonio en una sesión larga\n")
    print("El lienzo del panel de MT5 en el panel en vivo; una línea de un minuto, de veinte y de dos horas a un"
          " punto por segundo (lo más que guarda la serie), dibujada como la dibuja el panel, rellena y trazada, con"
          " todos sus puntos y con los que deja su escala (el más alto y el más bajo de cada columna de píxeles,"
          " uno solo si distan menos de un píxel); media de 30 dibujos, cada uno leído de vuelta para que esté"
          " terminado. El panel la dibuja en cada latido con un punto nuevo mientras tiene menos puntos que"
          " píxeles, y después solo cuando su punto más nuevo avanza un píxel de tiempo.\n")
    print("| puntos | ancho del lienzo | con todos | puntos que deja la escala | con esos |\n|---:|---:|---:|---:|---:|")
    for n, width, every, kept, scaled in rows:
        print(f"| {n} | {width} px | {num(every, 2)} ms | {kept} | {num(scaled, 2)} ms |")


if __name__ == "__main__":
    main()
