// "No molestar" as the page shows and sets it: the quiet hours between the
// form (times "HH:MM", a box per day) and the host's message (minutes since
// midnight, day names), and the words the header uses for the state.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  const DIAS = [
    ['lun', 'L'], ['mar', 'M'], ['mie', 'X'], ['jue', 'J'], ['vie', 'V'], ['sab', 'S'], ['dom', 'D'],
  ];

  // null for anything an <input type="time"> would not give.
  function aMinutos(hora) {
    const m = /^([01]\d|2[0-3]):([0-5]\d)/.exec(hora || '');
    return m ? Number(m[1]) * 60 + Number(m[2]) : null;
  }

  const aHora = (min) => String(Math.floor(min / 60)).padStart(2, '0') + ':' + String(min % 60).padStart(2, '0');

  // The form's values ({ activo, inicio, fin, dias: [...] }) as the command, or
  // null with the reason shown to the user.
  function mensajeHorario(valores) {
    const inicio = aMinutos(valores.inicio), fin = aMinutos(valores.fin);
    if (inicio === null || fin === null) return { error: 'Escribe la hora de inicio y la de fin.' };
    if (valores.activo && valores.dias.length === 0) return { error: 'Elige al menos un día.' };
    const dias = DIAS.map((d) => d[0]).filter((d) => valores.dias.includes(d));
    return { mensaje: { cmd: 'noMolestar', horario: { activo: !!valores.activo, inicio, fin, dias } } };
  }

  // "22:00–07:00 L M X J V", or that there are none.
  function resumenHorario(h) {
    if (!h || !h.activo) return 'Sin horario de silencio';
    const dias = DIAS.filter((d) => h.dias.includes(d[0])).map((d) => d[1]).join(' ');
    return aHora(h.inicio) + '–' + aHora(h.fin) + ' ' + dias;
  }

  // The header switch's tooltip for the host's state.
  function titulo(estado) {
    const horario = resumenHorario(estado.horario);
    if (!estado.activo) return 'No molestar desactivado · ' + horario;
    return (estado.porHorario ? 'No molestar activo por el horario · ' : 'No molestar activo · ') + horario +
      '. Los paneles están en silencio y los avisos del escritorio se guardan para el final.';
  }

  QV.noMolestar = { DIAS, aMinutos, aHora, mensajeHorario, resumenHorario, titulo };
  if (typeof module !== 'undefined') module.exports = QV.noMolestar;
})(typeof window !== 'undefined' ? window : globalThis);
