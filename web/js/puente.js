// The "qv" channel: sending commands to the native host and matching fetch
// replies (`window.__qvFetch(id, base64, error)`) to the promises waiting for them.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  const SIN_NATIVO = 'sin host nativo';
  const TIEMPO_AGOTADO = 'tiempo agotado';
  const DATOS_ILEGIBLES = 'datos ilegibles';

  // Returns the function that posts to the host, or null in an ordinary browser.
  // Both the marker and the handler must be present: the marker alone could be
  // set by anything, and posting without it would be a page that thinks it is
  // hosted when it is not.
  function enviadorNativo(w) {
    if (!w || !w.__qvNativo) return null;
    const qv = w.webkit && w.webkit.messageHandlers && w.webkit.messageHandlers.qv;
    if (!qv || typeof qv.postMessage !== 'function') return null;
    return (mensaje) => qv.postMessage(mensaje);
  }

  // Base64 to bytes; null when it is not valid. The engine's own decoder
  // where there is one: on a body of megabytes it is several times faster
  // than atob and a loop.
  function base64ABytes(b64) {
    try {
      if (Uint8Array.fromBase64) return Uint8Array.fromBase64(b64);
      const binario = atob(b64);
      const bytes = new Uint8Array(binario.length);
      for (let i = 0; i < binario.length; i++) bytes[i] = binario.charCodeAt(i);
      return bytes;
    } catch (e) {
      return null;
    }
  }

  // Base64 of UTF-8 bytes to text; null when the Base64 is not valid.
  function base64ATexto(b64) {
    if (b64 === '') return '';
    const bytes = base64ABytes(b64);
    return bytes && new TextDecoder('utf-8').decode(bytes);
  }

  const OPCIONALES = ['headers', 'method', 'body', 'bodyB64'];

  // `enviar` is null in browser mode: every request then settles at once with
  // SIN_NATIVO and nothing is posted. Ids carry a per-load prefix because the
  // host keeps answering fetches that were in flight when the page reloaded;
  // a plain counter would hand those stale answers to new requests.
  function crearPuente(opciones) {
    const enviar = opciones.enviar || null;
    const poner = opciones.poner || setTimeout;
    const quitar = opciones.quitar || clearTimeout;
    const espera = opciones.espera || 25000;
    const prefijo =
      opciones.prefijo || Date.now().toString(36) + Math.random().toString(36).slice(2, 6);
    const pendientes = new Map();
    let contador = 0;

    function pedir(url, extra) {
      extra = extra || {};
      if (!enviar) return Promise.resolve({ texto: '', error: SIN_NATIVO });
      const id = prefijo + '-' + ++contador;
      const mensaje = { cmd: 'fetch', url: url, id: id };
      for (const k of OPCIONALES) if (extra[k] !== undefined) mensaje[k] = extra[k];
      return new Promise((resolver) => {
        const reloj = poner(() => {
          pendientes.delete(id);
          resolver({ texto: '', error: TIEMPO_AGOTADO });
        }, extra.espera || espera);
        pendientes.set(id, { resolver, reloj });
        try {
          enviar(mensaje);
        } catch (e) {
          quitar(reloj);
          pendientes.delete(id);
          resolver({ texto: '', error: SIN_NATIVO });
        }
      });
    }

    // Answers for ids nobody waits for (timed out, or from before a reload)
    // are dropped. Returns whether the reply was taken.
    function recibir(id, datos, error) {
      const p = pendientes.get(String(id));
      if (!p) return false;
      pendientes.delete(String(id));
      quitar(p.reloj);
      const err = typeof error === 'string' ? error : '';
      const texto = typeof datos === 'string' ? base64ATexto(datos) : '';
      if (texto === null) p.resolver({ texto: '', error: err || DATOS_ILEGIBLES });
      else p.resolver({ texto: texto, error: err });
      return true;
    }

    return {
      pedir,
      recibir,
      enEspera: () => pendientes.size,
    };
  }

  QV.puente = { enviadorNativo, base64ABytes, base64ATexto, crearPuente, SIN_NATIVO, TIEMPO_AGOTADO };
  if (typeof module !== 'undefined') module.exports = QV.puente;
})(typeof window !== 'undefined' ? window : globalThis);
