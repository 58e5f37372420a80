'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { crearPuente, enviadorNativo, base64ATexto, SIN_NATIVO, TIEMPO_AGOTADO } = require('../../web/js/puente.js');

// Timers the test fires by hand.
function montar(extra) {
  const enviados = [];
  const relojes = new Map();
  let n = 0;
  const poner = (fn, ms) => (relojes.set(++n, { fn, ms }), n);
  const quitar = (id) => relojes.delete(id);
  const p = crearPuente(Object.assign({ enviar: (m) => enviados.push(m), poner, quitar, prefijo: 't' }, extra));
  const disparar = () => [...relojes.values()].forEach((t) => t.fn());
  return { p, enviados, relojes, disparar };
}

const b64 = (s) => Buffer.from(s, 'utf8').toString('base64');

test('replies reach their requests by id, decoded as UTF-8, each once', async () => {
  const { p, enviados, relojes } = montar({ espera: 1234 });
  const a = p.pedir('qv-mt5://estado');
  const b = p.pedir('https://e.test/x', { method: 'POST', headers: { A: '1' }, body: 'hola', espera: 5 });
  const c = p.pedir('x');
  assert.deepEqual(enviados[1], { cmd: 'fetch', url: 'https://e.test/x', id: 't-2', method: 'POST', headers: { A: '1' }, body: 'hola' });
  assert.deepEqual([...relojes.values()].map((t) => t.ms), [1234, 5, 1234]);
  assert.equal(p.recibir('t-2', '', 'HTTP 404'), true);
  assert.equal(p.recibir('t-2', '', ''), false, 'second answer for the same id');
  assert.equal(p.recibir('otro-1', '', ''), false);
  assert.equal(p.recibir('t-1', b64('Señal €'), ''), true);
  p.recibir('t-3', '%%%', 'HTTP 500');
  assert.deepEqual(await a, { texto: 'Señal €', error: '' });
  assert.deepEqual(await b, { texto: '', error: 'HTTP 404' });
  assert.deepEqual(await c, { texto: '', error: 'HTTP 500' });
  assert.equal(relojes.size, 0, 'each reply cancels its time-out');
});

test('a request times out, and its late answer or bad data never throws', async () => {
  const { p, disparar } = montar();
  const a = p.pedir('qv-web://exness/');
  disparar();
  assert.deepEqual(await a, { texto: '', error: TIEMPO_AGOTADO });
  assert.equal(p.recibir('t-1', b64('tarde'), ''), false);
  const b = p.pedir('y');
  p.recibir('t-2', '%%%no base64', '');
  assert.deepEqual(await b, { texto: '', error: 'datos ilegibles' });
  assert.equal(base64ATexto(''), '');
  assert.equal(p.enEspera(), 0);
});

test('ids of two page loads never collide', () => {
  const ids = [];
  for (let i = 0; i < 2; i++) crearPuente({ enviar: (m) => ids.push(m.id), poner: () => 0, quitar() {} }).pedir('x');
  assert.notEqual(ids[0], ids[1]);
});

test('only a page with both the marker and the handler posts; otherwise requests settle at once', async () => {
  const vistos = [];
  const qv = { postMessage: (m) => vistos.push(m) };
  assert.equal(enviadorNativo({ __qvNativo: true }), null);
  assert.equal(enviadorNativo({ webkit: { messageHandlers: { qv } } }), null);
  enviadorNativo({ __qvNativo: true, webkit: { messageHandlers: { qv } } })({ cmd: 'abrir' });
  assert.deepEqual(vistos, [{ cmd: 'abrir' }]);
  for (const enviar of [null, () => { throw new Error('gone'); }]) {
    const p = crearPuente({ enviar, prefijo: 't' });
    assert.deepEqual(await p.pedir('x'), { texto: '', error: SIN_NATIVO });
    assert.equal(p.enEspera(), 0);
  }
});
