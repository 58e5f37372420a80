// Video panel: four slots, each a native video pane laid over its screen.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const V = QV.video;
  const CLAVE = 'qv.videos';
  const CLAVE_PLEGADO = 'qv.videoPlegado';

  function montar(ctx) {
    const panel = document.getElementById('panel-video');
    const rejilla = document.getElementById('video-rejilla');
    const plantilla = document.getElementById('video-plantilla');
    const alternar = document.getElementById('video-alternar');
    const detener = document.getElementById('video-detener');
    const slots = V.leerGuardado(ctx.guardado.leer(CLAVE));
    const fuentes = slots.map((s) => V.fuenteDe(s.entrada));
    let plegado = ctx.guardado.leer(CLAVE_PLEGADO) === 'si';
    let detenido = false;

    const guardar = () => ctx.guardado.escribir(CLAVE, JSON.stringify(slots));

    function reflejar() {
      panel.classList.toggle('plegado', plegado);
      alternar.textContent = plegado ? 'Mostrar' : 'Ocultar';
      alternar.setAttribute('aria-expanded', String(!plegado));
      detener.textContent = detenido ? 'Reanudar' : 'Detener todo';
      detener.disabled = !ctx.nativo;
      rejilla.querySelectorAll('.video-slot').forEach((t, i) => {
        t.dataset.estado = !fuentes[i] ? 'vacio' : detenido ? 'detenido' : 'activo';
        t.querySelector('.marcador').textContent = !fuentes[i]
          ? 'Sin vídeo'
          : !ctx.nativo
            ? 'El vídeo se reproduce dentro de la aplicación QUORVEX.'
            : detenido
              ? 'Detenido'
              : 'Cargando vídeo…';
      });
    }

    function montarSlot(i) {
      const slot = String(i);
      const t = plantilla.content.firstElementChild.cloneNode(true);
      t.id = 'video-slot-' + slot;
      t.dataset.slot = slot;
      const entrada = t.querySelector('.video-entrada');
      const vol = t.querySelector('.video-vol');
      const volValor = t.querySelector('.video-vol-valor');
      const error = t.querySelector('.video-error');
      entrada.value = slots[i].entrada;
      vol.value = slots[i].vol;
      volValor.textContent = slots[i].vol;
      rejilla.append(t);

      ctx.colocador.anadir('video' + slot, {
        el: t.querySelector('.pantalla'),
        activo: () => ctx.nativo && !plegado && !detenido && fuentes[i] !== null,
        colocar: (r) => ctx.enviar(V.mensajeVideo(slot, fuentes[i], slots[i].vol, r)),
        // A slot whose stream was taken away is unloaded; one merely out of
        // sight keeps playing where it is.
        ocultar: () => ctx.enviar(V.mensajeOcultarSlot(slot, fuentes[i] === null)),
      });

      function cambiar(texto) {
        const fuente = V.fuenteDe(texto);
        error.hidden = texto.trim() === '' || fuente !== null;
        if (texto.trim() !== '' && fuente === null) return;
        // The old stream goes now, even if the slot is out of sight and the
        // placer has nothing more to say about it.
        if (fuentes[i]) ctx.enviar(V.mensajeOcultarSlot(slot, true));
        fuentes[i] = fuente;
        slots[i].entrada = fuente ? texto.trim() : '';
        guardar();
        ctx.colocador.renovar('video' + slot);
        reflejar();
        ctx.recolocar();
      }

      t.querySelector('.video-form').addEventListener('submit', (ev) => {
        ev.preventDefault();
        cambiar(entrada.value);
      });
      t.querySelector('.video-quitar').addEventListener('click', () => {
        entrada.value = '';
        cambiar('');
      });
      vol.addEventListener('input', () => {
        slots[i].vol = V.volumen(vol.value);
        volValor.textContent = slots[i].vol;
        guardar();
        if (fuentes[i] && !detenido) ctx.enviar(V.mensajeVolumen(slot, slots[i].vol));
      });
    }

    for (let i = 0; i < V.SLOTS.length; i++) montarSlot(i);

    alternar.addEventListener('click', () => {
      plegado = !plegado;
      ctx.guardado.escribir(CLAVE_PLEGADO, plegado ? 'si' : 'no');
      reflejar();
      ctx.recolocar();
    });
    detener.addEventListener('click', () => {
      detenido = !detenido;
      if (detenido) ctx.enviar(V.mensajeDetenerTodo());
      reflejar();
      ctx.recolocar();
    });
    reflejar();
  }

  QV.vistaVideo = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
