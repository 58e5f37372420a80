// Session state of the logged-in sites, read through site fetches
// ("qv-web://<clave>/..."), with a retry that backs off while the site is not ready.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  // A site reply → what the card shows. Errors other than the known states are
  // shown exactly as the host sent them.
  function clasificar(respuesta) {
    const error = respuesta && typeof respuesta.error === 'string' ? respuesta.error : '';
    if (error === '') return { estado: 'conectado', texto: 'Conectado' };
    if (error === 'cargando') return { estado: 'cargando', texto: 'Cargando…' };
    if (error === 'login') return { estado: 'login', texto: 'Inicia sesión' };
    if (error === QV.puente.SIN_NATIVO) return { estado: 'sin-nativo', texto: 'Sin host nativo' };
    return { estado: 'error', texto: error };
  }

  // Delay before retry number `intento` (0 first): base, 2·base, 4·base … up to tope.
  function retraso(intento, base, tope) {
    return Math.min(tope, base * Math.pow(2, Math.max(0, intento)));
  }

  // Keeps one site's state fresh. One check in flight at a time; a connected
  // site is checked every `intervalo`, any other state retries with back-off.
  function crearVigia(o) {
    const url = 'qv-web://' + o.clave + (o.ruta || '/');
    const poner = o.poner || setTimeout;
    const quitar = o.quitar || clearTimeout;
    let intento = 0;
    let reloj = null;
    let enCurso = false;
    let repetir = false;

    function programar(ms) {
      if (reloj !== null) quitar(reloj);
      reloj = poner(() => {
        reloj = null;
        comprobar();
      }, ms);
    }

    async function comprobar() {
      if (enCurso) {
        repetir = true;
        return;
      }
      if (reloj !== null) {
        quitar(reloj);
        reloj = null;
      }
      enCurso = true;
      const r = await o.pedir(url);
      enCurso = false;
      const c = clasificar(r);
      o.alCambiar(c, r.error);
      if (c.estado === 'sin-nativo') return;
      if (repetir) {
        repetir = false;
        intento = 0;
        comprobar();
      } else if (c.estado === 'conectado') {
        intento = 0;
        programar(o.intervalo);
      } else {
        programar(retraso(intento++, o.base, o.tope));
      }
    }

    // Opens the site's window; the user logs in there, so start checking
    // again from the shortest delay.
    async function iniciarSesion() {
      await o.pedir('qv-web://' + o.clave + '/login');
      intento = 0;
      programar(o.base);
    }

    // Check now (e.g. the user came back to the window) and forget the back-off.
    function ahora() {
      intento = 0;
      comprobar();
    }

    return { comprobar, iniciarSesion, ahora };
  }

  QV.sitios = { clasificar, retraso, crearVigia };
  if (typeof module !== 'undefined') module.exports = QV.sitios;
})(typeof window !== 'undefined' ? window : globalThis);
