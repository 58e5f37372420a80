// The notices in #avisos: drawn from the rules of avisos.js, each with its
// close button, placed clear of the native panes whenever they or the notices
// change. The only timer is the one for the next notice to go.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const A = QV.avisos;

  // `panes()` gives the rectangles of the panes shown, in viewport pixels.
  function montar(caja, panes) {
    let lista = [];
    let temporizador = null;

    function nodo(a) {
      const el = document.createElement('div');
      el.className = 'aviso';
      el.dataset.fijo = a.fijo ? 'si' : 'no';
      const cuerpo = document.createElement('div');
      cuerpo.className = 'aviso-cuerpo';
      if (a.titulo) {
        const t = document.createElement('strong');
        t.textContent = a.titulo;
        cuerpo.append(t, ' ');
      }
      cuerpo.append(a.texto);
      if (a.veces > 1) {
        const n = document.createElement('span');
        n.className = 'aviso-veces';
        n.textContent = '×' + a.veces;
        n.title = 'Repetido ' + a.veces + ' veces';
        cuerpo.append(' ', n);
      }
      const cerrar = document.createElement('button');
      cerrar.type = 'button';
      cerrar.className = 'aviso-cerrar';
      cerrar.textContent = '×';
      cerrar.setAttribute('aria-label', 'Cerrar aviso');
      cerrar.addEventListener('click', () => pintar(lista.filter((x) => x !== a)));
      el.append(cuerpo, cerrar);
      return el;
    }

    function colocar() {
      if (!lista.length) return;
      const vista = document.documentElement;
      const s = A.colocar(panes(), { w: vista.clientWidth, h: vista.clientHeight },
        { w: caja.offsetWidth, h: caja.offsetHeight });
      const t = 'translate(' + s.x + 'px, ' + s.y + 'px)';
      if (caja.style.transform !== t) caja.style.transform = t;
    }

    function pintar(nueva) {
      lista = nueva;
      caja.replaceChildren(...lista.map(nodo));
      QV.pintado.oculto(caja, !lista.length);
      colocar();
      clearTimeout(temporizador);
      const t = A.proxima(lista);
      if (t !== null) temporizador = setTimeout(() => pintar(A.caducar(lista, Date.now())), t - Date.now());
    }

    // `aviso`: { texto, titulo, fijo }, as avisos.anadir takes it.
    const mostrar = (aviso) => pintar(A.anadir(lista, aviso, Date.now()));
    return { mostrar, colocar };
  }

  QV.vistaAvisos = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
