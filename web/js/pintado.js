// Keeping repaints few. Without a GPU every change the engine paints costs a
// redraw of the whole window, however small the change: the page writes only
// what differs, and its periodic changes fall on the same moment of the wall
// clock, so that they share one frame.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  // Milliseconds until the next multiple of `ms` on the wall clock.
  function hasta(ms, ahora = Date.now()) {
    return ms - (ahora % ms);
  }

  // Runs `fn` on every beat, each second of the wall clock from the next one
  // on. Every function of the beat runs in the same task, so that what they
  // change is painted in one frame; one that throws keeps neither the others
  // nor itself from the next beat.
  const LATIDO_MS = 1000;
  const alLatido = [];
  function latido(fn) {
    alLatido.push(fn);
    if (alLatido.length > 1) return;
    setTimeout(function vuelta() {
      setTimeout(vuelta, hasta(LATIDO_MS));
      for (const f of alLatido) {
        try {
          f();
        } catch (e) {
          console.error(e);
        }
      }
    }, hasta(LATIDO_MS));
  }

  // A write of the same text, flag or data value still costs a layout and a paint.
  function texto(el, t) {
    t = String(t);
    if (el.textContent !== t) el.textContent = t;
  }
  function oculto(el, si) {
    if (el.hidden !== si) el.hidden = si;
  }
  function dato(el, clave, valor) {
    valor = String(valor);
    if (el.dataset[clave] !== valor) el.dataset[clave] = valor;
  }

  QV.pintado = { hasta, latido, texto, oculto, dato };
  if (typeof module !== 'undefined') module.exports = QV.pintado;
})(typeof window !== 'undefined' ? window : globalThis);
