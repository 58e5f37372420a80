'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { anadir, caducar, proxima, colocar } = require('../../web/js/avisos.js');

const resumen = (lista) => lista.map((a) => (a.titulo ? a.titulo + ': ' : '') + a.texto +
  (a.veces > 1 ? ' ×' + a.veces : '') + (a.fijo ? ' !' : ''));
const stop = (n) => ({ titulo: 'Stop ' + n, texto: 'usado', fijo: true });

test('repeats fold with a count, three at most show, the temporary ones go in a few seconds and a stop stays', () => {
  let lista = [];
  // Each step: [time, a notice to add or null to let the time pass, what shows, the next expiry].
  const pasos = [
    [0, { texto: 'Guardado en Descargas' }, ['Guardado en Descargas'], 6000],
    [1000, { texto: 'Guardado en Descargas' }, ['Guardado en Descargas ×2'], 7000],
    [2000, stop(1), ['Guardado en Descargas ×2', 'Stop 1: usado !'], 7000],
    [3000, { titulo: 'Margen', texto: '90 %' }, ['Guardado en Descargas ×2', 'Stop 1: usado !', 'Margen: 90 %'], 7000],
    [3500, { titulo: 'Margen', texto: '80 %' }, ['Guardado en Descargas ×2', 'Stop 1: usado !', 'Margen: 80 % ×2'], 7000],
    [4000, { texto: 'Guardado en Descargas' }, ['Stop 1: usado !', 'Margen: 80 % ×2', 'Guardado en Descargas ×3'], 9500],
    [5000, { texto: 'Sin datos' }, ['Stop 1: usado !', 'Guardado en Descargas ×3', 'Sin datos'], 10000],
    [10000, null, ['Stop 1: usado !', 'Sin datos'], 11000],
    [60000, null, ['Stop 1: usado !'], null],
    [61000, stop(2), ['Stop 1: usado !', 'Stop 2: usado !'], null],
    [62000, stop(3), ['Stop 1: usado !', 'Stop 2: usado !', 'Stop 3: usado !'], null],
    [63000, { texto: 'Guardado en Descargas' }, ['Stop 2: usado !', 'Stop 3: usado !', 'Guardado en Descargas'], 69000],
  ];
  for (const [ahora, aviso, muestra, siguiente] of pasos) {
    lista = aviso ? anadir(lista, aviso, ahora) : caducar(lista, ahora);
    assert.deepEqual([resumen(lista), proxima(lista)], [muestra, siguiente], String(ahora));
  }
});

test('the notices go in the lowest, then rightmost, place no pane covers', () => {
  const ancha = { w: 1280, h: 860 };
  const caja = { w: 380, h: 70 };
  const chat = { x: 906, y: 118, w: 360, h: 730 };
  const casos = [
    ['no pane: the bottom right corner', [], ancha, caja, { x: 888, y: 778 }],
    ['the chat column: beside it', [chat], ancha, caja, { x: 514, y: 778 }],
    ['and a video under the rest: above the video', [chat, { x: 14, y: 600, w: 600, h: 260 }], ancha, caja, { x: 514, y: 518 }],
    ['a narrow window, the chat below: above the chat', [{ x: 11, y: 500, w: 398, h: 400 }], { w: 420, h: 900 },
      { w: 396, h: 70 }, { x: 12, y: 418 }],
    ['nowhere free: the least covered place', [{ x: 200, y: 0, w: 1080, h: 860 }, { x: 0, y: 100, w: 200, h: 760 }],
      ancha, caja, { x: 12, y: 18 }],
  ];
  for (const [nombre, panes, vista, c, esperado] of casos) assert.deepEqual(colocar(panes, vista, c), esperado, nombre);
});
