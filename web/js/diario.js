// The day's trades and the journal: statistics of a list of closed deals,
// the deals kept per login for the last 30 days (from which the calendar of
// daily results is made), and the journal as CSV text. No DOM here.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const g = raiz.QV.guardia || (typeof require === 'function' ? require('./guardia.js') : null);

  const DIAS_GUARDADOS = 30;
  const DIA_MS = 86400000;
  const num = (v) => typeof v === 'number' && isFinite(v);

  // What a deal left in the account: profit, commission and swap together.
  const neto = (d) => (num(d.profit) ? d.profit : 0) + (num(d.commission) ? d.commission : 0) +
    (num(d.swap) ? d.swap : 0);

  // A list of closed deals → realised result, trades, wins, losses, win rate
  // (null without trades) and the average win and loss (null without any).
  // A deal that nets zero is a trade, neither a win nor a loss.
  function estadisticas(deals) {
    let resultado = 0;
    let ganado = 0;
    let perdido = 0;
    let ganadas = 0;
    let perdidas = 0;
    for (const d of deals) {
      const n = neto(d);
      resultado += n;
      if (n > 0) {
        ganadas++;
        ganado += n;
      } else if (n < 0) {
        perdidas++;
        perdido += n;
      }
    }
    const operaciones = deals.length;
    return {
      resultado,
      operaciones,
      ganadas,
      perdidas,
      aciertos: operaciones ? ganadas / operaciones : null,
      mediaGanancia: ganadas ? ganado / ganadas : null,
      mediaPerdida: perdidas ? perdido / perdidas : null,
    };
  }

  const dos = (n) => (n < 10 ? '0' : '') + n;
  // The trading day holding `ms` by the day's clock, named by the date its
  // middle falls on there (a day that starts at 17:00 New York is the next
  // day's), as "YYYY-MM-DD".
  function claveDia(ms, reloj) {
    const inicio = g.inicioDelDia(ms, reloj.hora, reloj.zona);
    const p = g.paredEn(reloj.zona, inicio + DIA_MS / 2);
    return p.year + '-' + dos(p.month) + '-' + dos(p.day);
  }

  // Deals of a new file on top of the kept ones ({ ticket: deal }), the
  // ones that closed more than 30 trading days before `ahoraMs` let go.
  // Returns the same object when nothing changed, so nothing is written.
  function registrar(guardadas, deals, reloj, ahoraMs) {
    const desde = g.inicioDelDia(ahoraMs, reloj.hora, reloj.zona) - (DIAS_GUARDADOS - 1) * DIA_MS;
    let cambio = false;
    const r = Object.assign({}, guardadas);
    for (const d of deals) {
      if (!num(d.closeTime) || d.closeTime * 1000 < desde) continue;
      if (JSON.stringify(r[d.ticket]) === JSON.stringify(d)) continue;
      r[d.ticket] = d;
      cambio = true;
    }
    for (const [t, d] of Object.entries(r)) {
      if (!num(d.closeTime) || d.closeTime * 1000 < desde) {
        delete r[t];
        cambio = true;
      }
    }
    return cambio ? r : guardadas;
  }

  // The kept deals, oldest close first.
  const ordenadas = (guardadas) => Object.values(guardadas || {})
    .sort((a, b) => a.closeTime - b.closeTime || (a.ticket < b.ticket ? -1 : 1));

  // The deals of the trading day holding `ahoraMs`.
  function deHoy(guardadas, reloj, ahoraMs) {
    const hoy = claveDia(ahoraMs, reloj);
    return ordenadas(guardadas).filter((d) => claveDia(d.closeTime * 1000, reloj) === hoy);
  }

  // The last 30 trading days, oldest first: { clave, resultado, operaciones }
  // (a day without trades has 0 of both).
  function calendario(guardadas, reloj, ahoraMs) {
    const porDia = new Map();
    for (const d of ordenadas(guardadas)) {
      const clave = claveDia(d.closeTime * 1000, reloj);
      const dia = porDia.get(clave) || { resultado: 0, operaciones: 0 };
      dia.resultado += neto(d);
      dia.operaciones++;
      porDia.set(clave, dia);
    }
    const dias = [];
    const inicio = g.inicioDelDia(ahoraMs, reloj.hora, reloj.zona);
    for (let i = DIAS_GUARDADOS - 1; i >= 0; i--) {
      // The middle of each day back: a daylight-saving hour cannot skip or repeat one.
      const clave = claveDia(inicio - i * DIA_MS + DIA_MS / 2, reloj);
      if (dias.length && dias[dias.length - 1].clave === clave) continue;
      dias.push(Object.assign({ clave }, porDia.get(clave) || { resultado: 0, operaciones: 0 }));
    }
    return dias;
  }

  // CSV for a spreadsheet in Spanish: fields separated by semicolons, decimal
  // comma without thousands separators, a field quoted when it holds a
  // semicolon, a quote or a line break (its quotes doubled), lines ended by
  // CR LF, and a BOM so that the spreadsheet reads the text as UTF-8.
  function campo(v) {
    const t = v === null || v === undefined ? '' : String(v);
    return /[;"\r\n]/.test(t) ? '"' + t.replace(/"/g, '""') + '"' : t;
  }
  const decimal = (v, decimales) => (num(v) ? (decimales === undefined ? String(v) : v.toFixed(decimales))
    .replace('.', ',') : '');
  function fechaUTC(segundos) {
    if (!num(segundos)) return '';
    const d = new Date(segundos * 1000);
    return d.getUTCFullYear() + '-' + dos(d.getUTCMonth() + 1) + '-' + dos(d.getUTCDate()) + ' ' +
      dos(d.getUTCHours()) + ':' + dos(d.getUTCMinutes()) + ':' + dos(d.getUTCSeconds());
  }
  const LADOS = { buy: 'Compra', sell: 'Venta' };

  function csv(cuenta, guardadas, reloj, ahoraMs) {
    const filas = [['Cuenta', cuenta.login, cuenta.server, cuenta.currency], []];
    filas.push(['Día', 'Resultado', 'Operaciones']);
    for (const d of calendario(guardadas, reloj, ahoraMs)) {
      if (d.operaciones) filas.push([d.clave, decimal(d.resultado, 2), d.operaciones]);
    }
    filas.push([]);
    filas.push(['Día', 'Ticket', 'Símbolo', 'Lado', 'Volumen', 'Apertura (UTC)', 'Precio de apertura',
      'Cierre (UTC)', 'Precio de cierre', 'Beneficio', 'Comisión', 'Swap', 'Neto']);
    for (const d of ordenadas(guardadas)) {
      filas.push([claveDia(d.closeTime * 1000, reloj), d.ticket, d.symbol, LADOS[d.type] || '', decimal(d.volume),
        fechaUTC(d.openTime), decimal(d.openPrice), fechaUTC(d.closeTime), decimal(d.closePrice),
        decimal(d.profit, 2), decimal(d.commission, 2), decimal(d.swap, 2), decimal(neto(d), 2)]);
    }
    return '\uFEFF' + filas.map((f) => f.map(campo).join(';')).join('\r\n') + '\r\n';
  }

  // "quorvex_diario_52071834_2024-12-06.csv": the account and the day.
  function nombreArchivo(login, reloj, ahoraMs) {
    return 'quorvex_diario_' + (String(login).replace(/[^0-9A-Za-z_-]/g, '') || 'cuenta') + '_' +
      claveDia(ahoraMs, reloj) + '.csv';
  }

  QV.diario = { DIAS_GUARDADOS, neto, estadisticas, claveDia, registrar, deHoy, calendario, csv, nombreArchivo };
  if (typeof module !== 'undefined') module.exports = QV.diario;
})(typeof window !== 'undefined' ? window : globalThis);
