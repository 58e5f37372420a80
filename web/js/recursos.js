// What each view costs, as the "Recursos" panel shows it: the host's rows
// (tipo, slot, estado, pid, memoria in MiB, cpu in % of one core) turned into
// the words and buttons of the table.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const formato = QV.formato || require('./formato.js');

  const ESTADOS = { activo: 'Activo', oculto: 'Oculto', reposo: 'En reposo' };

  function nombre(fila) {
    const slot = String(fila.slot || '');
    if (fila.tipo === 'pagina') return 'Panel principal';
    // The dashboard's chat is the pane of slot "web"; its video slots are numbered from 0.
    if (fila.tipo === 'web') return slot === 'web' ? 'Chat' : 'Panel web «' + slot + '»';
    if (fila.tipo === 'video') return /^\d+$/.test(slot) ? 'Vídeo ' + (Number(slot) + 1) : 'Vídeo «' + slot + '»';
    return 'Sitio ' + slot.charAt(0).toUpperCase() + slot.slice(1);
  }

  const medida = (v, unidad) => (typeof v === 'number' ? formato.cifra(v, 1) + ' ' + unidad : formato.GUION);

  // A sleeping video pane plays again when the page shows it; any other view
  // may be loaded again now. Only a hidden pane may be put to sleep: one on
  // show would stay blank.
  function fila(f) {
    const pid = typeof f.pid === 'number' ? String(f.pid) + (f.compartido ? ' (compartido)' : '') : formato.GUION;
    return {
      nombre: nombre(f),
      proceso: pid,
      memoria: medida(f.memoria, 'MB'),
      cpu: medida(f.cpu, '%'),
      estado: ESTADOS[f.estado] || f.estado,
      recargar: !(f.tipo === 'video' && f.estado === 'reposo'),
      reposo: (f.tipo === 'web' || f.tipo === 'video') && f.estado === 'oculto',
    };
  }

  function total(t) {
    return t ? 'En total ' + medida(t.memoria, 'MB') + ' · ' + medida(t.cpu, '%') + ' de un núcleo' : '';
  }

  QV.recursos = { fila, total };
  if (typeof module !== 'undefined') module.exports = QV.recursos;
})(typeof window !== 'undefined' ? window : globalThis);
