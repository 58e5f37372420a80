// The rules of the page's notices: which ones show, for how long, and where
// on the window. A native pane is drawn over the page, so a notice under one
// cannot be read: the notices go where none of the panes the page asked for is.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  const MAXIMO = 3;
  const VIDA_MS = 6000;
  const MARGEN = 12;

  // A notice: { clave, titulo, texto, veces, fijo, hasta }. The same title
  // (or, without one, the same text) again is a repeat: it folds into the one
  // showing, with the latest text, one more count and a fresh lifetime, and
  // moves to the newest place. A fixed notice stays until it is closed.
  function anadir(lista, { titulo = '', texto, fijo = false }, ahora) {
    const clave = titulo || texto;
    const previo = lista.find((a) => a.clave === clave);
    const nuevo = { clave, titulo, texto, veces: previo ? previo.veces + 1 : 1, fijo, hasta: fijo ? null : ahora + VIDA_MS };
    const resto = lista.filter((a) => a !== previo);
    // Room is made by the oldest notice that would go by itself, else by the oldest of all.
    while (resto.length >= MAXIMO) {
      const i = resto.findIndex((a) => !a.fijo);
      resto.splice(Math.max(i, 0), 1);
    }
    return [...resto, nuevo];
  }

  const caducar = (lista, ahora) => lista.filter((a) => a.fijo || a.hasta > ahora);

  // When the next notice goes by itself, or null if none will.
  function proxima(lista) {
    const t = lista.filter((a) => !a.fijo).map((a) => a.hasta);
    return t.length ? Math.min(...t) : null;
  }

  function solape(a, b) {
    const w = Math.min(a.x + a.w, b.x + b.w) - Math.max(a.x, b.x);
    const h = Math.min(a.y + a.h, b.y + b.h) - Math.max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
  }

  // Where the stack of notices (`caja`: its width and height) goes in the
  // viewport `vista`, given the rectangles of the panes shown: in a corner or
  // beside a pane, the lowest place first (the header's clock is at the top)
  // and then the rightmost; the place least covered when every place is.
  function colocar(panes, vista, caja) {
    const m = MARGEN;
    const cabe = (v, lado, total) => v >= m && v + lado <= total - m;
    const lista = (cerca, lado, total) => {
      const v = [total - m - lado, m, ...cerca].filter((v) => cabe(v, lado, total));
      return v.length ? v : [Math.max(0, total - m - lado)];
    };
    const xs = lista(panes.flatMap((p) => [p.x - m - caja.w, p.x + p.w + m]), caja.w, vista.w);
    const ys = lista(panes.flatMap((p) => [p.y - m - caja.h, p.y + p.h + m]), caja.h, vista.h);
    const sitios = ys.flatMap((y) => xs.map((x) => ({ x, y }))).sort((a, b) => b.y - a.y || b.x - a.x);
    const tapado = (s) => panes.reduce((n, p) => n + solape({ x: s.x, y: s.y, w: caja.w, h: caja.h }, p), 0);
    return sitios.reduce((mejor, s) => (tapado(s) < tapado(mejor) ? s : mejor));
  }

  QV.avisos = { anadir, caducar, proxima, colocar };
  if (typeof module !== 'undefined') module.exports = QV.avisos;
})(typeof window !== 'undefined' ? window : globalThis);
