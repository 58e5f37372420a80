// Spanish (es-ES) presentation of numbers, money, prices and times.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const GUION = '—';
  const cache = new Map();

  function nf(clave, opciones) {
    if (!cache.has(clave)) cache.set(clave, new Intl.NumberFormat('es-ES', opciones));
    return cache.get(clave);
  }

  const finito = (v) => typeof v === 'number' && isFinite(v);

  function cifra(v, decimales) {
    if (!finito(v)) return GUION;
    const d = decimales === undefined ? 2 : decimales;
    return nf('c' + d, { minimumFractionDigits: d, maximumFractionDigits: d }).format(v);
  }

  // Money with its currency sign when the code is an ISO one the engine knows,
  // otherwise the plain figure followed by whatever the terminal calls it.
  function dinero(v, moneda, conSigno) {
    if (!finito(v)) return GUION;
    const signo = conSigno ? 'exceptZero' : 'auto';
    if (/^[A-Z]{3}$/.test(moneda || '')) {
      try {
        return nf('m' + moneda + signo, {
          style: 'currency',
          currency: moneda,
          signDisplay: signo,
        }).format(v);
      } catch (e) {
        // an unknown code falls through to the plain figure
      }
    }
    const base = nf('s' + signo, {
      minimumFractionDigits: 2,
      maximumFractionDigits: 2,
      signDisplay: signo,
    }).format(v);
    return moneda ? base + ' ' + moneda : base;
  }

  // Prices keep the symbol's digits; without them, up to five decimals.
  function precio(v, digitos) {
    if (!finito(v)) return GUION;
    if (Number.isInteger(digitos) && digitos >= 0 && digitos <= 10) return cifra(v, digitos);
    return nf('p', { minimumFractionDigits: 2, maximumFractionDigits: 5 }).format(v);
  }

  // Lots: two decimals, more only for brokers with finer steps.
  function lotes(v) {
    return finito(v) ? nf('l', { minimumFractionDigits: 2, maximumFractionDigits: 4 }).format(v) : GUION;
  }

  function porcentaje(v) {
    return finito(v) ? cifra(v, 2) + ' %' : GUION;
  }

  function dosCifras(n) {
    return (n < 10 ? '0' : '') + n;
  }

  function horaLocal(fecha, conSegundos) {
    const hm = dosCifras(fecha.getHours()) + ':' + dosCifras(fecha.getMinutes());
    return conSegundos ? hm + ':' + dosCifras(fecha.getSeconds()) : hm;
  }

  function horaUTC(fecha) {
    return dosCifras(fecha.getUTCHours()) + ':' + dosCifras(fecha.getUTCMinutes());
  }

  const DIAS = ['domingo', 'lunes', 'martes', 'miércoles', 'jueves', 'viernes', 'sábado'];
  const MESES = ['ene', 'feb', 'mar', 'abr', 'may', 'jun', 'jul', 'ago', 'sept', 'oct', 'nov', 'dic'];

  function fechaCorta(fecha) {
    return DIAS[fecha.getDay()] + ' ' + fecha.getDate() + ' ' + MESES[fecha.getMonth()];
  }

  // "hace 8 s", "hace 3 min", "hace 2 h", "hace 4 d".
  function antiguedad(segundos) {
    if (!finito(segundos)) return '';
    const s = Math.max(0, Math.floor(segundos));
    if (s < 60) return 'hace ' + s + ' s';
    if (s < 3600) return 'hace ' + Math.floor(s / 60) + ' min';
    if (s < 86400) return 'hace ' + Math.floor(s / 3600) + ' h';
    return 'hace ' + Math.floor(s / 86400) + ' d';
  }

  QV.formato = { GUION, cifra, dinero, precio, lotes, porcentaje, horaLocal, horaUTC, fechaCorta, antiguedad };
  if (typeof module !== 'undefined') module.exports = QV.formato;
})(typeof window !== 'undefined' ? window : globalThis);
