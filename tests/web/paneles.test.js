'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { rectVisible, crearColocador, mensajeWeb } = require('../../web/js/paneles.js');

const caja = (left, top, width, height) => ({ left, top, right: left + width, bottom: top + height });

test('rectangles are rounded at the edges and cut to the viewport', () => {
  const casos = [
    [caja(10.4, 20.6, 300.2, 199.8), { x: 10, y: 21, w: 301, h: 199 }],
    [caja(0, -50, 400, 300), { x: 0, y: 0, w: 400, h: 250 }],
    [caja(900, 700, 400, 300), { x: 900, y: 700, w: 100, h: 100 }],
    [caja(0, 800, 400, 300), null],
    [caja(0, 0, 0, 0), null],
    [caja(10, 10, 0.3, 100), null],
  ];
  for (const [r, esperado] of casos) assert.deepEqual(rectVisible(r, 1000, 800), esperado, JSON.stringify(r));
});

test('a pane is sent once per change, hidden rather than sized to zero, and renewed on demand', () => {
  const log = [];
  const cajas = { chat: caja(10, 10, 300, 400) };
  let activo = false;
  const c = crearColocador((el) => cajas[el], () => ({ w: 1280, h: 860 }));
  c.anadir('chat', {
    el: 'chat',
    activo: () => activo,
    colocar: (r) => log.push(mensajeWeb('web', r)),
    ocultar: () => log.push('oculto'),
  });
  const pasos = [
    ['the first pass hides a pane left over from before', () => {}, ['oculto']],
    ['shown', () => (activo = true), [{ cmd: 'web', slot: 'web', x: 10, y: 10, w: 300, h: 400 }]],
    ['unchanged', () => {}, []],
    ['resized', () => (cajas.chat = caja(10, 10, 300, 500.2)), [{ cmd: 'web', slot: 'web', x: 10, y: 10, w: 300, h: 500 }]],
    ['renewed', () => c.renovar('chat'), [{ cmd: 'web', slot: 'web', x: 10, y: 10, w: 300, h: 500 }]],
    ['scrolled away', () => (cajas.chat = caja(10, 900, 300, 400)), ['oculto']],
    ['renewed while hidden', () => c.renovar('chat'), []],
  ];
  for (const [nombre, cambio, enviado] of pasos) {
    const antes = log.length;
    cambio();
    c.actualizar();
    assert.deepEqual(log.slice(antes), enviado, nombre);
  }
});
