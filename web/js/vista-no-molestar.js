// "No molestar" in the header: the switch, which shows the host's state
// (by hand or by the quiet hours), and the quiet hours' form under it.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const nm = QV.noMolestar;
  const $ = (id) => document.getElementById(id);

  function montar(ctx) {
    const boton = $('no-molestar');
    const abrir = $('no-molestar-horario');
    const form = $('nm-ajustes');
    const error = $('nm-error');
    const caja = $('nm-dias');
    let estado = { activo: false, porHorario: false, horario: null };

    for (const [clave, letra] of nm.DIAS) {
      const label = document.createElement('label');
      const box = document.createElement('input');
      box.type = 'checkbox';
      box.name = 'dia';
      box.value = clave;
      label.append(box, ' ' + letra);
      caja.append(label);
    }

    function pintar() {
      boton.dataset.activo = estado.activo ? 'si' : 'no';
      boton.setAttribute('aria-pressed', String(estado.activo));
      boton.title = nm.titulo(estado);
    }

    // A week's working nights until the user chooses.
    function rellenar() {
      const h = estado.horario || { activo: false, inicio: 22 * 60, fin: 7 * 60, dias: [] };
      const dias = h.dias.length ? h.dias : ['lun', 'mar', 'mie', 'jue', 'vie'];
      form.elements.activo.checked = h.activo;
      form.elements.inicio.value = nm.aHora(h.inicio);
      form.elements.fin.value = nm.aHora(h.fin);
      for (const box of form.querySelectorAll('input[name="dia"]')) box.checked = dias.includes(box.value);
      error.hidden = true;
    }

    function mostrarForm(ver) {
      if (ver) rellenar();
      form.hidden = !ver;
      abrir.setAttribute('aria-expanded', String(ver));
      ctx.recolocar();
    }

    ctx.alAviso('noMolestar', (e) => {
      if (!e || typeof e !== 'object') return;
      estado = e;
      pintar();
    });
    boton.disabled = abrir.disabled = !ctx.nativo;
    boton.addEventListener('click', () => ctx.enviar({ cmd: 'noMolestar', activo: !estado.activo }));
    abrir.addEventListener('click', () => mostrarForm(form.hidden));
    $('nm-cancelar').addEventListener('click', () => mostrarForm(false));
    form.addEventListener('submit', (ev) => {
      ev.preventDefault();
      const r = nm.mensajeHorario({
        activo: form.elements.activo.checked,
        inicio: form.elements.inicio.value,
        fin: form.elements.fin.value,
        dias: [...form.querySelectorAll('input[name="dia"]:checked')].map((b) => b.value),
      });
      if (r.error) {
        error.textContent = r.error;
        error.hidden = false;
        return;
      }
      ctx.enviar(r.mensaje);
      mostrarForm(false);
    });
    pintar();
    ctx.enviar({ cmd: 'noMolestar' });
  }

  QV.vistaNoMolestar = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
