'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const d = require('../../web/js/diario.js');

const s = (iso) => Date.parse(iso) / 1000;
const deal = (ticket, symbol, cierre, profit, commission = 0, swap = 0) => ({ ticket, symbol, type: 'buy', volume: 0.5,
  openTime: s(cierre) - 600, openPrice: 1.0851, closeTime: s(cierre), closePrice: 1.0862, profit, commission, swap });
const UTC = { hora: '00:00', zona: 'UTC' };
const NY = { hora: '17:00', zona: 'America/New_York' };

test('the day\'s statistics net profit, commission and swap; a zero trade is neither won nor lost', () => {
  const deals = [deal('1', 'EURUSD', '2024-12-06T09:00:00Z', 55, -3.5), deal('2', 'EURUSD', '2024-12-06T10:00:00Z', -20, -3.5, -1),
    deal('3', 'XAUUSD', '2024-12-06T11:00:00Z', 3.5, -3.5), deal('4', 'US30', '2024-12-06T12:00:00Z', 100)];
  const r = d.estadisticas(deals);
  assert.deepEqual([r.resultado, r.operaciones, r.ganadas, r.perdidas, r.aciertos, r.mediaGanancia, r.mediaPerdida],
    [127, 4, 2, 1, 0.5, 75.75, -24.5]);
  assert.deepEqual(d.estadisticas([]), { resultado: 0, operaciones: 0, ganadas: 0, perdidas: 0, aciertos: null,
    mediaGanancia: null, mediaPerdida: null });
});

test('deals are kept per ticket for 30 trading days and make the calendar, named by the day\'s own clock', () => {
  const ahora = Date.parse('2024-12-06T15:00:00Z');
  let kept = d.registrar({}, [deal('1', 'EURUSD', '2024-12-06T09:00:00Z', 10), deal('2', 'EURUSD', '2024-11-06T09:00:00Z', 5),
    deal('3', 'EURUSD', '2024-11-07T09:00:00Z', -4)], UTC, ahora);
  assert.deepEqual(Object.keys(kept), ['1', '3'], 'the 31st day back is let go');
  assert.equal(d.registrar(kept, [deal('1', 'EURUSD', '2024-12-06T09:00:00Z', 10)], UTC, ahora), kept, 'nothing new');
  kept = d.registrar(kept, [deal('4', 'GBPUSD', '2024-12-06T14:00:00Z', -2.5)], UTC, ahora);
  const dias = d.calendario(kept, UTC, ahora);
  assert.deepEqual([dias.length, dias[0], dias[29]], [30, { clave: '2024-11-07', resultado: -4, operaciones: 1 },
    { clave: '2024-12-06', resultado: 7.5, operaciones: 2 }]);
  assert.deepEqual(d.deHoy(kept, UTC, ahora).map((x) => x.ticket), ['1', '4']);
  // A day that starts at 17:00 New York is the next day's: 22:30 UTC on Thursday is Friday's trading.
  assert.deepEqual(['2024-12-05T21:59:00Z', '2024-12-05T22:30:00Z'].map((iso) => d.claveDia(Date.parse(iso), NY)),
    ['2024-12-05', '2024-12-06']);
});

test('the journal is CSV with semicolons, a decimal comma, CR LF, a BOM, and a symbol holding a semicolon quoted', () => {
  const ahora = Date.parse('2024-12-06T15:00:00Z');
  const kept = d.registrar({}, [deal('901', 'EUR;USD "x"', '2024-12-06T09:00:00Z', 1234.5, -3.5, -0.25),
    deal('900', 'XAUUSD', '2024-12-05T09:00:00Z', -20)], UTC, ahora);
  const texto = d.csv({ login: '52071834', server: 'Exness-MT5Real8', currency: 'USD' }, kept, UTC, ahora);
  assert.equal(texto, '\uFEFF' + [
    'Cuenta;52071834;Exness-MT5Real8;USD', '',
    'Día;Resultado;Operaciones', '2024-12-05;-20,00;1', '2024-12-06;1230,75;1', '',
    'Día;Ticket;Símbolo;Lado;Volumen;Apertura (UTC);Precio de apertura;Cierre (UTC);Precio de cierre;Beneficio;Comisión;Swap;Neto',
    '2024-12-05;900;XAUUSD;Compra;0,5;2024-12-05 08:50:00;1,0851;2024-12-05 09:00:00;1,0862;-20,00;0,00;0,00;-20,00',
    '2024-12-06;901;"EUR;USD ""x""";Compra;0,5;2024-12-06 08:50:00;1,0851;2024-12-06 09:00:00;1,0862;1234,50;-3,50;-0,25;1230,75',
  ].join('\r\n') + '\r\n');
  assert.equal(d.nombreArchivo('52071834', UTC, ahora), 'quorvex_diario_52071834_2024-12-06.csv');
});
