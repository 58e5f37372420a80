'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
require('../../web/js/puente.js');
const { clasificar, retraso, crearVigia } = require('../../web/js/sitios.js');

test('site replies become card states; other errors shown as sent', () => {
  const casos = [
    [{ texto: '<html>', error: '' }, 'conectado', 'Conectado'],
    [{ texto: '', error: '' }, 'conectado', 'Conectado'],
    [{ texto: '', error: 'cargando' }, 'cargando', 'Cargando…'],
    [{ texto: '', error: 'login' }, 'login', 'Inicia sesión'],
    [{ texto: '', error: 'sitio desconocido' }, 'error', 'sitio desconocido'],
    [{ texto: '', error: 'sin respuesta' }, 'error', 'sin respuesta'],
    [{ texto: '', error: 'HTTP 502' }, 'error', 'HTTP 502'],
    [{ texto: '', error: 'sin host nativo' }, 'sin-nativo', 'Sin host nativo'],
  ];
  for (const [r, estado, texto] of casos) assert.deepEqual(clasificar(r), { estado, texto });
});

test('back-off doubles from the base up to the cap', () => {
  const serie = [0, 1, 2, 3, 4, 5, 6, 50, 5000].map((i) => retraso(i, 1000, 30000));
  assert.deepEqual(serie, [1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000, 30000]);
});

// Drives a watcher with scripted replies and a manual timer.
function montar(respuestas) {
  const pedidos = [];
  const estados = [];
  const esperas = [];
  let pendiente = null;
  const v = crearVigia({
    clave: 'exness',
    intervalo: 60000,
    base: 1000,
    tope: 30000,
    pedir: (url) => {
      pedidos.push(url);
      return Promise.resolve(url.endsWith('/login') ? { texto: '', error: '' } : respuestas.shift());
    },
    alCambiar: (c) => estados.push(c.estado),
    poner: (fn, ms) => {
      esperas.push(ms);
      pendiente = fn;
      return esperas.length;
    },
    quitar: () => {
      pendiente = null;
    },
  });
  const tic = async () => {
    const fn = pendiente;
    pendiente = null;
    fn();
    await new Promise(setImmediate);
  };
  return { v, pedidos, estados, esperas, tic };
}

const R = (error) => ({ texto: '', error });

test('a loading site is retried with growing delays, then checked each minute', async () => {
  const m = montar([R('cargando'), R('cargando'), R('cargando'), R(''), R('')]);
  await m.v.comprobar();
  await m.tic();
  await m.tic();
  await m.tic();
  await m.tic();
  assert.deepEqual(m.estados, ['cargando', 'cargando', 'cargando', 'conectado', 'conectado']);
  assert.deepEqual(m.esperas, [1000, 2000, 4000, 60000, 60000]);
  assert.deepEqual(new Set(m.pedidos), new Set(['qv-web://exness/']));
});

test('a lost session backs off again from the start', async () => {
  const m = montar([R(''), R('login'), R('login'), R('HTTP 500')]);
  await m.v.comprobar();
  await m.tic();
  await m.tic();
  await m.tic();
  assert.deepEqual(m.esperas, [60000, 1000, 2000, 4000]);
});

test('asking for the log-in opens the window and restarts the back-off', async () => {
  const m = montar([R('login'), R('login'), R('login'), R('')]);
  await m.v.comprobar();
  await m.tic();
  await m.tic();
  await m.v.iniciarSesion();
  assert.equal(m.pedidos.at(-1), 'qv-web://exness/login');
  assert.equal(m.esperas.at(-1), 1000);
  await m.tic();
  assert.equal(m.estados.at(-1), 'conectado');
});

test('browser mode stops after the first answer', async () => {
  const m = montar([R('sin host nativo')]);
  await m.v.comprobar();
  assert.deepEqual(m.estados, ['sin-nativo']);
  assert.deepEqual(m.esperas, []);
});

test('a check asked while one is in flight runs once after it', async () => {
  let soltar;
  const pedidos = [];
  const v = crearVigia({
    clave: 'tradeify', intervalo: 60000, base: 1000, tope: 30000,
    pedir: (url) => (pedidos.push(url), new Promise((r) => (soltar = r))),
    alCambiar() {},
    poner: () => 1,
    quitar() {},
  });
  v.comprobar();
  v.ahora();
  v.ahora();
  assert.equal(pedidos.length, 1);
  soltar(R('cargando'));
  await new Promise(setImmediate);
  assert.equal(pedidos.length, 2);
});
