'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { SESIONES, estado, ahora } = require('../../web/js/sesiones.js');

const iso = (ms) => new Date(ms).toISOString().replace('.000Z', 'Z');

test('each session opens at its own local hours on both sides of its daylight-saving changes', () => {
  const casos = [
    // [session, now, open?, next change] — the Friday before each change, then the Monday after
    ['londres', '2024-03-29T07:59:00Z', false, '2024-03-29T08:00:00Z'], // GMT
    ['londres', '2024-04-01T07:30:00Z', true, '2024-04-01T16:00:00Z'], // BST
    ['londres', '2024-10-25T07:30:00Z', true, '2024-10-25T16:00:00Z'],
    ['londres', '2024-10-28T07:30:00Z', false, '2024-10-28T08:00:00Z'],
    ['nuevayork', '2024-03-08T12:30:00Z', false, '2024-03-08T13:00:00Z'], // EST
    ['nuevayork', '2024-03-11T12:30:00Z', true, '2024-03-11T21:00:00Z'], // EDT
    ['nuevayork', '2024-11-01T12:30:00Z', true, '2024-11-01T21:00:00Z'],
    ['nuevayork', '2024-11-04T12:30:00Z', false, '2024-11-04T13:00:00Z'],
    ['sidney', '2024-04-04T20:30:00Z', true, '2024-04-05T05:00:00Z'], // AEDT, Friday in Sydney
    ['sidney', '2024-04-07T20:30:00Z', false, '2024-04-07T21:00:00Z'], // AEST, Monday 06:30 there
    ['sidney', '2024-10-03T20:30:00Z', false, '2024-10-03T21:00:00Z'],
    ['sidney', '2024-10-06T20:30:00Z', true, '2024-10-07T05:00:00Z'],
    ['tokio', '2024-03-29T23:59:00Z', false, '2024-04-01T00:00:00Z'], // Saturday in Tokyo: Monday next
    ['tokio', '2024-04-01T08:59:00Z', true, '2024-04-01T09:00:00Z'],
  ];
  for (const [clave, cuando, abierta, cambio] of casos) {
    const r = estado(SESIONES.find((s) => s.clave === clave), Date.parse(cuando));
    assert.deepEqual([r.abierta, iso(r.cambio)], [abierta, cambio], clave + ' ' + cuando);
  }
  assert.deepEqual(ahora(Date.parse('2024-06-12T13:00:00Z')).solape, ['Londres', 'Nueva York']);
  assert.deepEqual(ahora(Date.parse('2024-06-12T07:30:00Z')).solape, ['Tokio', 'Londres']);
  assert.deepEqual(ahora(Date.parse('2024-06-15T13:00:00Z')).solape, [], 'Saturday');
});
