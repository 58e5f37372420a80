'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { latido, texto, oculto, dato } = require('../../web/js/pintado.js');

test('the beat falls on the seconds of the wall clock; a function that throws stops neither the others nor the beat', (t) => {
  t.mock.timers.enable({ apis: ['setTimeout', 'Date'], now: 10250 });
  t.mock.method(console, 'error', () => {});
  const vistos = [];
  latido(() => vistos.push('a' + Date.now()));
  latido(() => {
    throw new Error('roto');
  });
  latido(() => vistos.push('b' + Date.now()));
  t.mock.timers.tick(749);
  assert.deepEqual(vistos, []);
  t.mock.timers.tick(1);
  t.mock.timers.tick(1000);
  assert.deepEqual(vistos, ['a11000', 'b11000', 'a12000', 'b12000']);
  assert.equal(console.error.mock.callCount(), 2);
});

test('a text, flag or data value is written only when it changes', () => {
  const escritos = [];
  const el = { dataset: {} };
  for (const campo of ['textContent', 'hidden']) {
    let valor = campo === 'hidden' ? false : '';
    Object.defineProperty(el, campo, { get: () => valor, set: (v) => escritos.push([campo, (valor = v)]) });
  }
  texto(el, 5);
  texto(el, '5');
  oculto(el, false);
  oculto(el, true);
  oculto(el, true);
  dato(el, 'signo', 'neg');
  el.dataset = new Proxy(el.dataset, { set: (o, k, v) => (escritos.push([k, v]), (o[k] = v), true) });
  dato(el, 'signo', 'neg');
  dato(el, 'cerca', true);
  assert.deepEqual(escritos, [['textContent', '5'], ['hidden', true], ['cerca', 'true']]);
});
