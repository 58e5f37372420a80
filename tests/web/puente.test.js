'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { crearPuente, enviadorNativo, base64ATexto, SIN_NATIVO, TIEMPO_AGOTADO } = require('../../web/js/puente.js');

// Manual timers so time-outs are driven by the test, not by the clock.
function relojManual() {
  const activos = new Map();
  let n = 0;
  return {
    poner: (fn, ms) => (activos.set(++n, { fn, ms }), n),
    quitar: (id) => activos.delete(id),
    disparar() {
      const todos = [...activos.values()];
      activos.clear();
      todos.forEach((t) => t.fn());
    },
    activos,
  };
}

function montar(extra) {
  const enviados = [];
  const reloj = relojManual();
  const p = crearPuente(Object.assign({ enviar: (m) => enviados.push(m), poner: reloj.poner, quitar: reloj.quitar, prefijo: 't' }, extra));
  return { p, enviados, reloj };
}

const b64 = (s) => Buffer.from(s, 'utf8').toString('base64');

test('a reply reaches the request with its id, decoded as UTF-8', async () => {
  const { p, enviados } = montar();
  const a = p.pedir('qv-mt5://estado');
  const b = p.pedir('https://ejemplo.test/x', { method: 'POST', headers: { A: '1' }, body: 'hola', espera: 5 });
  assert.deepEqual(enviados[0], { cmd: 'fetch', url: 'qv-mt5://estado', id: 't-1' });
  assert.deepEqual(enviados[1], { cmd: 'fetch', url: 'https://ejemplo.test/x', id: 't-2', method: 'POST', headers: { A: '1' }, body: 'hola' });
  // Out of order, as the host may answer.
  assert.equal(p.recibir('t-2', '', 'HTTP 404'), true);
  assert.equal(p.recibir('t-1', b64('Señal €'), ''), true);
  assert.deepEqual(await a, { texto: 'Señal €', error: '' });
  assert.deepEqual(await b, { texto: '', error: 'HTTP 404' });
  assert.equal(p.enEspera(), 0);
});

test('unknown, repeated and late ids are dropped', async () => {
  const { p, reloj } = montar();
  const a = p.pedir('qv-web://exness/');
  assert.equal(p.recibir('otro-1', '', ''), false);
  reloj.disparar();
  assert.deepEqual(await a, { texto: '', error: TIEMPO_AGOTADO });
  assert.equal(p.recibir('t-1', b64('tarde'), ''), false, 'answer after the time-out');
  const b = p.pedir('qv-web://exness/');
  assert.equal(p.recibir('t-2', '', ''), true);
  assert.equal(p.recibir('t-2', '', ''), false, 'second answer for the same id');
  assert.deepEqual(await b, { texto: '', error: '' });
});

test('a reply cancels its time-out; each request gets its own', async () => {
  const { p, reloj } = montar({ espera: 1234 });
  p.pedir('a');
  p.pedir('b', { espera: 50 });
  assert.deepEqual([...reloj.activos.values()].map((t) => t.ms), [1234, 50]);
  p.recibir('t-1', '', '');
  assert.equal(reloj.activos.size, 1);
});

test('ids of two page loads never collide', () => {
  const ids = [];
  for (let i = 0; i < 2; i++) crearPuente({ enviar: (m) => ids.push(m.id), poner: () => 0, quitar() {} }).pedir('x');
  assert.notEqual(ids[0], ids[1]);
});

test('undecodable data becomes an error, never an exception', async () => {
  const { p } = montar();
  const a = p.pedir('x');
  const b = p.pedir('y');
  p.recibir('t-1', '%%%no base64', '');
  p.recibir('t-2', '%%%', 'HTTP 500');
  assert.deepEqual(await a, { texto: '', error: 'datos ilegibles' });
  assert.deepEqual(await b, { texto: '', error: 'HTTP 500' });
});

test('browser mode sends nothing and answers at once', async () => {
  assert.equal(enviadorNativo({}), null);
  assert.equal(enviadorNativo({ __qvNativo: true }), null, 'marker without handler');
  assert.equal(enviadorNativo({ webkit: { messageHandlers: { qv: { postMessage() {} } } } }), null, 'handler without marker');
  const p = crearPuente({ enviar: enviadorNativo({}) });
  assert.deepEqual(await p.pedir('qv-mt5://estado'), { texto: '', error: SIN_NATIVO });
  assert.equal(p.enEspera(), 0);
});

test('the native sender posts to the qv handler', () => {
  const vistos = [];
  const w = { __qvNativo: true, webkit: { messageHandlers: { qv: { postMessage: (m) => vistos.push(m) } } } };
  enviadorNativo(w)({ cmd: 'abrir', url: 'https://a.test/' });
  assert.deepEqual(vistos, [{ cmd: 'abrir', url: 'https://a.test/' }]);
});

test('a host that refuses the message settles the request', async () => {
  const p = crearPuente({ enviar: () => { throw new Error('gone'); }, prefijo: 't' });
  assert.deepEqual(await p.pedir('x'), { texto: '', error: SIN_NATIVO });
  assert.equal(p.enEspera(), 0);
});

test('base64ATexto', () => {
  assert.equal(base64ATexto(''), '');
  assert.equal(base64ATexto(b64('{"a":"ñ"}')), '{"a":"ñ"}');
  assert.equal(base64ATexto('***'), null);
});
