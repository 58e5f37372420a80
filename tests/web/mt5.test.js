'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { interpretarEstado, interpretarCuentas, situacion, crearVigia, crearSerie, escalarSerie } = require('../../web/js/mt5.js');
require('../../web/js/formato.js'); // the panel figures' formatter, which mt5.js finds on QV

const leer = (nombre) => fs.readFileSync(path.join(__dirname, '../data/mt5', nombre), 'utf8');
const T = 1733490000;

test('the files give what they hold, every field optional; unreadable content is reported, never thrown', () => {
  const { estado: vivo } = interpretarEstado(leer('live.json'));
  const a = vivo.account;
  assert.deepEqual([vivo.time, vivo.connected, a.login, a.name, a.balance, a.equity, a.marginLevel, a.profit],
    [T, true, '52071834', 'María Núñez "Mar"', 10250.75, 10187.4, 2470.87, -63.35]);
  assert.deepEqual(vivo.positions.map((x) => [x.ticket, x.type, x.volume, x.openPrice]),
    [['901234567', 'buy', 0.5, 1.05412], ['901234601', 'sell', 0.02, 2651.37]]);
  const { estado: minimo } = interpretarEstado(leer('minimal.json'));
  assert.deepEqual([minimo.account.login, minimo.account.margin, minimo.account.profit, minimo.positions],
    ['', null, 12.25, []], 'equity − balance when the writer gave no profit');
  const { estado: raro } = interpretarEstado(leer('odd.json'));
  assert.deepEqual([raro.time, raro.account.equity, raro.account.currency, raro.account.profit], [T, null, '840', null]);
  assert.deepEqual(raro.positions.map((x) => [x.symbol, x.type, x.volume]), [['GBPUSD', 'sell', 0.1], ['USDJPY', 'buy', 1], ['BTCUSD', '', null]]);
  for (const [entrada, motivo] of [[leer('malformed.json'), 'archivo ilegible'], ['\uFEFF  \u0000', 'archivo vacío'],
    ['[1,2]', 'archivo ilegible'], [undefined, 'sin datos']]) {
    assert.deepEqual(interpretarEstado(entrada), { ok: false, motivo }, String(entrada));
  }
  assert.equal(interpretarEstado('\uFEFF{"time": 5}\u0000\u0000\r\n').estado.time, 5);
});

test('only a file whose time still moves is live; a stopped one says since when', () => {
  const at = (h, m, s, day = 6) => new Date(2024, 11, day, h, m, s).getTime(); // local: holds in any zone
  const AVISO = /^El archivo se escribió por última vez hace (\d+ \w+)\. ¿Sigue abierto MetaTrader 5/;
  const casos = [
    // [file time, page now, first seen, connected, pill, age in notice]
    [at(14, 32, 0), at(14, 32, 5), undefined, true, 'En vivo', null],
    [at(14, 32, 0), at(14, 32, 5) + 1, undefined, true, 'Sin datos nuevos desde las 14:32', '5 s'],
    [at(1, 5, 0), at(1, 9, 0), undefined, true, 'Sin datos nuevos desde la 01:05', '4 min'],
    [at(23, 59, 0, 5), at(0, 10, 0), undefined, true, 'Sin datos nuevos desde el jueves 5 dic a las 23:59', '11 min'],
    [at(14, 32, 0), at(14, 31, 30), at(14, 31, 28), false, 'En vivo', null], // writer clock ahead of ours
    // Ahead, and the same time for too long: it stopped when we first saw it.
    [at(14, 32, 0), at(14, 31, 40), at(14, 31, 28), true, 'Sin datos nuevos desde las 14:31', '12 s'],
  ];
  for (const [time, ahora, visto, connected, pildora, edad] of casos) {
    const r = situacion({ time: time / 1000, connected }, ahora, 5, visto);
    assert.deepEqual([r.texto, r.clave, AVISO.exec(r.aviso)?.[1] ?? null], [pildora, edad ? 'antiguo' : 'vivo', edad]);
  }
  const v = crearVigia();
  assert.deepEqual([[10, 1000], [10, 2000], [11, 3000]].map(([t, a]) => v.vistoDesde(t, a)), [1000, 1000, 3000]);
});

test('the equity line keeps one point per new file time, restarts per account and scales into its box', () => {
  const s = crearSerie(3);
  const dados = [['A', 1, 100], ['A', 1, 101], ['A', 0, 99], ['A', 2, 102], ['A', 3, 103], ['A', 4, 104]];
  assert.deepEqual(dados.map(([c, t, v]) => s.anadir(c, t, v)), [true, false, false, true, true, true]);
  assert.deepEqual(s.puntos().map((p) => p.t), [2, 3, 4], 'capped, oldest dropped');
  s.anadir('B', 1, 5);
  assert.deepEqual(s.puntos(), [{ t: 1, v: 5 }]);
  const r = escalarSerie([{ t: 10, v: 100 }, { t: 20, v: 300 }, { t: 30, v: 200 }], 110, 60, 5);
  assert.deepEqual([r.xy, escalarSerie([{ t: 1, v: 7 }, { t: 2, v: 7 }], 100, 40, 0).xy], [[[5, 55], [55, 5], [105, 30]], [[0, 20], [100, 20]]]);
  // Two hours of seconds in a 100-pixel box: each column's lowest and highest point, in time order.
  const largo = Array.from({ length: 7200 }, (_, i) => ({ t: i, v: i === 5000 ? 1000 : i === 3001 ? -1000 : i % 7 }));
  const d = escalarSerie(largo, 100, 40, 0).xy;
  assert.ok(d.length <= 202 && d.length > 100, String(d.length));
  assert.deepEqual([Math.min(...d.map((p) => p[1])), Math.max(...d.map((p) => p[1]))], [0, 40]);
  assert.ok(d.every((p, i) => !i || p[0] >= d[i - 1][0]), 'time order');
});

test('version 2 adds the day\'s deals and the symbols\' sizing; the accounts document gives each readable account', () => {
  const { estado } = interpretarEstado(leer('account-7010203.json'));
  assert.deepEqual(estado.deals.map((d) => [d.ticket, d.symbol, d.type, d.profit, d.commission]),
    [['500090', 'EURUSD', 'buy', 70, -3.5], ['500095', 'XAUUSD', 'sell', -27.3, -1.4], ['500098', 'EUR;USD.x', 'sell', 14, -1.4]]);
  assert.deepEqual(estado.symbols.map((x) => [x.symbol, x.tickSize, x.tickValue, x.volumeStep]).slice(1, 2), [['USDJPY', 0.001, 0.6702, 0.01]]);
  assert.deepEqual([interpretarEstado(leer('live.json')).estado.deals, interpretarEstado(leer('live.json')).estado.symbols], [[], []]);
  const doc = JSON.stringify({ cuentas: [{ login: '7010203', modificado: 1, contenido: leer('account-7010203.json') },
    { login: '9', modificado: 2, contenido: '{roto' }, { login: '52071834', modificado: 3, contenido: leer('account-52071834.json') }] });
  assert.deepEqual(interpretarCuentas(doc).map((c) => [c.login, c.modificado, c.estado.account.server]),
    [['7010203', 1, 'Prop-Demo'], ['52071834', 3, 'Exness-MT5Real8']]);
  assert.deepEqual([interpretarCuentas('no'), interpretarCuentas('{"cuentas": 3}')], [[], []]);
});
