// This week's economic calendar from the public feed: a JSON array of events
// with title, country, date (ISO 8601 with offset), impact, forecast, previous.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  const IMPACTOS = { High: 'alto', Medium: 'medio', Low: 'bajo', Holiday: 'festivo' };
  // Without an offset the engine would read the time as local, silently shifting it.
  const ISO_CON_ZONA = /^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}(:\d{2}(\.\d+)?)?(Z|[+-]\d{2}:?\d{2})$/;

  const cadena = (v) => (typeof v === 'string' ? v.trim() : '');

  function eventoDe(e) {
    if (e === null || typeof e !== 'object' || Array.isArray(e)) return null;
    const iso = cadena(e.date);
    if (!ISO_CON_ZONA.test(iso)) return null;
    const fecha = new Date(iso);
    if (isNaN(fecha.getTime())) return null;
    const titulo = cadena(e.title);
    if (titulo === '') return null;
    return {
      titulo,
      pais: cadena(e.country),
      fecha,
      impacto: IMPACTOS[cadena(e.impact)] || '',
      prevision: cadena(e.forecast),
      anterior: cadena(e.previous),
    };
  }

  // Feed text → { ok: true, eventos } (sorted by time, unusable entries left
  // out) or { ok: false, motivo }.
  function interpretarCalendario(contenido) {
    let datos;
    try {
      datos = JSON.parse(String(contenido).replace(/^\uFEFF/, ''));
    } catch (e) {
      return { ok: false, motivo: 'respuesta ilegible' };
    }
    if (!Array.isArray(datos)) return { ok: false, motivo: 'respuesta ilegible' };
    const eventos = datos.map(eventoDe).filter(Boolean);
    eventos.sort((a, b) => a.fecha - b.fecha);
    return { ok: true, eventos };
  }

  function inicioDelDia(fecha) {
    return new Date(fecha.getFullYear(), fecha.getMonth(), fecha.getDate());
  }

  // Today's events (those already past included) and every later one, grouped
  // by local day. `ahora` decides which event is the next to come.
  function agenda(eventos, ahora) {
    const hoy = inicioDelDia(ahora).getTime();
    const dias = [];
    let siguienteMarcado = false;
    for (const e of eventos) {
      const dia = inicioDelDia(e.fecha).getTime();
      if (dia < hoy) continue;
      let grupo = dias[dias.length - 1];
      if (!grupo || grupo.dia !== dia) {
        grupo = { dia, etiqueta: etiquetaDia(dia, hoy, e.fecha), eventos: [] };
        dias.push(grupo);
      }
      const pasado = e.fecha.getTime() < ahora.getTime();
      const siguiente = !pasado && !siguienteMarcado;
      if (siguiente) siguienteMarcado = true;
      grupo.eventos.push(Object.assign({ pasado, siguiente }, e));
    }
    return dias;
  }

  function etiquetaDia(dia, hoy, fecha) {
    const dias = Math.round((dia - hoy) / 86400000);
    if (dias === 0) return 'Hoy';
    if (dias === 1) return 'Mañana';
    return QV.formato.fechaCorta(fecha);
  }

  QV.calendario = { interpretarCalendario, agenda };
  if (typeof module !== 'undefined') module.exports = QV.calendario;
})(typeof window !== 'undefined' ? window : globalThis);
