'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
require('../../web/js/puente.js');
const { clasificar, retraso, crearVigia } = require('../../web/js/sitios.js');

// Connected and an HTTP error are the dashboard's end-to-end case, on the real site route.
test('site replies become card states; the back-off doubles up to its cap', () => {
  const casos = [
    ['cargando', 'cargando', 'Cargando…'],
    ['login', 'login', 'Inicia sesión'],
    ['sin host nativo', 'sin-nativo', 'Sin host nativo'],
  ];
  for (const [error, estado, texto] of casos) assert.deepEqual(clasificar({ texto: '', error }), { estado, texto });
  assert.deepEqual([0, 4, 50].map((i) => retraso(i, 1000, 30000)), [1000, 16000, 30000]);
});

// A watcher over scripted replies: 'espera' holds its reply until `soltar`.
function montar(respuestas) {
  const m = { pedidos: [], estados: [], esperas: [], pendiente: null };
  m.v = crearVigia({
    clave: 'exness', intervalo: 60000, base: 1000, tope: 30000,
    pedir: (url) => {
      m.pedidos.push(url);
      if (url.endsWith('/login')) return Promise.resolve({ texto: '', error: '' });
      const r = respuestas.shift();
      return r === 'espera' ? new Promise((s) => (m.soltar = s)) : Promise.resolve({ texto: '', error: r });
    },
    alCambiar: (c) => m.estados.push(c.estado),
    poner: (fn, ms) => (m.esperas.push(ms), (m.pendiente = fn), 1),
    quitar: () => (m.pendiente = null),
  });
  return m;
}

test('not ready backs off, connected waits the interval, log-in restarts the back-off, browser mode stops', async () => {
  const m = montar(['cargando', 'cargando', '', 'login', 'HTTP 500', '']);
  const tic = async () => (m.pendiente(), await new Promise(setImmediate));
  await m.v.comprobar();
  for (let i = 0; i < 4; i++) await tic();
  await m.v.iniciarSesion();
  await tic();
  assert.deepEqual([m.pedidos[0], m.pedidos.at(-2)], ['qv-web://exness/', 'qv-web://exness/login']);
  assert.deepEqual(m.estados, ['cargando', 'cargando', 'conectado', 'login', 'error', 'conectado']);
  assert.deepEqual(m.esperas, [1000, 2000, 60000, 1000, 2000, 1000, 60000]);

  const sin = montar(['sin host nativo']);
  await sin.v.comprobar();
  assert.deepEqual([sin.estados, sin.esperas], [['sin-nativo'], []]);
});

test('a check asked in flight runs once after it', async () => {
  const m = montar(['espera', 'cargando']);
  m.v.comprobar();
  m.v.ahora();
  m.v.ahora();
  assert.equal(m.pedidos.length, 1);
  m.soltar({ texto: '', error: 'cargando' });
  await new Promise(setImmediate);
  assert.equal(m.pedidos.length, 2);
});
