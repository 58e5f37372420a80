'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const g = require('../../web/js/guardia.js');
const { interpretarEstado } = require('../../web/js/mt5.js');

const ms = (iso) => Date.parse(iso);
const cent = (v) => Math.round(v * 100) / 100;

test('the trading day starts at the last reset in its own time zone, across daylight-saving changes', () => {
  for (const [ahora, hora, zona, inicio] of [
    ['2024-03-31T21:59:00Z', '00:00', 'Europe/Berlin', '2024-03-30T23:00:00.000Z'], // CET
    ['2024-03-31T22:00:00Z', '00:00', 'Europe/Berlin', '2024-03-31T22:00:00.000Z'], // CEST from here
    ['2024-10-27T23:00:00Z', '00:00', 'Europe/Berlin', '2024-10-27T23:00:00.000Z'], // back to CET
    ['2024-03-31T05:00:00Z', '02:30', 'Europe/Berlin', '2024-03-31T01:30:00.000Z'], // 02:30 never showed
    ['2024-03-10T21:00:00Z', '17:00', 'America/New_York', '2024-03-10T21:00:00.000Z'], // EDT
  ]) {
    assert.equal(new Date(g.inicioDelDia(ms(ahora), hora, zona)).toISOString(), inicio, ahora + ' ' + zona);
  }
});

// Each step: [file time, balance, equity, break line, buffer, zone]. The
// memory is stored and read back at every step, as the page does.
const MODELOS = [
  [{ diaria: { valor: 5, base: 'saldo', hora: '00:00', zona: 'Europe/Berlin' } }, 'diaria', [
    ['2024-03-30T22:00:00Z', 10000, 10000, 9500, 500, 'normal'],
    ['2024-03-30T22:59:00Z', 9800, 9700, 9500, 200, 'precaucion'],
    ['2024-03-30T23:00:00Z', 9800, 9750, 9310, 440, 'normal'], // midnight CET
    ['2024-03-31T21:59:00Z', 9600, 9400, 9310, 90, 'stop'],
  ]],
  [{ diaria: { tipo: 'importe', valor: 400, base: 'mayor', hora: '17:00', zona: 'America/New_York' } }, 'diaria', [
    ['2024-03-08T21:00:00Z', 10000, 10200, 9800, 400, 'normal'],
    ['2024-03-08T22:00:00Z', 10150, 10100, 9750, 350, 'normal'], // 17:00 EST
  ]],
  [{ maxima: { modelo: 'fija', valor: 10 }, saldoInicial: 10000 }, 'maxima', [
    ['2024-01-02T10:00:00Z', 10500, 10400, 9000, 1400, 'normal'],
  ]],
  // Trailing the highest end-of-day balance (the day's own highs do not count), locked at the start.
  [{ maxima: { modelo: 'cierre', valor: 6, bloqueo: true }, saldoInicial: 10000 }, 'maxima', [
    ['2024-01-02T23:00:00Z', 10400, 10400, 9400, 1000, 'normal'],
    ['2024-01-03T01:00:00Z', 10400, 9900, 9800, 100, 'stop'],
    ['2024-01-03T23:00:00Z', 10900, 10900, 9800, 1100, 'normal'],
    ['2024-01-04T01:00:00Z', 10900, 10500, 10000, 500, 'normal'],
  ]],
  [{ maxima: { modelo: 'intradia', valor: 5 } }, 'maxima', [
    ['2024-01-02T10:00:00Z', 10000, 10000, 9500, 500, 'normal'],
    ['2024-01-02T11:00:00Z', 10000, 10350, 9850, 500, 'normal'],
    ['2024-01-02T13:00:00Z', 10100, 9800, 9850, -50, 'stop'],
  ]],
];

test('each limit model gives its break line, buffer and zone along a sequence of snapshots; only a worse zone is news', () => {
  for (const [limites, medida, pasos] of MODELOS) {
    const lim = g.normalizar(limites);
    let mem = null;
    for (const [iso, balance, equity, linea, holgura, zona] of pasos) {
      mem = JSON.parse(JSON.stringify(g.avanzar(mem, lim, { t: ms(iso), balance, equity })));
      const m = g.evaluar(lim, mem, { equity })[medida];
      assert.deepEqual([cent(m.linea), cent(m.holgura), m.zona, m.superado], [linea, holgura, zona, holgura <= 0], iso);
    }
  }
  const pasos = [[undefined, 'precaucion'], ['precaucion', 'stop'], ['stop', 'stop'], ['stop', 'precaucion'], [undefined, 'normal']];
  assert.deepEqual(pasos.map(([antes, ahora]) => g.empeora(antes, ahora)), [true, true, false, false, false]);
});

test('an older file changes nothing', () => {
  const lim = g.normalizar({ diaria: { valor: 5, base: 'saldo', hora: '00:00', zona: 'UTC' } });
  const s = (iso, balance, equity) => ({ t: ms(iso), balance, equity });
  const tarde = g.avanzar(g.avanzar(null, lim, s('2024-01-02T08:00:00Z', 10000, 10000)), lim, s('2024-01-02T15:00:00Z', 9700, 9600));
  assert.deepEqual(g.avanzar(tarde, lim, s('2024-01-02T09:00:00Z', 1, 1)), tarde);
});

test('the margin warning sits at twice the stop-out level the file gives, else 100 %, or where the user put it', () => {
  for (const [margen, cuenta, umbral, zona] of [
    [undefined, { margin: 0, marginLevel: 0 }, 100, 'normal'],
    [undefined, { margin: 100, marginLevel: 90 }, 100, 'precaucion'],
    [undefined, { margin: 100, marginLevel: 150, marginStopOut: 80 }, 160, 'precaucion'],
    [undefined, { margin: 100, marginLevel: 50, marginStopOut: 50 }, 100, 'stop'], // at the stop-out itself
    [300, { margin: 100, marginLevel: 250, marginStopOut: 50 }, 300, 'precaucion'],
  ]) {
    const r = g.evaluar(g.normalizar({ margen }), { saldoInicial: 1 }, Object.assign({ equity: 1 }, cuenta)).margen;
    assert.deepEqual([r.umbral, r.zona], [umbral, zona], JSON.stringify(cuenta));
  }
});

test('the next high-impact event is of an open position\'s currency', () => {
  const { estado } = interpretarEstado(fs.readFileSync(path.join(__dirname, '../data/mt5/live.json'), 'utf8'));
  const monedas = g.divisas(estado.positions.concat([{ symbol: 'GBPJPYm' }, { symbol: 'US30' }]));
  assert.deepEqual([...monedas].sort(), ['EUR', 'GBP', 'JPY', 'USD', 'XAU']);
  const ev = (pais, impacto, iso) => ({ pais, impacto, titulo: pais + impacto, fecha: new Date(iso) });
  const eventos = [ev('USD', 'alto', '2024-01-05T12:59:00Z'), ev('CAD', 'alto', '2024-01-05T13:10:00Z'),
    ev('EUR', 'medio', '2024-01-05T13:20:00Z'), ev('USD', 'alto', '2024-01-05T13:30:00Z')];
  assert.equal(g.proximaNoticia(eventos, monedas, ms('2024-01-05T13:00:00Z')).titulo, 'USDalto');
  assert.deepEqual([3723000, 247000, -5].map(g.cuentaAtras), ['1 h 02 min', '4 min 07 s', '0 s']);
});

test('stored settings are taken only when usable, and every preset survives them', () => {
  const raro = g.normalizar({ diaria: { valor: 4, base: 'x', hora: '25:00', zona: 'Marte/Olimpo' }, maxima: { valor: -1 } });
  assert.deepEqual([raro.diaria.base, raro.diaria.hora, raro.diaria.zona, raro.maxima], ['saldo', '00:00', 'UTC', null]);
  for (const p of g.PRESETS) assert.deepEqual(Object.values(g.normalizar(p)).slice(0, 2), [p.diaria, p.maxima], p.nombre);
});

// A daily loss of 5 % of 10 000, reset at 00:00 UTC. Each step: [file time, equity, limits saved (or none), what
// the save gives, lockouts running afterwards, events]; the memory goes through storage, as a restart reads it.
test('a broken limit locks the guard until the next reset, through a restart; while locked limits only tighten', () => {
  const diaria = (valor, extra) => g.normalizar(Object.assign({ diaria: { valor, base: 'saldo', hora: '00:00', zona: 'UTC' },
    maxima: { modelo: 'fija', valor: 10 }, saldoInicial: 10000 }, extra));
  let lim = diaria(5);
  let memorias = {};
  const pasos = [
    ['2024-01-02T08:00:00Z', 10000, null, null, [], []],
    ['2024-01-02T09:00:00Z', 9490, null, null, ['diaria'], ['bloqueo:diaria']],
    ['2024-01-02T09:00:01Z', 9600, null, null, ['diaria'], []], // back above the line: still locked
    ['2024-01-02T10:00:00Z', 9600, diaria(6), 'la pérdida diaria no puede subir', ['diaria'], []],
    ['2024-01-02T10:00:00Z', 9600, diaria(5, { diaria: null }), 'la pérdida diaria no se puede quitar', ['diaria'], []],
    ['2024-01-02T10:00:00Z', 9600, diaria(5, { diaria: { valor: 5, base: 'patrimonio', hora: '00:00', zona: 'UTC' } }),
      'la pérdida diaria no puede cambiar de forma de medirse', ['diaria'], []],
    ['2024-01-02T10:00:00Z', 9600, diaria(5, { saldoInicial: 9000 }), 'el saldo inicial no puede bajar', ['diaria'], []],
    ['2024-01-02T10:00:00Z', 9600, diaria(4), null, ['diaria'], []], // tighter: taken
    ['2024-01-02T23:59:59Z', 9600, null, null, ['diaria'], []],
    ['2024-01-03T00:00:00Z', 9700, null, null, [], ['fin:diaria']], // the reset
    ['2024-01-03T01:00:00Z', 9700, diaria(6), null, [], []], // unlocked: loosening is taken
  ];
  for (const [iso, equity, nuevo, motivo, vigentes, eventos] of pasos) {
    const t = ms(iso);
    if (nuevo) {
      const locked = g.bloqueosVigentes(memorias['1'], t).length > 0;
      const dicho = locked ? g.endurece(lim, nuevo, memorias['1']) : null;
      assert.equal(dicho, motivo, iso);
      if (!dicho) lim = nuevo;
    }
    const r = g.observar(JSON.parse(JSON.stringify(memorias)), '1', lim, { t, balance: 10000, equity });
    memorias = r.memorias;
    assert.deepEqual(r.eventos.map((e) => e.tipo + ':' + e.regla), eventos, iso);
    assert.deepEqual(g.bloqueosVigentes(memorias['1'], t).map((b) => b.regla), vigentes, iso);
  }
  // The lockout ends with the reset of its own clock: 00:00 CET is 23:00 UTC in winter.
  assert.equal(new Date(g.proximoReinicio(ms('2024-01-02T23:30:00Z'), '00:00', 'Europe/Berlin')).toISOString(),
    '2024-01-03T23:00:00.000Z');
  assert.equal(new Date(g.proximoReinicio(ms('2024-03-30T23:30:00Z'), '00:00', 'Europe/Berlin')).toISOString(),
    '2024-03-31T22:00:00.000Z');
});

test('early warnings at 75 % and 90 % of a limit, once each until the use falls 5 points below', () => {
  const lim = g.normalizar({ diaria: { tipo: 'importe', valor: 100, base: 'saldo', hora: '00:00', zona: 'UTC' } });
  let memorias = {};
  // Equity for a used share: 10 000 − used × 100.
  const pasos = [[50, []], [75, ['75']], [74, []], [76, []], [70.5, []], [75, []], [69, []], [75, ['75']],
    [95, ['90']], [86, []], [91, []], [84, []], [90, ['90']], [100, []]];
  pasos.forEach(([usado, avisos], i) => {
    const s = { t: ms('2024-01-02T08:00:00Z') + i * 1000, balance: 10000, equity: 10000 - usado };
    const r = g.observar(memorias, '1', lim, s);
    memorias = r.memorias;
    assert.deepEqual(r.eventos.filter((e) => e.tipo === 'aviso').map((e) => String(e.nivel * 100)), avisos, 'usado ' + usado);
  });
});

test('lockouts, warnings and day values are per login: another account in the file leaves them be', () => {
  const lim = g.normalizar({ diaria: { valor: 5, base: 'saldo', hora: '00:00', zona: 'UTC' } });
  let memorias = {};
  const eventos = [];
  for (const [login, iso, balance, equity] of [['111', '08:00', 10000, 10000], ['111', '09:00', 10000, 9400],
    ['222', '09:30', 50000, 49000], ['111', '10:00', 10000, 9900], ['222', '10:30', 50000, 47400]]) {
    const r = g.observar(memorias, login, lim, { t: ms('2024-01-02T' + iso + ':00Z'), balance, equity });
    memorias = r.memorias;
    eventos.push(...r.eventos.map((e) => login + ':' + e.tipo + (e.nivel ? e.nivel * 100 : '')));
  }
  assert.deepEqual(eventos, ['111:bloqueo', '222:bloqueo']);
  const t = ms('2024-01-02T11:00:00Z');
  assert.deepEqual(['111', '222'].map((l) => [g.bloqueosVigentes(memorias[l], t).length, memorias[l].saldoDia]),
    [[1, 10000], [1, 50000]]);
  assert.deepEqual(g.bloqueosVigentes(memorias['333'], t), []);
});
