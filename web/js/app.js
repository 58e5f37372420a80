// Starts the dashboard: the bridge, the header, the notices and every panel.
(function () {
  'use strict';
  const QV = window.QV;
  const $ = (id) => document.getElementById(id);

  const postear = QV.puente.enviadorNativo(window);
  const nativo = postear !== null;
  const puente = QV.puente.crearPuente({ enviar: postear, espera: QV.config.fetchTimeoutMs });

  // Every command goes through here: in browser mode nothing is ever posted.
  function enviar(mensaje) {
    if (!postear) return;
    try {
      postear(mensaje);
    } catch (e) {
      // the host went away; the page keeps running on its own
    }
  }

  // What the host sends the page: fetch replies through __qvFetch, and every
  // notice through __qvAviso(nombre, valor), to the view that registered the name.
  window.__qvFetch = puente.recibir;
  const avisosDelAnfitrion = new Map();
  window.__qvAviso = (nombre, valor) => {
    const atender = avisosDelAnfitrion.get(nombre);
    if (atender) atender(valor);
  };


  // Local storage can be unavailable (file: URLs in some engines, full disk).
  const guardado = {
    leer(clave) {
      try {
        return window.localStorage.getItem(clave);
      } catch (e) {
        return null;
      }
    },
    escribir(clave, valor) {
      try {
        window.localStorage.setItem(clave, valor);
      } catch (e) {
        // not remembered this time
      }
    },
  };

  function reloj() {
    const ahora = new Date();
    QV.pintado.texto($('reloj-hora'), QV.formato.horaLocal(ahora, true));
    QV.pintado.texto($('reloj-fecha'), QV.formato.fechaCorta(ahora));
    QV.pintado.texto($('reloj-utc'), 'UTC ' + QV.formato.horaUTC(ahora));
  }

  // External links leave for the default browser through the host.
  document.addEventListener('click', (ev) => {
    const a = ev.target.closest && ev.target.closest('a[href]');
    if (!a || !/^https?:/i.test(a.href)) return;
    ev.preventDefault();
    if (nativo) enviar({ cmd: 'abrir', url: a.href });
    else window.open(a.href, '_blank', 'noopener');
  });

  const colocador = QV.paneles.crearColocador(
    (el) => el.getBoundingClientRect(),
    () => ({ w: document.documentElement.clientWidth, h: document.documentElement.clientHeight }),
  );
  const avisos = QV.vistaAvisos.montar($('avisos'), colocador.visibles);
  // `opciones`: { titulo, fijo }. The host sends one for downloads.
  window.toastNativo = (texto, opciones) => avisos.mostrar(Object.assign({}, opciones, { texto: String(texto) }));
  avisosDelAnfitrion.set('toast', (texto) => window.toastNativo(texto));

  let pendiente = false;
  function recolocar() {
    if (pendiente) return;
    pendiente = true;
    requestAnimationFrame(() => {
      pendiente = false;
      colocador.actualizar();
      avisos.colocar();
    });
  }

  const badge = $('badge-nativo');
  badge.dataset.nativo = nativo ? 'si' : 'no';
  badge.textContent = nativo ? 'Nativo' : 'Navegador';
  badge.title = nativo
    ? 'Conectado con la aplicación QUORVEX'
    : 'Abierto en un navegador: sin funciones nativas';
  $('aviso-navegador').hidden = nativo;
  document.documentElement.dataset.modo = nativo ? 'nativo' : 'navegador';

  const ctx = {
    cfg: QV.config,
    nativo,
    enviar,
    pedir: puente.pedir,
    colocador,
    recolocar,
    guardado,
    alAviso: (nombre, atender) => avisosDelAnfitrion.set(nombre, atender),
  };
  ctx.guardia = QV.vistaGuardia.montar(ctx);
  ctx.dia = QV.vistaDia.montar(ctx);
  ctx.tamano = QV.vistaTamano.montar(ctx);
  QV.vistaMt5.montar(ctx);
  QV.vistaSesiones.montar(ctx);
  QV.vistaSitios.montar(ctx);
  QV.vistaCalendario.montar(ctx);
  QV.vistaChat.montar(ctx);
  QV.vistaVideo.montar(ctx);
  QV.vistaNoMolestar.montar(ctx);
  QV.vistaRecursos.montar(ctx);

  reloj();
  QV.pintado.latido(reloj);
  window.addEventListener('resize', recolocar);
  window.addEventListener('scroll', recolocar, { passive: true, capture: true });
  const observador = new ResizeObserver(recolocar);
  observador.observe(document.body);
  document.querySelectorAll('.zona-pane').forEach((el) => observador.observe(el));
  recolocar();
})();
