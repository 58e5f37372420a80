'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { interpretarEstado, situacion, crearVigia, crearSerie, escalarSerie } = require('../../web/js/mt5.js');
const formato = require('../../web/js/formato.js');

const muestra = (nombre) => interpretarEstado(fs.readFileSync(path.join(__dirname, '../data/mt5', nombre), 'utf8'));
const T = 1733490000;

test('live, minimal and odd files give what they hold, every field optional', () => {
  const { estado: vivo } = muestra('live.json');
  const a = vivo.account;
  assert.deepEqual([vivo.time, vivo.connected, a.login, a.server, a.name], [T, true, '52071834', 'Exness-MT5Real8', 'María Núñez "Mar"']);
  assert.deepEqual([a.balance, a.equity, a.margin, a.freeMargin, a.marginLevel, a.profit], [10250.75, 10187.4, 412.3, 9775.1, 2470.87, -63.35]);
  assert.deepEqual(vivo.positions.map((x) => [x.ticket, x.symbol, x.type, x.volume, x.digits, x.openPrice]), [
    ['901234567', 'EURUSD', 'buy', 0.5, 5, 1.05412],
    ['901234601', 'XAUUSD', 'sell', 0.02, 2, 2651.37],
  ]);
  const { estado: minimo } = muestra('minimal.json');
  assert.deepEqual([minimo.account.login, minimo.account.margin, minimo.account.profit, minimo.connected, minimo.positions],
    ['', null, 12.25, null, []], 'equity − balance when the writer gave no profit');
  const { estado: raro } = muestra('odd.json');
  assert.deepEqual([raro.time, raro.account.balance, raro.account.equity, raro.account.currency, raro.account.profit], [T, 10250.75, null, '840', null]);
  assert.deepEqual(raro.positions.map((x) => [x.symbol, x.type, x.volume]), [['GBPUSD', 'sell', 0.1], ['USDJPY', 'buy', 1], ['BTCUSD', '', null]]);
});

test('unreadable content is reported, never thrown; a BOM and trailing NULs do not matter', () => {
  const casos = [
    [fs.readFileSync(path.join(__dirname, '../data/mt5/malformed.json'), 'utf8'), 'archivo ilegible'],
    ['\uFEFF  \u0000', 'archivo vacío'],
    ['[1,2]', 'archivo ilegible'],
    [undefined, 'sin datos'],
  ];
  for (const [entrada, motivo] of casos) assert.deepEqual(interpretarEstado(entrada), { ok: false, motivo }, String(entrada));
  assert.equal(interpretarEstado('{"time": 1e999}').estado.time, null);
  assert.equal(interpretarEstado('\uFEFF{"time": 5}\u0000\u0000\r\n').estado.time, 5);
});

test('only a file whose time still moves is live; a stopped one says since when', () => {
  const at = (h, m, s, day = 6) => new Date(2024, 11, day, h, m, s).getTime(); // local: holds in any zone
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
    assert.equal(r.texto, pildora);
    assert.equal(r.clave, edad ? 'antiguo' : 'vivo', pildora);
    if (edad) assert.equal(AVISO.exec(r.aviso)?.[1], edad, r.aviso);
    else assert.equal(r.aviso, connected ? '' : 'El terminal no está conectado al servidor de operaciones.');
  }
  assert.equal(situacion({ time: null, connected: true }, at(14, 32, 0), 5, at(14, 32, 0)).clave, 'antiguo');
  const v = crearVigia();
  const vistos = [[10, 1000], [10, 2000], [11, 3000], [10, 9500]].map(([t, a]) => v.vistoDesde(t, a));
  assert.deepEqual(vistos, [1000, 1000, 3000, 9500], 'restarts whenever the file time changes');
});

test('the equity line keeps one point per new file time, restarts per account and scales into its box', () => {
  const s = crearSerie(3);
  const dados = [['A', 1, 100], ['A', 1, 101], ['A', 0, 99], ['A', 2, NaN], ['A', 2, 102], ['A', 3, 103], ['A', 4, 104]];
  assert.deepEqual(dados.map(([c, t, v]) => s.anadir(c, t, v)), [true, false, false, false, true, true, true]);
  assert.deepEqual(s.puntos().map((p) => p.t), [2, 3, 4], 'capped, oldest dropped');
  s.anadir('B', 1, 5);
  assert.deepEqual(s.puntos(), [{ t: 1, v: 5 }]);
  const r = escalarSerie([{ t: 10, v: 100 }, { t: 20, v: 300 }, { t: 30, v: 200 }], 110, 60, 5);
  assert.deepEqual([r.xy, r.min, r.max], [[[5, 55], [55, 5], [105, 30]], 100, 300]);
  assert.deepEqual(escalarSerie([{ t: 1, v: 7 }, { t: 2, v: 7 }], 100, 40, 0).xy, [[0, 20], [100, 20]], 'flat line in the middle');
});

test('es-ES formatting of the panel figures', () => {
  const casos = [
    [formato.dinero(10250.75, 'USD'), '10.250,75 US$'],
    [formato.dinero(12.25, 'EUR', true), '+12,25 €'],
    [formato.dinero(5, ''), '5,00'],
    [formato.dinero(null, 'USD'), '—'],
    [formato.precio(2652.2, 2), '2652,20'],
    [formato.precio(1.234567), '1,23457'],
    [formato.lotes(0.0015), '0,0015'],
    [formato.porcentaje(2470.87), '2470,87 %'],
    [formato.antiguedad(7300), 'hace 2 h'],
  ];
  for (const [dado, esperado] of casos) assert.equal(dado.replace(/\u00a0/g, ' '), esperado);
});
