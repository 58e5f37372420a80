'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { rectVisible, crearColocador, mensajeWeb } = require('../../web/js/paneles.js');

const caja = (left, top, width, height) => ({ left, top, right: left + width, bottom: top + height });

test('rectangles are rounded at the edges and cut to the viewport', () => {
  const casos = [
    ['whole numbers', caja(10, 20, 300, 200), { x: 10, y: 20, w: 300, h: 200 }],
    ['fractions round by edge', caja(10.4, 20.6, 300.2, 199.8), { x: 10, y: 21, w: 301, h: 199 }],
    ['scrolled partly above', caja(0, -50, 400, 300), { x: 0, y: 0, w: 400, h: 250 }],
    ['past the right and bottom', caja(900, 700, 400, 300), { x: 900, y: 700, w: 100, h: 100 }],
    ['scrolled out above', caja(0, -400, 400, 300), null],
    ['below the fold', caja(0, 800, 400, 300), null],
    ['display none', caja(0, 0, 0, 0), null],
    ['sub-pixel sliver', caja(10, 10, 0.3, 100), null],
  ];
  for (const [nombre, r, esperado] of casos) assert.deepEqual(rectVisible(r, 1000, 800), esperado, nombre);
  // Neighbours share an edge exactly.
  const a = rectVisible(caja(0, 0, 100.5, 50), 1000, 800);
  const b = rectVisible(caja(100.5, 0, 100.5, 50), 1000, 800);
  assert.equal(a.x + a.w, b.x);
});

function montar() {
  const log = [];
  const cajas = { chat: caja(10, 10, 300, 400) };
  let activo = true;
  const c = crearColocador((el) => cajas[el], () => ({ w: 1280, h: 860 }));
  c.anadir('chat', {
    el: 'chat',
    activo: () => activo,
    colocar: (r) => log.push(mensajeWeb('web', r)),
    ocultar: () => log.push({ cmd: 'webOcultar', slot: 'web' }),
  });
  return { c, log, cajas, activar: (v) => (activo = v) };
}

test('a pane is sent once per change and hidden rather than sized to zero', () => {
  const m = montar();
  m.c.actualizar();
  m.c.actualizar();
  assert.deepEqual(m.log, [{ cmd: 'web', slot: 'web', x: 10, y: 10, w: 300, h: 400 }]);
  m.cajas.chat = caja(10, 10, 300, 500.2);
  m.c.actualizar();
  assert.deepEqual(m.log.at(-1), { cmd: 'web', slot: 'web', x: 10, y: 10, w: 300, h: 500 });
  m.activar(false);
  m.c.actualizar();
  m.c.actualizar();
  assert.deepEqual(m.log.slice(2), [{ cmd: 'webOcultar', slot: 'web' }]);
  m.activar(true);
  m.c.actualizar();
  assert.equal(m.log.length, 4, 'shown again at the same place');
  m.cajas.chat = caja(10, 900, 300, 400);
  m.c.actualizar();
  assert.deepEqual(m.log.at(-1), { cmd: 'webOcultar', slot: 'web' }, 'scrolled away');
});

test('the first pass hides panes the page does not show', () => {
  const m = montar();
  m.activar(false);
  m.c.actualizar();
  assert.deepEqual(m.log, [{ cmd: 'webOcultar', slot: 'web' }]);
});

test('renovar resends an unmoved pane but does not show a hidden one', () => {
  const m = montar();
  m.c.actualizar();
  m.c.renovar('chat');
  m.c.actualizar();
  assert.equal(m.log.length, 2);
  m.activar(false);
  m.c.actualizar();
  m.c.renovar('chat');
  m.c.actualizar();
  assert.equal(m.log.length, 3);
  assert.equal(m.log.at(-1).cmd, 'webOcultar');
});
