// Reading the MetaTrader 5 status file ("quorvex_mt5.json", see docs/mt5-status.md).
// The file comes from outside and may be old, partial, from a newer writer or
// not JSON at all: nothing here throws, and every field is optional.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  // Numbers may arrive as numeric strings from hand-edited or foreign writers.
  function numero(v) {
    if (typeof v === 'number') return isFinite(v) ? v : null;
    if (typeof v === 'string' && v.trim() !== '' && isFinite(Number(v))) return Number(v);
    return null;
  }

  function texto(v) {
    if (typeof v === 'string') return v;
    if (typeof v === 'number' && isFinite(v)) return String(v);
    return '';
  }

  const esObjeto = (v) => v !== null && typeof v === 'object' && !Array.isArray(v);

  // The writer says "buy"/"sell"; MetaTrader's own enum values 0/1 are taken too.
  function lado(v) {
    const t = typeof v === 'string' ? v.trim().toLowerCase() : v;
    if (t === 'buy' || t === 0) return 'buy';
    if (t === 'sell' || t === 1) return 'sell';
    return '';
  }

  function cuentaDe(a) {
    a = esObjeto(a) ? a : {};
    const balance = numero(a.balance);
    const equity = numero(a.equity);
    let profit = numero(a.profit);
    if (profit === null && balance !== null && equity !== null) profit = equity - balance;
    return {
      login: texto(a.login),
      server: texto(a.server),
      name: texto(a.name),
      company: texto(a.company),
      currency: texto(a.currency),
      tradeMode: texto(a.tradeMode),
      leverage: numero(a.leverage),
      balance,
      equity,
      margin: numero(a.margin),
      freeMargin: numero(a.freeMargin),
      marginLevel: numero(a.marginLevel),
      marginStopOut: numero(a.marginStopOut),
      profit,
    };
  }

  function posicionDe(p) {
    const digitos = numero(p.digits);
    return {
      ticket: texto(p.ticket),
      symbol: texto(p.symbol),
      type: lado(p.type),
      volume: numero(p.volume),
      openPrice: numero(p.openPrice),
      currentPrice: numero(p.currentPrice),
      sl: numero(p.sl),
      tp: numero(p.tp),
      profit: numero(p.profit),
      swap: numero(p.swap),
      openTime: numero(p.openTime),
      digits: Number.isInteger(digitos) ? digitos : null,
    };
  }

  // A closed deal of today (version 2 of the format).
  function operacionDe(d) {
    return {
      ticket: texto(d.ticket),
      symbol: texto(d.symbol),
      type: lado(d.type),
      volume: numero(d.volume),
      openTime: numero(d.openTime),
      openPrice: numero(d.openPrice),
      closeTime: numero(d.closeTime),
      closePrice: numero(d.closePrice),
      profit: numero(d.profit),
      commission: numero(d.commission),
      swap: numero(d.swap),
    };
  }

  // What sizing a position on a symbol needs (version 2).
  function simboloDe(x) {
    const digitos = numero(x.digits);
    return {
      symbol: texto(x.symbol),
      digits: Number.isInteger(digitos) ? digitos : null,
      point: numero(x.point),
      tickSize: numero(x.tickSize),
      tickValue: numero(x.tickValue),
      contractSize: numero(x.contractSize),
      volumeStep: numero(x.volumeStep),
      volumeMin: numero(x.volumeMin),
      volumeMax: numero(x.volumeMax),
    };
  }

  const lista = (v, de) => (Array.isArray(v) ? v.filter(esObjeto).map(de) : []);

  // Text of the file → { ok: true, estado } or { ok: false, motivo }.
  function interpretarEstado(contenido) {
    if (typeof contenido !== 'string') return { ok: false, motivo: 'sin datos' };
    const limpio = contenido.replace(/^\uFEFF/, '').replace(/[\s\u0000]+$/, '');
    if (limpio === '') return { ok: false, motivo: 'archivo vacío' };
    let o;
    try {
      o = JSON.parse(limpio);
    } catch (e) {
      return { ok: false, motivo: 'archivo ilegible' };
    }
    if (!esObjeto(o)) return { ok: false, motivo: 'archivo ilegible' };
    const posiciones = lista(o.positions, posicionDe);
    return {
      ok: true,
      estado: {
        version: numero(o.version),
        time: numero(o.time),
        connected: typeof o.connected === 'boolean' ? o.connected : null,
        account: cuentaDe(o.account),
        positions: posiciones,
        deals: lista(o.deals, operacionDe).filter((d) => d.ticket !== ''),
        symbols: lista(o.symbols, simboloDe).filter((x) => x.symbol !== ''),
      },
    };
  }

  // The document of the accounts route → the accounts whose file could be
  // read, in its order: [{ login, modificado, estado }]. A file that cannot
  // be read is left out; a document that cannot is an empty list.
  function interpretarCuentas(contenido) {
    let o;
    try {
      o = JSON.parse(contenido);
    } catch (e) {
      return [];
    }
    if (!esObjeto(o) || !Array.isArray(o.cuentas)) return [];
    const cuentas = [];
    for (const c of o.cuentas.filter(esObjeto)) {
      const leido = interpretarEstado(c.contenido);
      if (!leido.ok) continue;
      const login = leido.estado.account.login || texto(c.login);
      leido.estado.account.login = login;
      cuentas.push({ login, modificado: numero(c.modificado), estado: leido.estado });
    }
    return cuentas;
  }

  // Spanish says "la una" but "las dos", "las 14".
  function desdeCuando(escrito, ahora) {
    const f = QV.formato;
    const hora = (escrito.getHours() === 1 ? 'la ' : 'las ') + f.horaLocal(escrito);
    if (escrito.toDateString() === ahora.toDateString()) return hora;
    return 'el ' + f.fechaCorta(escrito) + ' a ' + hora;
  }

  // Page-clock moment the current file time was first seen. A writer whose
  // clock runs ahead of ours would otherwise look live long after it stopped.
  function crearVigia() {
    let ultimo;
    let desde = null;
    return {
      vistoDesde(t, ahoraMs) {
        if (t !== ultimo) {
          ultimo = t;
          desde = ahoraMs;
        }
        return desde;
      },
    };
  }

  // What the pill and the notice say about a file that was read: the one
  // place that may claim "En vivo". A writer that stopped (terminal closed,
  // advisor removed) leaves its last time in the file, and that time, or how
  // long it has stayed the same, says so. A file without its own time cannot
  // show it is fresh.
  function situacion(estado, ahoraMs, umbralSegundos, vistoDesdeMs) {
    if (estado.time === null) {
      return {
        clave: 'antiguo',
        texto: 'Datos antiguos',
        aviso: 'Datos antiguos: el archivo no dice cuándo se escribió.',
      };
    }
    const visto = typeof vistoDesdeMs === 'number' ? vistoDesdeMs : Infinity;
    const desde = Math.min(estado.time * 1000, visto);
    if (ahoraMs - desde > umbralSegundos * 1000) {
      return {
        clave: 'antiguo',
        texto: 'Sin datos nuevos desde ' + desdeCuando(new Date(desde), new Date(ahoraMs)),
        aviso: 'El archivo se escribió por última vez ' + QV.formato.antiguedad((ahoraMs - desde) / 1000) +
          '. ¿Sigue abierto MetaTrader 5 con el asesor QuorvexEstado en un gráfico?',
      };
    }
    const desconectado = estado.connected === false;
    return {
      clave: 'vivo',
      texto: 'En vivo',
      aviso: desconectado ? 'El terminal no está conectado al servidor de operaciones.' : '',
    };
  }

  // Equity of this session, one point per new file time. A different account
  // starts a new line; times that go backwards (an older file won the newest-
  // file race, or the writer's clock jumped) are ignored.
  function crearSerie(maximo) {
    const tope = maximo || 7200;
    let clave = null;
    let puntos = [];
    return {
      anadir(cuenta, t, v) {
        if (typeof t !== 'number' || typeof v !== 'number' || !isFinite(t) || !isFinite(v)) {
          return false;
        }
        if (cuenta !== clave) {
          clave = cuenta;
          puntos = [];
        }
        const ultimo = puntos[puntos.length - 1];
        if (ultimo && t <= ultimo.t) return false;
        puntos.push({ t, v });
        if (puntos.length > tope) puntos.splice(0, puntos.length - tope);
        return true;
      },
      puntos: () => puntos.slice(),
    };
  }

  // Points → pixel coordinates inside a w×h box with a margin; time on x,
  // value on y (up is more). A flat line sits in the middle. A pixel column
  // keeps only its lowest and highest point, in their order: the line looks
  // the same, and two hours of seconds do not make a path of 7200 segments to
  // stroke on every beat (17 ms a beat here, against 0.4 ms for a minute's);
  // one point when they are less than a pixel apart.
  function escalarSerie(puntos, ancho, alto, margen) {
    const m = margen || 0;
    if (!puntos.length) return { xy: [], min: null, max: null };
    let min = Infinity;
    let max = -Infinity;
    for (const p of puntos) {
      if (p.v < min) min = p.v;
      if (p.v > max) max = p.v;
    }
    const t0 = puntos[0].t;
    const dt = puntos[puntos.length - 1].t - t0;
    const dv = max - min;
    const w = ancho - 2 * m;
    const h = alto - 2 * m;
    const x = (p) => m + (dt > 0 ? ((p.t - t0) / dt) * w : w);
    const y = (p) => m + (dv > 0 ? (1 - (p.v - min) / dv) * h : h / 2);
    const xy = [];
    let columna = null;
    let arriba = -1; // the column's highest point and its lowest, by place in the series
    let abajo = -1;
    const cerrar = () => {
      if (arriba < 0) return;
      const a = puntos[arriba];
      const b = puntos[abajo];
      if (y(b) - y(a) < 1) xy.push([x(a), y(a)]);
      else if (arriba < abajo) xy.push([x(a), y(a)], [x(b), y(b)]);
      else xy.push([x(b), y(b)], [x(a), y(a)]);
    };
    for (let i = 0; i < puntos.length; i++) {
      const c = Math.floor(x(puntos[i]));
      if (c !== columna) {
        cerrar();
        columna = c;
        arriba = abajo = i;
      } else if (puntos[i].v > puntos[arriba].v) {
        arriba = i;
      } else if (puntos[i].v < puntos[abajo].v) {
        abajo = i;
      }
    }
    cerrar();
    return { xy, min, max };
  }

  QV.mt5 = { interpretarEstado, interpretarCuentas, situacion, crearVigia, crearSerie, escalarSerie };
  if (typeof module !== 'undefined') module.exports = QV.mt5;
})(typeof window !== 'undefined' ? window : globalThis);
