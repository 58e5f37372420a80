'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { interpretarEstado, esAntiguo, edadSegundos, crearSerie, escalarSerie } = require('../../web/js/mt5.js');
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

test('stale detection against the page clock', () => {
  const estado = interpretarEstado(muestra('live.json')).estado;
  const casos = [
    [T * 1000, false],
    [(T + 5) * 1000, false],
    [(T + 5) * 1000 + 1, true],
    [(T + 3600) * 1000, true],
    [(T - 30) * 1000, false], // writer clock ahead of ours: not old
  ];
  for (const [ahora, antiguo] of casos) assert.equal(esAntiguo(estado, ahora, 5), antiguo, String(ahora));
  assert.equal(edadSegundos(estado, (T + 8) * 1000), 8);
  const sinHora = interpretarEstado('{"account":{}}').estado;
  assert.equal(esAntiguo(sinHora, T * 1000, 5), true, 'a file without time cannot prove it is fresh');
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
