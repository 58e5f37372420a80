'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { crearPuente, enviadorNativo, SIN_NATIVO, TIEMPO_AGOTADO } = require('../../web/js/puente.js');

const b64 = (s) => Buffer.from(s, 'utf8').toString('base64');

test('replies reach their requests by id, decoded as UTF-8, each once; the rest time out', async () => {
  const enviados = [];
  const relojes = new Map();
  let n = 0;
  const p = crearPuente({
    enviar: (m) => enviados.push(m), poner: (fn, ms) => (relojes.set(++n, { fn, ms }), n),
    quitar: (id) => relojes.delete(id), prefijo: 't', espera: 1234,
  });
  const a = p.pedir('qv-mt5://estado');
  const b = p.pedir('https://e.test/x', { method: 'POST', headers: { A: '1' }, body: 'hola', espera: 5 });
  const c = p.pedir('x');
  const d = p.pedir('y');
  assert.deepEqual(enviados[1], { cmd: 'fetch', url: 'https://e.test/x', id: 't-2', method: 'POST', headers: { A: '1' }, body: 'hola' });
  assert.deepEqual([...relojes.values()].map((t) => t.ms), [1234, 5, 1234, 1234]);
  assert.deepEqual([p.recibir('t-2', '', 'HTTP 404'), p.recibir('t-2', '', ''), p.recibir('t-1', b64('Señal €'), '')], [true, false, true]);
  p.recibir('t-3', '%%%', 'HTTP 500');
  assert.equal(relojes.size, 1, 'each reply cancels its time-out');
  relojes.get(4).fn();
  assert.equal(p.recibir('t-4', b64('tarde'), ''), false);
  assert.deepEqual(await Promise.all([a, b, c, d]), [{ texto: 'Señal €', error: '' }, { texto: '', error: 'HTTP 404' },
    { texto: '', error: 'HTTP 500' }, { texto: '', error: TIEMPO_AGOTADO }]);
  const e = p.pedir('z');
  p.recibir('t-5', '%%%no base64', '');
  assert.deepEqual(await e, { texto: '', error: 'datos ilegibles' });
});

test('only a page with both the marker and the handler posts, else requests settle at once; ids of two loads differ', async () => {
  const vistos = [];
  const qv = { postMessage: (m) => vistos.push(m) };
  assert.equal(enviadorNativo({ webkit: { messageHandlers: { qv } } }), null);
  enviadorNativo({ __qvNativo: true, webkit: { messageHandlers: { qv } } })({ cmd: 'abrir' });
  assert.deepEqual(vistos, [{ cmd: 'abrir' }]);
  for (const enviar of [null, () => { throw new Error('gone'); }]) {
    const p = crearPuente({ enviar, prefijo: 't' });
    assert.deepEqual(await p.pedir('x'), { texto: '', error: SIN_NATIVO });
    assert.equal(p.enEspera(), 0);
  }
  const ids = [];
  for (let i = 0; i < 2; i++) crearPuente({ enviar: (m) => ids.push(m.id), poner: () => 0, quitar() {} }).pedir('x');
  assert.notEqual(ids[0], ids[1]);
});
