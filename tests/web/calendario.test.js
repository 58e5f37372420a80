'use strict';
process.env.TZ = 'Europe/Madrid';
const test = require('node:test');
const assert = require('node:assert/strict');
require('../../web/js/formato.js');
const { interpretarCalendario, agenda } = require('../../web/js/calendario.js');

const ev = (title, date, impact, extra) => Object.assign({ title, country: 'USD', date, impact, forecast: '', previous: '' }, extra);

const FEED = JSON.stringify([
  ev('Non-Farm Employment Change', '2024-12-06T08:30:00-05:00', 'High', { forecast: '218K', previous: '12K' }),
  ev('Bank Holiday', '2024-12-02T00:00:00+09:00', 'Holiday', { country: 'JPY' }),
  ev('Consumer Sentiment', '2024-12-06T10:00:00-05:00', 'Low'),
  ev('Late Night', '2024-12-07T01:30:00+01:00', 'High'),
  ev('Sunday Speech', '2024-12-08T18:00:00Z', 'Non-Economic'),
  null, 3, [],
  ev('No offset', '2024-12-06T08:30:00', 'High'),
  ev('Impossible', '2024-13-45T99:00:00Z', 'High'),
  ev('', '2024-12-06T08:30:00Z', 'High'),
]);

test('the feed is read and sorted; unusable entries are left out, unusable feeds reported', () => {
  const r = interpretarCalendario('\uFEFF' + FEED);
  assert.deepEqual(r.eventos.map((e) => [e.titulo, e.impacto]), [
    ['Bank Holiday', 'festivo'],
    ['Non-Farm Employment Change', 'alto'],
    ['Consumer Sentiment', 'bajo'],
    ['Late Night', 'alto'],
    ['Sunday Speech', ''],
  ]);
  const nfp = r.eventos[1];
  assert.deepEqual([nfp.fecha.toISOString(), nfp.pais, nfp.prevision, nfp.anterior], ['2024-12-06T13:30:00.000Z', 'USD', '218K', '12K']);
  for (const malo of ['<html>Too Many Requests</html>', '{"a":1}', '[1,']) {
    assert.deepEqual(interpretarCalendario(malo), { ok: false, motivo: 'respuesta ilegible' });
  }
});

test('the agenda starts today in local time, groups by day and marks the one next event', () => {
  const { eventos } = interpretarCalendario(FEED);
  const dias = agenda(eventos, new Date('2024-12-06T15:00:00+01:00')); // Friday in Madrid, NFP just past
  assert.deepEqual(dias.map((d) => d.etiqueta), ['Hoy', 'Mañana', 'domingo 8 dic']);
  assert.deepEqual(dias.flatMap((d) => d.eventos.map((e) => [e.titulo, e.pasado, e.siguiente])), [
    ['Non-Farm Employment Change', true, false],
    ['Consumer Sentiment', false, true],
    ['Late Night', false, false],
    ['Sunday Speech', false, false],
  ]);
});
