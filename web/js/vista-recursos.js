// The "Recursos" panel under the header: opened from the header or the
// Ventana menu, it asks the host what each view costs every few seconds
// while it is open, and only then.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const $ = (id) => document.getElementById(id);
  const CADA_MS = 3000;

  function montar(ctx) {
    const boton = $('recursos-abrir');
    const panel = $('recursos');
    const cuerpo = $('recursos-filas');
    let reloj = null;

    const pedir = () => {
      if (!document.hidden) ctx.enviar({ cmd: 'recursos' });
    };

    function abrir(ver) {
      if (ver === !panel.hidden) return;
      panel.hidden = !ver;
      boton.setAttribute('aria-expanded', String(ver));
      clearInterval(reloj);
      reloj = ver ? setInterval(pedir, CADA_MS) : null;
      if (ver) pedir();
      ctx.recolocar();
    }

    function accion(texto, mensaje) {
      const b = document.createElement('button');
      b.type = 'button';
      b.className = 'boton secundario';
      b.textContent = texto;
      b.addEventListener('click', () => {
        ctx.enviar(mensaje);
        pedir();
      });
      return b;
    }

    ctx.alAviso('recursos', (e) => {
      if (!e || !Array.isArray(e.vistas)) return;
      if (e.abrir) abrir(true);
      cuerpo.replaceChildren(...e.vistas.map((v) => {
        const f = QV.recursos.fila(v);
        const tr = document.createElement('tr');
        for (const texto of [f.nombre, f.proceso, f.memoria, f.cpu, f.estado]) {
          const td = document.createElement('td');
          td.textContent = texto;
          tr.append(td);
        }
        const acciones = document.createElement('td');
        const destino = { tipo: v.tipo, slot: v.slot };
        if (f.recargar) acciones.append(accion('Recargar', Object.assign({ cmd: 'panelRecargar' }, destino)));
        if (f.reposo) acciones.append(accion('Reposo', Object.assign({ cmd: 'panelReposo' }, destino)));
        tr.append(acciones);
        return tr;
      }));
      $('recursos-total').textContent = QV.recursos.total(e.total);
    });
    boton.disabled = !ctx.nativo;
    boton.addEventListener('click', () => abrir(panel.hidden));
    $('recursos-cerrar').addEventListener('click', () => abrir(false));
  }

  QV.vistaRecursos = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
