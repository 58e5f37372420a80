// Chat panel: the native web pane of slot "web" laid over #chat-zona, the
// count of its notifications not seen yet, and whether it may notify the desktop.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const CLAVE = 'qv.chat';

  function montar(ctx) {
    const panel = document.getElementById('panel-chat');
    const boton = document.getElementById('chat-alternar');
    const contador = document.getElementById('chat-sin-leer');
    const avisos = document.getElementById('chat-avisos');
    let visible = ctx.guardado.leer(CLAVE) !== 'oculto';
    let sinLeer = 0;

    function contar(n) {
      sinLeer = n;
      contador.hidden = n === 0;
      contador.textContent = String(n);
      contador.title = n === 1 ? '1 aviso sin ver' : n + ' avisos sin ver';
    }

    function reflejar() {
      panel.classList.toggle('plegado', !visible);
      boton.textContent = visible ? 'Ocultar' : 'Mostrar';
      boton.setAttribute('aria-expanded', String(visible));
      if (visible) contar(0);
    }

    // The host's notices: the pane raised a notification; the stored choice.
    ctx.alAviso('avisoChat', () => {
      if (!visible || !document.hasFocus()) contar(sinLeer + 1);
    });
    ctx.alAviso('avisosChat', (permitidos) => {
      avisos.checked = permitidos === true;
    });
    window.addEventListener('focus', () => {
      if (visible) contar(0);
    });
    avisos.disabled = !ctx.nativo;
    avisos.addEventListener('change', () => ctx.enviar({ cmd: 'avisosChat', permitir: avisos.checked }));
    ctx.enviar({ cmd: 'avisosChat' });

    // How long the hidden chat keeps its memory, kept by the host.
    const reposo = document.getElementById('chat-reposo');
    const reposoAvisos = document.getElementById('chat-reposo-avisos');
    ctx.alAviso('hibernacion', (estado) => {
      if (!estado || typeof estado.minutos !== 'number') return;
      const elegido = String(estado.minutos);
      if (![...reposo.options].some((o) => o.value === elegido)) reposo.add(new Option(elegido + ' min', elegido));
      reposo.value = elegido;
      if (estado.slot === 'web') reposoAvisos.checked = estado.siempre === true;
    });
    reposo.disabled = reposoAvisos.disabled = !ctx.nativo;
    reposo.addEventListener('change', () => ctx.enviar({ cmd: 'hibernacion', minutos: Number(reposo.value) }));
    reposoAvisos.addEventListener('change', () =>
      ctx.enviar({ cmd: 'hibernacion', slot: 'web', siempre: reposoAvisos.checked }),
    );
    ctx.enviar({ cmd: 'hibernacion', slot: 'web' });

    ctx.colocador.anadir('chat', {
      el: document.getElementById('chat-zona'),
      activo: () => ctx.nativo && visible,
      colocar: (r) => ctx.enviar(QV.paneles.mensajeWeb('web', r)),
      ocultar: () => ctx.enviar({ cmd: 'webOcultar', slot: 'web' }),
    });

    boton.addEventListener('click', () => {
      visible = !visible;
      ctx.guardado.escribir(CLAVE, visible ? 'visible' : 'oculto');
      reflejar();
      ctx.recolocar();
    });
    reflejar();
  }

  QV.vistaChat = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
