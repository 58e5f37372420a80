'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { fila, total } = require('../../web/js/recursos.js');

test('each view reads as its name, process, figures and the buttons it may have', () => {
  const casos = [
    [{ tipo: 'pagina', slot: '', estado: 'activo', pid: 10, memoria: 152.25, cpu: 1.5 },
      ['Panel principal', '10', '152,3 MB', '1,5 %', 'Activo', true, false]],
    [{ tipo: 'web', slot: 'web', estado: 'oculto', pid: 20, memoria: 80, cpu: null },
      ['Chat', '20', '80,0 MB', '—', 'Oculto', true, true]],
    [{ tipo: 'web', slot: 'otro', estado: 'reposo', pid: null, memoria: null, cpu: null },
      ['Panel web «otro»', '—', '—', '—', 'En reposo', true, false]],
    [{ tipo: 'video', slot: 'uno', estado: 'reposo', pid: null },
      ['Vídeo «uno»', '—', '—', '—', 'En reposo', false, false]],
    [{ tipo: 'video', slot: '1', estado: 'activo', pid: 30, compartido: true, memoria: 9, cpu: 0 },
      ['Vídeo 2', '30 (compartido)', '9,0 MB', '0,0 %', 'Activo', true, false]],
    [{ tipo: 'sitio', slot: 'exness', estado: 'activo', pid: 40, memoria: 1, cpu: 2 },
      ['Sitio Exness', '40', '1,0 MB', '2,0 %', 'Activo', true, false]],
  ];
  for (const [vista, esperado] of casos) {
    const f = fila(vista);
    assert.deepEqual([f.nombre, f.proceso, f.memoria, f.cpu, f.estado, f.recargar, f.reposo], esperado);
  }
  assert.equal(total({ memoria: 1234.5, cpu: 3 }), 'En total 1234,5 MB · 3,0 % de un núcleo');
});
