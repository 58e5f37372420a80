'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const v = require('../../web/js/video.js');

test('what the user types becomes a stream, or nothing', () => {
  const yt = { tipo: 'yt', id: 'dQw4w9WgXcQ', hls: '' };
  const kick = { tipo: 'kick', id: 'trader_uno', hls: '' };
  const casos = [
    ['  dQw4w9WgXcQ ', yt],
    ['https://www.youtube.com/watch?v=dQw4w9WgXcQ&t=5', yt],
    ['https://youtu.be/dQw4w9WgXcQ?si=x', yt],
    ['https://m.youtube.com/shorts/dQw4w9WgXcQ', yt],
    ['https://www.youtube.com/watch?v=short', null],
    ['https://kick.com/trader_uno/videos', kick],
    ['KICK: trader_uno', kick],
    ['kick:a b', null],
    ['https://cdn.test/live/master.m3u8?token=1', { tipo: 'kick', id: '', hls: 'https://cdn.test/live/master.m3u8?token=1' }],
    ['https://cdn.test/live/video.mp4', null],
    // The host writes the address into its pages: nothing that could end an attribute or a string.
    ['https://cdn.test/a".m3u8', null],
    ["https://cdn.test/it's.m3u8", null],
    ['https://cdn.test/x.m3u8><script>', null],
    ['ftp://cdn.test/a.m3u8', null],
    [undefined, null],
  ];
  for (const [entrada, esperado] of casos) assert.deepEqual(v.fuenteDe(entrada), esperado, String(entrada));
});

test('the messages that place, tune and hide the slots, and the saved slots whatever storage holds', () => {
  const r = { x: 12, y: 340, w: 480, h: 270 };
  assert.deepEqual(v.mensajeVideo('2', v.fuenteDe('kick:trader_uno'), 35.4, r), {
    cmd: 'video', slot: '2', id: 'trader_uno', tipo: 'kick', hls: '', vol: 35, x: 12, y: 340, w: 480, h: 270,
  });
  const volumenes = [[49.6, 50], ['70', 70], [-3, 0], [180, 100], ['x', 0]];
  for (const [dado, esperado] of volumenes) assert.deepEqual(v.mensajeVolumen('1', dado), { cmd: 'videoVol', slot: '1', v: esperado });
  // One slot hidden keeps the others: the list is never empty, which would unload everything.
  assert.deepEqual(v.mensajeOcultarSlot('1', false), { cmd: 'videoOcultar', quedan: ['0', '2', '3'], quitar: false });
  assert.deepEqual(v.mensajeDetenerTodo(), { cmd: 'videoOcultar', quedan: [], quitar: true });
  const vacio = { entrada: '', vol: 50 };
  assert.deepEqual(v.leerGuardado('no json'), [vacio, vacio, vacio, vacio]);
  assert.deepEqual(v.leerGuardado('[{"entrada":"kick:x","vol":0},7,{"entrada":5,"vol":"99"}]'), [
    { entrada: 'kick:x', vol: 0 }, vacio, { entrada: '', vol: 99 }, vacio,
  ]);
});
