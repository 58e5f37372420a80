// Market sessions in the header: each open or closed, the time to its next
// open or close, and the sessions open together; painted on the beat.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const pinta = QV.pintado;
  const $ = (id) => document.getElementById(id);
  const HORA_MS = 3600000;

  // "2 h 05 min", "12 min": the header does not count seconds.
  function falta(ms) {
    const min = Math.max(0, Math.ceil(ms / 60000));
    return min >= 60 ? Math.floor(min / 60) + ' h ' + String(min % 60).padStart(2, '0') + ' min' : min + ' min';
  }

  function montar() {
    const caja = $('sesiones');
    const piezas = QV.sesiones.SESIONES.map((s) => {
      const el = document.createElement('span');
      el.className = 'sesion';
      el.dataset.clave = s.clave;
      caja.append(el);
      return el;
    });
    const solape = document.createElement('span');
    solape.className = 'solape';
    caja.append(solape);

    // Which sessions are open changes only when one opens or closes: worked
    // out again then, or when the clock is set back, not on every beat.
    let vigente = null;
    function sesionesA(ahora) {
      if (!vigente || ahora >= vigente.hasta || ahora < vigente.desde) {
        const r = QV.sesiones.ahora(ahora);
        const cambios = r.sesiones.map((s) => s.cambio).filter((c) => c !== null);
        vigente = { r, desde: ahora, hasta: cambios.length ? Math.min(...cambios) : ahora + HORA_MS };
      }
      return vigente.r;
    }

    function pintar() {
      const ahora = Date.now();
      const r = sesionesA(ahora);
      r.sesiones.forEach((s, i) => {
        pinta.dato(piezas[i], 'abierta', s.abierta);
        pinta.texto(piezas[i], s.nombre + ' ' + (s.cambio === null ? '' : (s.abierta ? 'cierra en ' : 'abre en ') +
          falta(s.cambio - ahora)));
      });
      pinta.texto(solape, r.solape.length ? 'Solape: ' + r.solape.join(' + ') : '');
      pinta.oculto(solape, !r.solape.length);
    }
    pintar();
    pinta.latido(pintar);
  }

  QV.vistaSesiones = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
