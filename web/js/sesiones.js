// Market sessions: Sydney, Tokyo, London and New York, each open on its own
// weekdays at its own local hours, daylight-saving changes included. No DOM.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const g = raiz.QV.guardia || (typeof require === 'function' ? require('./guardia.js') : null);

  const SESIONES = [
    { clave: 'sidney', nombre: 'Sídney', zona: 'Australia/Sydney', abre: [7, 0], cierra: [16, 0] },
    { clave: 'tokio', nombre: 'Tokio', zona: 'Asia/Tokyo', abre: [9, 0], cierra: [18, 0] },
    { clave: 'londres', nombre: 'Londres', zona: 'Europe/London', abre: [8, 0], cierra: [17, 0] },
    { clave: 'nuevayork', nombre: 'Nueva York', zona: 'America/New_York', abre: [8, 0], cierra: [17, 0] },
  ];

  // The session's opening hours around `ms`, Monday to Friday of its own
  // calendar: { abierta, cambio } with the instant it next closes or opens.
  function estado(s, ms) {
    const p = g.paredEn(s.zona, ms);
    for (let i = -1; i < 8; i++) {
      const d = new Date(Date.UTC(p.year, p.month - 1, p.day + i));
      const semana = d.getUTCDay();
      if (semana === 0 || semana === 6) continue;
      const y = d.getUTCFullYear();
      const m = d.getUTCMonth() + 1;
      const dia = d.getUTCDate();
      const abre = g.instante(s.zona, y, m, dia, s.abre[0], s.abre[1]);
      const cierra = g.instante(s.zona, y, m, dia, s.cierra[0], s.cierra[1]);
      if (ms < abre) return { abierta: false, cambio: abre };
      if (ms < cierra) return { abierta: true, cambio: cierra };
    }
    return { abierta: false, cambio: null };
  }

  // Every session at `ms`, and the names of the ones open together.
  function ahora(ms) {
    const lista = SESIONES.map((s) => Object.assign({ clave: s.clave, nombre: s.nombre }, estado(s, ms)));
    const abiertas = lista.filter((s) => s.abierta).map((s) => s.nombre);
    return { sesiones: lista, solape: abiertas.length > 1 ? abiertas : [] };
  }

  QV.sesiones = { SESIONES, estado, ahora };
  if (typeof module !== 'undefined') module.exports = QV.sesiones;
})(typeof window !== 'undefined' ? window : globalThis);
