// The trader's guard: where each account limit breaks, the room left before
// it and the zone that puts the account in, from the MT5 status snapshots.
// No DOM here. What a limit needs from earlier snapshots (start-of-day
// values, the highest end-of-day balance) lives in `memoria`, which the page
// keeps per account so that a restart in the middle of the day changes nothing.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  const ZONAS = ['normal', 'precaucion', 'stop'];
  const num = (v) => typeof v === 'number' && isFinite(v);

  // Zone of the share of a limit already used.
  const zonaDe = (usado) => (usado < 0.4 ? 'normal' : usado <= 0.7 ? 'precaucion' : 'stop');
  const empeora = (antes, ahora) => ZONAS.indexOf(ahora) > ZONAS.indexOf(antes || 'normal');

  const ZONAS_HORARIAS = {
    'Europe/Berlin': 'CET/CEST',
    'America/New_York': 'Nueva York',
    UTC: 'UTC',
    'Europe/London': 'Londres',
  };

  // Presets carry the rule in their name, never a firm's.
  const PRESETS = [
    {
      nombre: '5 % diario sobre el saldo del día, reinicio 00:00 CET; 10 % máximo fijo',
      diaria: { tipo: 'porcentaje', valor: 5, base: 'saldo', hora: '00:00', zona: 'Europe/Berlin' },
      maxima: { modelo: 'fija', tipo: 'porcentaje', valor: 10, bloqueo: false },
    },
    {
      nombre: '4 % diario sobre el mayor de saldo y patrimonio, reinicio 17:00 Nueva York; ' +
        '6 % máximo al cierre, con tope en el saldo inicial',
      diaria: { tipo: 'porcentaje', valor: 4, base: 'mayor', hora: '17:00', zona: 'America/New_York' },
      maxima: { modelo: 'cierre', tipo: 'porcentaje', valor: 6, bloqueo: true },
    },
    {
      nombre: '3 % diario sobre el patrimonio del día, reinicio 00:30 UTC; 5 % máximo intradía',
      diaria: { tipo: 'porcentaje', valor: 3, base: 'patrimonio', hora: '00:30', zona: 'UTC' },
      maxima: { modelo: 'intradia', tipo: 'porcentaje', valor: 5, bloqueo: false },
    },
  ];

  const uno = (v, lista, defecto) => (lista.includes(v) ? v : defecto);
  const positivo = (v) => (num(v) && v > 0 ? v : null);

  // Settings as stored (hand-edited, older page...) → a complete, usable set.
  function normalizar(l) {
    l = l && typeof l === 'object' ? l : {};
    const d = l.diaria && typeof l.diaria === 'object' ? l.diaria : null;
    const m = l.maxima && typeof l.maxima === 'object' ? l.maxima : null;
    return {
      diaria: d && positivo(d.valor) ? {
        tipo: uno(d.tipo, ['porcentaje', 'importe'], 'porcentaje'),
        valor: d.valor,
        base: uno(d.base, ['saldo', 'patrimonio', 'mayor'], 'saldo'),
        hora: /^([01]\d|2[0-3]):[0-5]\d$/.test(d.hora) ? d.hora : '00:00',
        zona: uno(d.zona, Object.keys(ZONAS_HORARIAS), 'UTC'),
      } : null,
      maxima: m && positivo(m.valor) ? {
        modelo: uno(m.modelo, ['fija', 'cierre', 'intradia'], 'fija'),
        tipo: uno(m.tipo, ['porcentaje', 'importe'], 'porcentaje'),
        valor: m.valor,
        bloqueo: m.bloqueo === true,
      } : null,
      saldoInicial: positivo(l.saldoInicial),
      margen: positivo(l.margen),
      avisoNoticiasMin: positivo(l.avisoNoticiasMin) || 2,
    };
  }

  const formatos = new Map();
  function paredEn(zona, ms) {
    if (!formatos.has(zona)) {
      formatos.set(zona, new Intl.DateTimeFormat('en-US', {
        timeZone: zona, hourCycle: 'h23', year: 'numeric', month: 'numeric', day: 'numeric',
        hour: 'numeric', minute: 'numeric', second: 'numeric',
      }));
    }
    const p = {};
    for (const { type, value } of formatos.get(zona).formatToParts(ms)) p[type] = Number(value);
    return p;
  }

  function desfase(zona, ms) {
    const p = paredEn(zona, ms);
    return Date.UTC(p.year, p.month - 1, p.day, p.hour, p.minute, p.second) - Math.floor(ms / 1000) * 1000;
  }

  // The instant the clock of `zona` reads that day at h:mi. A time skipped
  // by a daylight-saving change is taken as the clock reads it an hour later.
  function instante(zona, y, m, d, h, mi) {
    const pared = Date.UTC(y, m - 1, d, h, mi);
    return pared - desfase(zona, pared - desfase(zona, pared));
  }

  // Start of the trading day holding `ms`: the last reset at or before it.
  function inicioDelDia(ms, hora, zona) {
    const [h, mi] = hora.split(':').map(Number);
    const p = paredEn(zona, ms);
    const t = instante(zona, p.year, p.month, p.day, h, mi);
    if (t <= ms) return t;
    const ayer = new Date(Date.UTC(p.year, p.month - 1, p.day - 1));
    return instante(zona, ayer.getUTCFullYear(), ayer.getUTCMonth() + 1, ayer.getUTCDate(), h, mi);
  }

  // The first reset after `ms`: the day after the start of the day holding it.
  function proximoReinicio(ms, hora, zona) {
    const [h, mi] = hora.split(':').map(Number);
    const p = paredEn(zona, inicioDelDia(ms, hora, zona));
    for (let dias = 1; dias < 4; dias++) {
      const d = new Date(Date.UTC(p.year, p.month - 1, p.day + dias));
      const t = instante(zona, d.getUTCFullYear(), d.getUTCMonth() + 1, d.getUTCDate(), h, mi);
      if (t > ms) return t;
    }
    return ms + 86400000;
  }

  // One snapshot { t (ms, the file's time), balance, equity } on top of what
  // was remembered. The first snapshot of a trading day gives its start-of-day
  // values; the last balance of the day before is that day's closing one.
  function avanzar(mem, lim, s) {
    if (!s || !num(s.t) || !num(s.balance) || !num(s.equity)) return mem;
    const d = lim.diaria || { hora: '00:00', zona: 'UTC' };
    const dia = inicioDelDia(s.t, d.hora, d.zona);
    if (!mem || !num(mem.dia)) {
      return { dia, saldoDia: s.balance, patrimonioDia: s.equity, maxCierre: null,
        maxPatrimonio: s.equity, saldoInicial: s.balance, ultimoSaldo: s.balance, t: s.t };
    }
    if (s.t < mem.t) return mem;
    const m = Object.assign({}, mem);
    if (dia > m.dia) {
      m.maxCierre = num(m.maxCierre) ? Math.max(m.maxCierre, m.ultimoSaldo) : m.ultimoSaldo;
      m.dia = dia;
      m.saldoDia = s.balance;
      m.patrimonioDia = s.equity;
    }
    m.maxPatrimonio = Math.max(m.maxPatrimonio, s.equity);
    m.ultimoSaldo = s.balance;
    m.t = s.t;
    return m;
  }

  const cantidad = (regla, sobre) => (regla.tipo === 'importe' ? regla.valor : (sobre * regla.valor) / 100);

  // `perdida` is the room the rule allows below `referencia`.
  function medida(referencia, perdida, linea, equity) {
    const holgura = equity - linea;
    const usado = perdida > 0 ? Math.max(0, 1 - holgura / perdida) : 1;
    return { referencia, linea, holgura, usado, zona: zonaDe(usado), superado: holgura <= 0 };
  }

  // Limits, memory and the account of the latest snapshot → one gauge per
  // limit set, and the margin level against its warning threshold.
  function evaluar(lim, mem, cuenta) {
    const r = { diaria: null, maxima: null, margen: null };
    if (!mem || !num(cuenta.equity)) return r;
    const eq = cuenta.equity;
    const inicial = lim.saldoInicial || mem.saldoInicial;
    if (lim.diaria) {
      const base = { saldo: mem.saldoDia, patrimonio: mem.patrimonioDia,
        mayor: Math.max(mem.saldoDia, mem.patrimonioDia) }[lim.diaria.base];
      const perdida = cantidad(lim.diaria, base);
      r.diaria = medida(base, perdida, base - perdida, eq);
    }
    if (lim.maxima) {
      const dd = cantidad(lim.maxima, inicial);
      const modelo = lim.maxima.modelo;
      const pico = modelo === 'cierre' ? Math.max(inicial, num(mem.maxCierre) ? mem.maxCierre : -Infinity)
        : modelo === 'intradia' ? Math.max(inicial, mem.maxPatrimonio) : inicial;
      const linea = lim.maxima.bloqueo ? Math.min(pico - dd, inicial) : pico - dd;
      r.maxima = medida(pico, dd, linea, eq);
    }
    const stopOut = positivo(cuenta.marginStopOut);
    const umbral = lim.margen || (stopOut ? 2 * stopOut : 100);
    const nivel = cuenta.margin > 0 && num(cuenta.marginLevel) ? cuenta.marginLevel : null;
    r.margen = {
      umbral,
      nivel,
      zona: nivel === null || nivel >= umbral ? 'normal' : stopOut && nivel <= stopOut ? 'stop' : 'precaucion',
    };
    return r;
  }

  // The clock of the day: the daily rule's, or midnight UTC without one.
  const relojDe = (lim) => lim.diaria || { hora: '00:00', zona: 'UTC' };

  // Early warnings at these shares of a limit. A level warned about is
  // taken back only once the share falls MARGEN_AVISO below it, so that an
  // equity hovering at a threshold warns once.
  const NIVELES_AVISO = [0.75, 0.9];
  const MARGEN_AVISO = 0.05;
  const EPS = 1e-9;

  // After `avanzar`: what a snapshot at `t` does to the lockouts and the early
  // warnings kept in the memory. A limit that breaks locks the account's
  // guard until the next reset of the day's clock (both the daily loss and
  // the maximum drawdown: the latter locks again at once if it still stands
  // broken); a lockout ends with the first snapshot at or after its end.
  // → { mem, eventos }, eventos being { tipo: 'bloqueo' | 'fin' | 'aviso', regla, ... }.
  function vigilar(mem, lim, cuenta, t) {
    const eventos = [];
    if (!mem || !num(t) || t < mem.t) return { mem, eventos };
    const m = Object.assign({}, mem, {
      bloqueos: Object.assign({}, mem.bloqueos),
      niveles: Object.assign({}, mem.niveles),
    });
    for (const [regla, b] of Object.entries(m.bloqueos)) {
      if (t >= b.hasta) {
        delete m.bloqueos[regla];
        eventos.push({ tipo: 'fin', regla });
      }
    }
    const r = evaluar(lim, m, cuenta);
    const reloj = relojDe(lim);
    for (const regla of ['diaria', 'maxima']) {
      const x = r[regla];
      if (!x) {
        delete m.niveles[regla];
        continue;
      }
      if (x.superado && !m.bloqueos[regla]) {
        m.bloqueos[regla] = { desde: t, hasta: proximoReinicio(t, reloj.hora, reloj.zona), linea: x.linea,
          equity: cuenta.equity };
        eventos.push({ tipo: 'bloqueo', regla, bloqueo: m.bloqueos[regla] });
      }
      let nivel = m.niveles[regla] || 0;
      while (nivel > 0 && x.usado < nivel - MARGEN_AVISO - EPS) {
        nivel = NIVELES_AVISO.filter((n) => n < nivel).pop() || 0;
      }
      const alcanzado = NIVELES_AVISO.filter((n) => x.usado + EPS >= n).pop() || 0;
      if (alcanzado > nivel) {
        nivel = alcanzado;
        if (!x.superado) eventos.push({ tipo: 'aviso', regla, nivel, medida: x });
      }
      if (nivel) m.niveles[regla] = nivel;
      else delete m.niveles[regla];
    }
    return { mem: m, eventos };
  }

  // Per login, as the page keeps it: `avanzar` then `vigilar` for one
  // snapshot { t, balance, equity } of that login. → { memorias, eventos }.
  function observar(memorias, login, lim, s) {
    const avanzada = avanzar(memorias[login], lim, s);
    const { mem, eventos } = avanzada === memorias[login] ? { mem: avanzada, eventos: [] }
      : vigilar(avanzada, lim, s, s.t);
    return { memorias: Object.assign({}, memorias, { [login]: mem }), eventos };
  }

  // The lockouts still running at `ahoraMs`, the daily one first.
  function bloqueosVigentes(mem, ahoraMs) {
    const b = (mem && mem.bloqueos) || {};
    return ['diaria', 'maxima'].filter((regla) => b[regla] && ahoraMs < b[regla].hasta)
      .map((regla) => Object.assign({ regla }, b[regla]));
  }

  // While a lockout runs, new limits are taken only when no rule goes
  // looser: no rule removed, none measured another way, no allowance in money
  // larger, and no lower initial balance. → null when taken, else the reason.
  const NOMBRES_REGLA = { diaria: 'la pérdida diaria', maxima: 'la pérdida máxima' };
  function endurece(viejo, nuevo, mem) {
    mem = mem || {};
    const inicial = (l) => l.saldoInicial || mem.saldoInicial;
    if (num(inicial(viejo)) && !(inicial(nuevo) >= inicial(viejo) - EPS)) return 'el saldo inicial no puede bajar';
    const forma = { diaria: ['base', 'hora', 'zona'], maxima: ['modelo', 'bloqueo'] };
    for (const regla of ['diaria', 'maxima']) {
      const a = viejo[regla];
      const b = nuevo[regla];
      if (!a) continue;
      if (!b) return NOMBRES_REGLA[regla] + ' no se puede quitar';
      if (forma[regla].some((k) => a[k] !== b[k])) return NOMBRES_REGLA[regla] + ' no puede cambiar de forma de medirse';
      const sobre = regla === 'maxima' ? inicial(viejo)
        : { saldo: mem.saldoDia, patrimonio: mem.patrimonioDia,
          mayor: Math.max(mem.saldoDia, mem.patrimonioDia) }[a.base];
      if (!num(sobre)) {
        if (a.tipo !== b.tipo || b.valor > a.valor + EPS) return NOMBRES_REGLA[regla] + ' no puede subir';
      } else if (cantidad(b, sobre) > cantidad(a, sobre) + EPS) {
        return NOMBRES_REGLA[regla] + ' no puede subir';
      }
    }
    return null;
  }

  // Currencies of the open positions: both halves of a six-letter symbol
  // (a broker's suffix, as in "EURUSDm", is left aside).
  function divisas(posiciones) {
    const d = new Set();
    for (const p of posiciones) {
      const par = /^([A-Z]{3})([A-Z]{3})/.exec(String(p.symbol || '').toUpperCase());
      if (par) d.add(par[1]).add(par[2]);
    }
    return d;
  }

  function proximaNoticia(eventos, monedas, ahoraMs) {
    return (eventos || []).find((e) => e.impacto === 'alto' && monedas.has(e.pais.toUpperCase()) &&
      e.fecha.getTime() >= ahoraMs) || null;
  }

  // "1 h 05 min", "4 min 07 s", "9 s".
  function cuentaAtras(ms) {
    const s = Math.max(0, Math.floor(ms / 1000));
    const dos = (n) => (n < 10 ? '0' : '') + n;
    if (s >= 3600) return Math.floor(s / 3600) + ' h ' + dos(Math.floor(s / 60) % 60) + ' min';
    if (s >= 60) return Math.floor(s / 60) + ' min ' + dos(s % 60) + ' s';
    return s + ' s';
  }

  QV.guardia = { ZONAS_HORARIAS, PRESETS, NIVELES_AVISO, MARGEN_AVISO, normalizar, paredEn, instante,
    inicioDelDia, proximoReinicio, avanzar, evaluar, vigilar, observar, bloqueosVigentes, endurece,
    empeora, divisas, proximaNoticia, cuentaAtras };
  if (typeof module !== 'undefined') module.exports = QV.guardia;
})(typeof window !== 'undefined' ? window : globalThis);
