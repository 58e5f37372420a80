// Economic calendar panel: this week's feed through the network route.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const f = QV.formato;
  const $ = (id) => document.getElementById(id);

  const IMPACTO = { alto: 'Alto', medio: 'Medio', bajo: 'Bajo', festivo: 'Festivo' };

  function montar(ctx) {
    const caja = $('calendario');
    const cuerpo = caja.querySelector('tbody');
    let eventos = null;
    let fallos = 0;
    let reloj = null;
    let enCurso = false;

    function estado(clave, texto) {
      caja.dataset.estado = clave;
      $('calendario-estado').textContent = texto;
    }

    function celda(tr, clase, texto) {
      const td = tr.insertCell();
      td.className = clase;
      td.textContent = texto || '';
      return td;
    }

    function cifra(td, etiqueta, valor) {
      if (!valor) return;
      const s = document.createElement('span');
      s.className = etiqueta === 'Prev.' ? 'prevision' : 'anterior';
      s.dataset.etiqueta = etiqueta;
      s.textContent = valor;
      td.append(s);
    }

    function fila(e) {
      const tr = cuerpo.insertRow();
      tr.className = 'evento';
      tr.dataset.impacto = e.impacto || 'ninguno';
      if (e.pasado) tr.classList.add('pasado');
      if (e.siguiente) tr.classList.add('siguiente');
      celda(tr, 'hora', e.impacto === 'festivo' ? 'Todo el día' : f.horaLocal(e.fecha));
      const divisa = celda(tr, 'divisa', e.pais);
      const punto = document.createElement('span');
      punto.className = 'punto';
      divisa.prepend(punto);
      divisa.title = 'Impacto ' + (IMPACTO[e.impacto] || 'sin clasificar').toLowerCase();
      celda(tr, 'titulo', e.titulo);
      const datos = celda(tr, 'datos');
      cifra(datos, 'Prev.', e.prevision);
      cifra(datos, 'Ant.', e.anterior);
    }

    function pintar() {
      if (!eventos) return;
      cuerpo.replaceChildren();
      const dias = QV.calendario.agenda(eventos, new Date());
      for (const d of dias) {
        const cab = cuerpo.insertRow();
        cab.className = 'dia';
        const th = document.createElement('th');
        th.colSpan = 4;
        th.textContent = d.etiqueta;
        cab.append(th);
        d.eventos.forEach(fila);
      }
      if (!dias.length) estado('vacio', 'No quedan eventos esta semana.');
      ctx.recolocar();
    }

    function programar(ms) {
      clearTimeout(reloj);
      reloj = setTimeout(cargar, ms);
    }

    async function cargar() {
      if (enCurso) return;
      enCurso = true;
      if (!eventos) estado('cargando', 'Cargando…');
      const r = await ctx.pedir(ctx.cfg.calendarUrl);
      enCurso = false;
      if (r.error === QV.puente.SIN_NATIVO) {
        estado('sin-nativo', 'El calendario se descarga a través de la aplicación QUORVEX.');
        return;
      }
      const leido = r.error ? null : QV.calendario.interpretarCalendario(r.texto);
      if (!leido || !leido.ok) {
        const motivo = r.error || leido.motivo;
        estado('error', 'No se pudo cargar el calendario (' + motivo + ').' +
          (eventos ? ' Se muestran los datos anteriores.' : ''));
        programar(QV.sitios.retraso(fallos++, 60 * 1000, ctx.cfg.calendarPollMs));
        return;
      }
      fallos = 0;
      eventos = leido.eventos;
      ctx.guardia.calendario(eventos);
      estado('ok', 'Actualizado a las ' + f.horaLocal(new Date()) + '.');
      pintar();
      programar(ctx.cfg.calendarPollMs);
    }

    $('calendario-actualizar').disabled = !ctx.nativo;
    $('calendario-actualizar').addEventListener('click', () => {
      fallos = 0;
      cargar();
    });
    // Keeps "past" and "next" true as the day goes by.
    setInterval(pintar, 60 * 1000);
    cargar();
  }

  QV.vistaCalendario = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
