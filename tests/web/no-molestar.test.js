'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { mensajeHorario, resumenHorario, titulo } = require('../../web/js/no-molestar.js');

test('the quiet hours form becomes minutes and day names in week order, or says what is missing', () => {
  const casos = [
    [{ activo: true, inicio: '22:00', fin: '07:30', dias: ['vie', 'lun'] },
      { mensaje: { cmd: 'noMolestar', horario: { activo: true, inicio: 1320, fin: 450, dias: ['lun', 'vie'] } } }],
    [{ activo: false, inicio: '00:00', fin: '23:59', dias: [] },
      { mensaje: { cmd: 'noMolestar', horario: { activo: false, inicio: 0, fin: 1439, dias: [] } } }],
    [{ activo: true, inicio: '', fin: '07:00', dias: ['lun'] }, { error: 'Escribe la hora de inicio y la de fin.' }],
    [{ activo: true, inicio: '24:00', fin: '07:00', dias: ['lun'] }, { error: 'Escribe la hora de inicio y la de fin.' }],
    [{ activo: true, inicio: '22:00', fin: '07:00', dias: [] }, { error: 'Elige al menos un día.' }],
  ];
  for (const [valores, esperado] of casos) assert.deepEqual(mensajeHorario(valores), esperado, JSON.stringify(valores));
});

test('the header says whether it is on, why, and the quiet hours', () => {
  const horario = { activo: true, inicio: 1320, fin: 425, dias: ['dom', 'lun', 'mie'] };
  assert.equal(resumenHorario(horario), '22:00–07:05 L X D');
  assert.equal(resumenHorario({ ...horario, activo: false }), 'Sin horario de silencio');
  assert.equal(titulo({ activo: false, horario }), 'No molestar desactivado · 22:00–07:05 L X D');
  assert.match(titulo({ activo: true, porHorario: true, horario }), /^No molestar activo por el horario · 22:00/);
  assert.match(titulo({ activo: true, porHorario: false, horario: null }), /^No molestar activo · Sin horario/);
});
