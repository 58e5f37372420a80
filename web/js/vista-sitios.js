// Session cards for the logged-in sites.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  function montarTarjeta(ctx, tarjeta) {
    const clave = tarjeta.dataset.clave;
    const pildora = tarjeta.querySelector('.estado');
    const login = tarjeta.querySelector('.login');
    const comprobar = tarjeta.querySelector('.comprobar');

    const vigia = QV.sitios.crearVigia({
      clave,
      pedir: ctx.pedir,
      intervalo: ctx.cfg.sitePollMs,
      base: ctx.cfg.retryBaseMs,
      tope: ctx.cfg.retryMaxMs,
      alCambiar(c, error) {
        tarjeta.dataset.estado = c.estado;
        pildora.dataset.estado = c.estado;
        pildora.textContent = c.texto;
        login.classList.toggle('destacado', c.estado === 'login');
        // The host's own words, kept until the next error replaces them. Known
        // states (still loading, log-in needed) already speak through the pill.
        if (error && c.estado === 'error') {
          tarjeta.querySelector('.error').textContent = error;
          tarjeta.querySelector('.error-hora').textContent = QV.formato.horaLocal(new Date(), true);
          tarjeta.querySelector('.sitio-error').classList.add('visible');
        }
      },
    });

    login.disabled = comprobar.disabled = !ctx.nativo;
    login.addEventListener('click', () => vigia.iniciarSesion());
    comprobar.addEventListener('click', () => vigia.ahora());
    vigia.comprobar();
    return { tarjeta, vigia };
  }

  function montar(ctx) {
    const tarjetas = [...document.querySelectorAll('.sitio')].map((t) => montarTarjeta(ctx, t));
    // Coming back from a site window is the moment a log-in may have finished.
    window.addEventListener('focus', () => {
      for (const t of tarjetas) {
        const e = t.tarjeta.dataset.estado;
        if (e !== 'conectado' && e !== 'sin-nativo') t.vigia.ahora();
      }
    });
  }

  QV.vistaSitios = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
