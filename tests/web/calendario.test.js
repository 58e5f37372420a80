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
  ev('ISM Services PMI', '2024-12-04T10:00:00-05:00', 'Medium'),
  ev('Consumer Sentiment', '2024-12-06T10:00:00-05:00', 'Low'),
  ev('Late Night', '2024-12-07T01:30:00+01:00', 'High'),
  ev('Sunday Speech', '2024-12-08T18:00:00Z', 'Non-Economic'),
]);

test('the feed is read, sorted and mapped to Spanish impact levels', () => {
  const r = interpretarCalendario(FEED);
  assert.equal(r.ok, true);
  assert.deepEqual(r.eventos.map((e) => [e.titulo, e.impacto]), [
    ['Bank Holiday', 'festivo'],
    ['ISM Services PMI', 'medio'],
    ['Non-Farm Employment Change', 'alto'],
    ['Consumer Sentiment', 'bajo'],
    ['Late Night', 'alto'],
    ['Sunday Speech', ''],
  ]);
  const nfp = r.eventos[2];
  assert.equal(nfp.fecha.toISOString(), '2024-12-06T13:30:00.000Z');
  assert.deepEqual([nfp.pais, nfp.prevision, nfp.anterior], ['USD', '218K', '12K']);
});

test('unusable entries are skipped, unusable feeds reported', () => {
  const r = interpretarCalendario(JSON.stringify([
    null, 3, 'x', [],
    ev('No offset', '2024-12-06T08:30:00', 'High'),
    ev('Bad date', 'mañana', 'High'),
    ev('Impossible', '2024-13-45T99:00:00Z', 'High'),
    ev('', '2024-12-06T08:30:00Z', 'High'),
    { title: 'Odd types', date: '2024-12-06T08:30:00Z', country: 5, impact: ['High'], forecast: null },
  ]));
  assert.equal(r.ok, true);
  assert.deepEqual(r.eventos.map((e) => [e.titulo, e.pais, e.impacto, e.prevision]), [['Odd types', '', '', '']]);
  for (const malo of ['', '<html>Too Many Requests</html>', '{"a":1}', 'null', '[1,']) {
    assert.deepEqual(interpretarCalendario(malo), { ok: false, motivo: 'respuesta ilegible' });
  }
});

test('the agenda starts today in local time, groups by day and marks the next event', () => {
  const { eventos } = interpretarCalendario(FEED);
  const ahora = new Date('2024-12-06T15:00:00+01:00'); // Friday in Madrid, NFP (14:30) just past
  const dias = agenda(eventos, ahora);
  assert.deepEqual(dias.map((d) => d.etiqueta), ['Hoy', 'Mañana', 'domingo 8 dic']);
  assert.deepEqual(dias[0].eventos.map((e) => [e.titulo, e.pasado, e.siguiente]), [
    ['Non-Farm Employment Change', true, false],
    ['Consumer Sentiment', false, true],
  ]);
  assert.deepEqual(dias[1].eventos.map((e) => [e.titulo, e.siguiente]), [['Late Night', false]]);
});

test('an agenda after the last event is empty', () => {
  const { eventos } = interpretarCalendario(FEED);
  assert.deepEqual(agenda(eventos, new Date('2024-12-09T09:00:00+01:00')), []);
});
