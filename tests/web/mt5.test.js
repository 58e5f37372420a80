'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { interpretarEstado, situacion, crearVigia, crearSerie, escalarSerie } = require('../../web/js/mt5.js');
const formato = require('../../web/js/formato.js');

const muestra = (nombre) => fs.readFileSync(path.join(__dirname, '../data/mt5', nombre), 'utf8');
const T = 1733490000;

test('a live file gives the account and both positions', () => {
  const r = interpretarEstado(muestra('live.json'));
  assert.equal(r.ok, true);
  const { account: a, positions: p } = r.estado;
  assert.equal(r.estado.time, T);
  assert.equal(r.estado.connected, true);
  assert.deepEqual([a.login, a.server, a.currency, a.name], ['52071834', 'Exness-MT5Real8', 'USD', 'María Núñez "Mar"']);
  assert.deepEqual([a.balance, a.equity, a.margin, a.freeMargin, a.marginLevel, a.profit], [10250.75, 10187.4, 412.3, 9775.1, 2470.87, -63.35]);
  assert.deepEqual(p.map((x) => [x.ticket, x.symbol, x.type, x.volume, x.digits]), [
    ['901234567', 'EURUSD', 'buy', 0.5, 5],
    ['901234601', 'XAUUSD', 'sell', 0.02, 2],
  ]);
  assert.equal(p[0].openPrice, 1.05412);
  assert.equal(p[1].tp, 2630);
});

test('a minimal file leaves the rest empty and derives the floating profit', () => {
  const r = interpretarEstado(muestra('minimal.json'));
  assert.equal(r.ok, true);
  const a = r.estado.account;
  assert.equal(a.login, '');
  assert.equal(a.margin, null);
  assert.equal(a.profit, 12.25, 'equity − balance when the writer gave no profit');
  assert.deepEqual(r.estado.positions, []);
  assert.equal(r.estado.connected, null);
});

test('odd types and unknown fields are tolerated', () => {
  const r = interpretarEstado(muestra('odd.json'));
  assert.equal(r.ok, true);
  const { account: a, positions: p } = r.estado;
  assert.equal(r.estado.time, T, 'numeric string');
  assert.equal(a.login, '52071834');
  assert.equal(a.balance, 10250.75);
  assert.equal(a.equity, null);
  assert.equal(a.margin, null);
  assert.equal(a.currency, '840');
  assert.equal(a.profit, null, 'no derived profit without equity');
  assert.deepEqual(p.map((x) => [x.symbol, x.type, x.volume]), [
    ['GBPUSD', 'sell', 0.1],
    ['USDJPY', 'buy', 1],
    ['BTCUSD', '', null],
  ]);
});

test('unreadable content is reported, never thrown', () => {
  const casos = [
    [muestra('malformed.json'), 'archivo ilegible'],
    ['', 'archivo vacío'],
    ['\uFEFF  \u0000', 'archivo vacío'],
    ['[1,2]', 'archivo ilegible'],
    ['null', 'archivo ilegible'],
    ['"texto"', 'archivo ilegible'],
    ['{"time": 1e999}', null],
    [undefined, 'sin datos'],
  ];
  for (const [entrada, motivo] of casos) {
    const r = interpretarEstado(entrada);
    if (motivo === null) {
      assert.equal(r.ok, true);
      assert.equal(r.estado.time, null, 'infinite time is no time');
    } else assert.deepEqual(r, { ok: false, motivo }, JSON.stringify(entrada));
  }
});

test('a BOM and trailing NULs from the writer do not matter', () => {
  const r = interpretarEstado('\uFEFF{"time": 5, "account": {"balance": 1}}\u0000\u0000\r\n');
  assert.equal(r.ok, true);
  assert.equal(r.estado.time, 5);
});

test('only a file whose time still moves is live; a stopped one says since when', () => {
  // Local times, so the expected hours hold in any time zone.
  const at = (h, m, s, day = 6) => new Date(2024, 11, day, h, m, s).getTime();
  const sec = (ms) => ms / 1000;
  const AVISO = /^El archivo se escribió por última vez hace (\d+ \w+)\. ¿Sigue abierto MetaTrader 5/;
  const casos = [
    // [file time (s), page now, first seen, connected, pill, age in notice]
    [sec(at(14, 32, 0)), at(14, 32, 5), undefined, true, 'En vivo', null],
    [sec(at(14, 32, 0)), at(14, 32, 5) + 1, undefined, true, 'Sin datos nuevos desde las 14:32', '5 s'],
    [sec(at(14, 32, 0)), at(15, 40, 0), at(14, 32, 1), true, 'Sin datos nuevos desde las 14:32', '1 h'],
    [sec(at(1, 5, 0)), at(1, 9, 0), undefined, true, 'Sin datos nuevos desde la 01:05', '4 min'],
    [sec(at(23, 59, 0, 5)), at(0, 10, 0), undefined, true, 'Sin datos nuevos desde el jueves 5 dic a las 23:59', '11 min'],
    [sec(at(14, 32, 0)), at(14, 31, 30), at(14, 31, 28), false, 'En vivo', null], // writer clock ahead of ours
    // Ahead, and the same time for too long: it stopped when we first saw it.
    [sec(at(14, 32, 0)), at(14, 31, 40), at(14, 31, 28), true, 'Sin datos nuevos desde las 14:31', '12 s'],
  ];
  for (const [time, ahora, visto, connected, pildora, edad] of casos) {
    const r = situacion({ time, connected }, ahora, 5, visto);
    const nombre = pildora + ' @' + new Date(ahora).toTimeString();
    assert.equal(r.texto, pildora, nombre);
    assert.equal(r.clave, edad ? 'antiguo' : 'vivo', nombre);
    if (edad) assert.equal(AVISO.exec(r.aviso)?.[1], edad, r.aviso);
    else assert.equal(r.aviso, connected ? '' : 'El terminal no está conectado al servidor de operaciones.');
  }
  const sinHora = situacion({ time: null, connected: true }, at(14, 32, 0), 5, at(14, 32, 0));
  assert.equal(sinHora.clave, 'antiguo', 'a file without time cannot prove it is fresh');
  assert.notEqual(sinHora.texto, 'En vivo');

  const v = crearVigia();
  const vistos = [[10, 1000], [10, 2000], [11, 3000], [11, 9000], [10, 9500]].map(([t, a]) => v.vistoDesde(t, a));
  assert.deepEqual(vistos, [1000, 1000, 3000, 3000, 9500], 'restarts whenever the file time changes');
});

test('the equity line keeps one point per new file time and restarts per account', () => {
  const s = crearSerie(3);
  assert.equal(s.anadir('A', 1, 100), true);
  assert.equal(s.anadir('A', 1, 101), false, 'same file read twice');
  assert.equal(s.anadir('A', 0, 99), false, 'older file');
  assert.equal(s.anadir('A', 2, NaN), false);
  s.anadir('A', 2, 102);
  s.anadir('A', 3, 103);
  s.anadir('A', 4, 104);
  assert.deepEqual(s.puntos().map((p) => p.t), [2, 3, 4], 'capped, oldest dropped');
  s.anadir('B', 1, 5);
  assert.deepEqual(s.puntos(), [{ t: 1, v: 5 }]);
});

test('scaling the equity line into the canvas box', () => {
  const r = escalarSerie([{ t: 10, v: 100 }, { t: 20, v: 300 }, { t: 30, v: 200 }], 110, 60, 5);
  assert.deepEqual(r.xy, [[5, 55], [55, 5], [105, 30]]);
  assert.deepEqual([r.min, r.max], [100, 300]);
  assert.deepEqual(escalarSerie([{ t: 1, v: 7 }, { t: 2, v: 7 }], 100, 40, 0).xy, [[0, 20], [100, 20]], 'flat line in the middle');
  assert.deepEqual(escalarSerie([], 100, 40, 0).xy, []);
});

test('es-ES formatting of the panel figures', () => {
  const casos = [
    [formato.dinero(10250.75, 'USD'), '10.250,75 US$'],
    [formato.dinero(-63.35, 'USD', true), '-63,35 US$'],
    [formato.dinero(12.25, 'EUR', true), '+12,25 €'],
    [formato.dinero(5, ''), '5,00'],
    [formato.dinero(null, 'USD'), '—'],
    [formato.precio(1.05, 5), '1,05000'],
    [formato.precio(2652.2, 2), '2652,20'],
    [formato.precio(1.234567), '1,23457'],
    [formato.lotes(0.5), '0,50'],
    [formato.lotes(0.0015), '0,0015'],
    [formato.porcentaje(2470.87), '2470,87 %'],
    [formato.antiguedad(42), 'hace 42 s'],
    [formato.antiguedad(7300), 'hace 2 h'],
  ];
  for (const [dado, esperado] of casos) assert.equal(dado.replace(/\u00a0/g, ' '), esperado);
});
