// Native panes are views laid over the page at viewport coordinates in CSS
// pixels. This keeps each pane on its element: it measures, clips to the
// visible viewport and sends only when the rectangle or visibility changed.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  // Edges are rounded rather than the size, so two neighbouring elements get
  // neighbouring panes with no gap or overlap. A pane cannot be partly off
  // screen without covering the window's edge or what lies beyond the page,
  // so the part outside the viewport is cut off; nothing left means hidden.
  function rectVisible(r, anchoVista, altoVista) {
    const x0 = Math.max(0, Math.round(r.left));
    const y0 = Math.max(0, Math.round(r.top));
    const x1 = Math.min(anchoVista, Math.round(r.right));
    const y1 = Math.min(altoVista, Math.round(r.bottom));
    if (!(x1 > x0 && y1 > y0)) return null;
    return { x: x0, y: y0, w: x1 - x0, h: y1 - y0 };
  }

  const mismoRect = (a, b) => a.x === b.x && a.y === b.y && a.w === b.w && a.h === b.h;

  // `medir(el)` gives a DOMRect-like box; `vista()` the viewport size.
  // Each pane: { el, activo(), colocar(rect), ocultar() }.
  function crearColocador(medir, vista) {
    const panes = new Map();

    function anadir(clave, pane) {
      // `undefined` means "nothing sent yet": the first pass always speaks,
      // which also hides panes left over from before a page reload.
      panes.set(clave, Object.assign({ ultimo: undefined }, pane));
    }

    function actualizar() {
      const v = vista();
      for (const p of panes.values()) {
        const r = p.activo() ? rectVisible(medir(p.el), v.w, v.h) : null;
        if (r === null) {
          if (p.ultimo !== null) {
            p.ultimo = null;
            p.ocultar();
          }
        } else if (!p.ultimo || !mismoRect(r, p.ultimo)) {
          p.ultimo = r;
          p.colocar(r);
        }
      }
    }

    // The pane's content changed: send it again on the next pass even if it
    // did not move.
    function renovar(clave) {
      const p = panes.get(clave);
      if (p && p.ultimo) p.ultimo = undefined;
    }

    // Where the panes shown are, as last sent: what the page must not draw under.
    const visibles = () => [...panes.values()].map((p) => p.ultimo).filter(Boolean);

    return { anadir, actualizar, renovar, visibles };
  }

  function mensajeWeb(slot, r) {
    return { cmd: 'web', slot, x: r.x, y: r.y, w: r.w, h: r.h };
  }

  QV.paneles = { rectVisible, crearColocador, mensajeWeb };
  if (typeof module !== 'undefined') module.exports = QV.paneles;
})(typeof window !== 'undefined' ? window : globalThis);
