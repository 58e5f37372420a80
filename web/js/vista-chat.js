// Chat panel: the native web pane of slot "web" laid over #chat-zona.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const CLAVE = 'qv.chat';

  function montar(ctx) {
    const panel = document.getElementById('panel-chat');
    const boton = document.getElementById('chat-alternar');
    let visible = ctx.guardado.leer(CLAVE) !== 'oculto';

    function reflejar() {
      panel.classList.toggle('plegado', !visible);
      boton.textContent = visible ? 'Ocultar' : 'Mostrar';
      boton.setAttribute('aria-expanded', String(visible));
    }

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
