// MetaTrader 5 panel: polls the status file and shows account, positions and
// the session's equity line.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const f = QV.formato;
  const pinta = QV.pintado;
  const $ = (id) => document.getElementById(id);

  const MODOS = { demo: 'Demo', real: 'Real', contest: 'Concurso' };

  function signo(v) {
    if (typeof v !== 'number' || v === 0) return 'cero';
    return v > 0 ? 'pos' : 'neg';
  }

  // The equity line, filled down to the bottom of the canvas and stroked, in
  // green when the session is up and red when it is down.
  function trazar(g, xy, alto, subida) {
    const color = subida ? '46, 204, 138' : '240, 93, 94';
    const relleno = g.createLinearGradient(0, 0, 0, alto);
    relleno.addColorStop(0, 'rgba(' + color + ', 0.28)');
    relleno.addColorStop(1, 'rgba(' + color + ', 0)');
    g.beginPath();
    xy.forEach(([x, y], i) => (i ? g.lineTo(x, y) : g.moveTo(x, y)));
    g.lineTo(xy[xy.length - 1][0], alto);
    g.lineTo(xy[0][0], alto);
    g.closePath();
    g.fillStyle = relleno;
    g.fill();
    g.beginPath();
    xy.forEach(([x, y], i) => (i ? g.lineTo(x, y) : g.moveTo(x, y)));
    g.strokeStyle = 'rgb(' + color + ')';
    g.lineWidth = 1.5;
    g.lineJoin = 'round';
    g.stroke();
  }

  function montar(ctx) {
    const panel = $('panel-mt5');
    const lienzo = $('mt5-grafico');
    const serie = QV.mt5.crearSerie();
    const vigias = new Map(); // one per login: each file has its own time
    const vigia = (login) => vigias.get(login) || vigias.set(login, QV.mt5.crearVigia()).get(login);
    const CLAVE_CUENTA = 'qv.mt5.cuenta';
    let elegida = ctx.guardado.leer(CLAVE_CUENTA) || ''; // '' follows the newest file
    let cuentas = new Map(); // login → status of its own file (and the newest file's account)
    let opcionesPintadas = null;
    let moneda = '';
    let posicionesPintadas = null; // what the table shows, to leave it be when nothing changed
    let pintada = { vista: null, t: 0 }; // the box, scale and newest time of the line the canvas shows

    function estado(clave, rotulo) {
      pinta.dato(panel, 'estado', clave);
      pinta.dato($('mt5-estado'), 'estado', clave);
      pinta.texto($('mt5-estado'), rotulo);
      const sinArchivo = clave === 'sin-mt5';
      pinta.oculto($('mt5-ayuda'), !sinArchivo);
      pinta.oculto($('mt5-datos'), sinArchivo);
    }

    function aviso(t) {
      pinta.oculto($('mt5-aviso'), !t);
      pinta.texto($('mt5-aviso'), t || '');
    }

    function poner(id, t, conSigno) {
      const el = $(id);
      pinta.texto(el, t);
      if (conSigno !== undefined) pinta.dato(el, 'signo', signo(conSigno));
    }

    function pintarCuenta(a) {
      moneda = a.currency;
      poner('mt5-login', a.login || '—');
      poner('mt5-servidor', a.server);
      poner('mt5-moneda', a.currency);
      poner('mt5-modo', MODOS[a.tradeMode] || '');
      const titulo = [a.name, a.company, a.leverage ? '1:' + a.leverage : ''].filter(Boolean).join(' · ');
      if ($('mt5-cuenta').title !== titulo) $('mt5-cuenta').title = titulo;
      poner('mt5-balance', f.dinero(a.balance, a.currency));
      poner('mt5-equity', f.dinero(a.equity, a.currency));
      poner('mt5-beneficio', f.dinero(a.profit, a.currency, true), a.profit);
      poner('mt5-margen', f.dinero(a.margin, a.currency));
      poner('mt5-margen-libre', f.dinero(a.freeMargin, a.currency));
      // MetaTrader reports 0 when no margin is in use: there is no level then.
      poner('mt5-nivel', a.margin ? f.porcentaje(a.marginLevel) : f.GUION);
    }

    function celda(fila, clase) {
      const td = fila.insertCell();
      if (clase) td.className = clase;
      return td;
    }

    // The same positions with new prices keep their rows: only the cells whose
    // text moved are written, instead of a new table laid out every second.
    function pintarPosiciones(posiciones, divisa) {
      const firma = JSON.stringify([posiciones, divisa]);
      if (firma === posicionesPintadas) return;
      posicionesPintadas = firma;
      const cuerpo = $('mt5-posiciones').tBodies[0];
      const filas = cuerpo.rows;
      const mismas = filas.length === posiciones.length &&
        posiciones.every((p, i) => filas[i].dataset.ticket === p.ticket && filas[i].dataset.lado === p.type);
      if (!mismas) {
        cuerpo.replaceChildren();
        for (const p of posiciones) {
          const fila = cuerpo.insertRow();
          fila.dataset.ticket = p.ticket;
          fila.dataset.lado = p.type;
          for (const clase of ['simbolo', 'lado', 'num', 'num apertura', 'num', 'num con-signo beneficio']) {
            celda(fila, clase);
          }
        }
      }
      posiciones.forEach((p, i) => {
        const c = filas[i].cells;
        pinta.texto(c[0], p.symbol || f.GUION);
        pinta.texto(c[1], p.type === 'buy' ? 'Compra' : p.type === 'sell' ? 'Venta' : f.GUION);
        pinta.texto(c[2], f.lotes(p.volume));
        pinta.texto(c[3], f.precio(p.openPrice, p.digits));
        pinta.texto(c[4], f.precio(p.currentPrice, p.digits));
        pinta.texto(c[5], f.dinero(p.profit, divisa, true));
        pinta.dato(c[5], 'signo', signo(p.profit));
        const swap = typeof p.swap === 'number' && p.swap !== 0 ? 'Swap ' + f.dinero(p.swap, divisa, true) : '';
        if (c[5].title !== swap) c[5].title = swap;
      });
      pinta.oculto($('mt5-posiciones'), posiciones.length === 0);
      pinta.oculto($('mt5-sin-posiciones'), posiciones.length !== 0);
    }

    // The canvas's size as its observer last reported it: asked of the
    // element on the beat, after the panel's figures were written, it would
    // make the engine lay the page out twice in that frame.
    let caja = { ancho: 0, alto: 0 };
    function dibujar() {
      const { ancho, alto } = caja;
      if (!ancho || !alto) return;
      const ppp = window.devicePixelRatio || 1;
      // A size set again, even the same, is a new layout: only a change is written.
      if (lienzo.width !== Math.round(ancho * ppp)) lienzo.width = Math.round(ancho * ppp);
      if (lienzo.height !== Math.round(alto * ppp)) lienzo.height = Math.round(alto * ppp);
      const puntos = serie.puntos();
      const { xy, min, max } = QV.mt5.escalarSerie(puntos, ancho, alto, 6);
      pinta.texto($('mt5-rango'), xy.length > 1 ? f.dinero(min, moneda) + ' – ' + f.dinero(max, moneda) : '');
      // A flat line looks the same however many points it has: a terminal whose
      // equity does not move would otherwise repaint the canvas every second.
      // A moving one shifts by a pixel only once its newest point is a pixel's
      // worth of time on: on every point in the first minutes, every 8 s or so
      // after two hours. Drawn again then, or when its box or scale changed.
      const tN = puntos.length ? puntos[puntos.length - 1].t : 0;
      const paso = puntos.length ? (tN - puntos[0].t) / Math.max(1, ancho - 12) : 0;
      const vista = [ancho, alto, ppp, min, max].join();
      if (xy.length > 1 && vista === pintada.vista && (min === max || tN - pintada.t < paso)) return;
      pintada = { vista, t: tN };
      const g = lienzo.getContext('2d');
      g.setTransform(ppp, 0, 0, ppp, 0, 0);
      g.clearRect(0, 0, ancho, alto);
      if (xy.length < 2) {
        g.fillStyle = 'rgba(154, 170, 186, 0.6)';
        g.font = '12px system-ui, sans-serif';
        g.fillText('La línea aparece con los datos de la sesión.', 8, alto / 2);
        return;
      }
      trazar(g, xy, alto, puntos[puntos.length - 1].v >= puntos[0].v);
    }

    const situacionDe = (est, ahora) =>
      QV.mt5.situacion(est, ahora, ctx.cfg.staleSeconds, vigia(est.account.login).vistoDesde(est.time, ahora));

    function mostrar(est, ahora) {
      const a = est.account;
      const s = situacionDe(est, ahora);
      estado(s.clave, s.texto);
      aviso(s.aviso);
      pintarCuenta(a);
      pintarPosiciones(est.positions, a.currency);
      ctx.guardia.estado(est, s);
      ctx.dia.estado(est);
      ctx.tamano.estado(est, ctx.guardia.restante());
      if (serie.anadir(a.login + '@' + a.server, est.time, a.equity)) dibujar();
    }

    // The switcher: shown once there is more than one account to choose.
    function pintarSelector() {
      const sel = $('mt5-selector');
      const logins = [...cuentas.keys()];
      const firma = JSON.stringify([logins, elegida]);
      if (firma === opcionesPintadas) return;
      opcionesPintadas = firma;
      sel.replaceChildren(new Option('La más reciente', ''),
        ...logins.map((l) => new Option(l + ' · ' + (cuentas.get(l).account.server || ''), l)));
      sel.value = cuentas.has(elegida) ? elegida : '';
      pinta.oculto(sel, logins.length < 2 && !cuentas.has(elegida));
    }

    // Accounts not shown: their guard and journal go on while their files are live.
    function deFondo(mostrada, ahora) {
      for (const [l, est] of cuentas) {
        if (l === mostrada || situacionDe(est, ahora).clave !== 'vivo') continue;
        ctx.guardia.fondo(est);
        ctx.dia.registrar(est);
      }
    }

    // One reply of the status route and one of the accounts route → what
    // the panel shows. Last good figures stay on screen through passing errors.
    function atender({ r, rc }, ahora) {
      const leido = r.error ? null : QV.mt5.interpretarEstado(r.texto);
      const lista = rc && !rc.error ? QV.mt5.interpretarCuentas(rc.texto) : [];
      cuentas = new Map(lista.map((c) => [c.login, c.estado]));
      // A writer of the first version names no file per account: its one file stands for it.
      if (leido && leido.ok && leido.estado.account.login && !cuentas.has(leido.estado.account.login)) {
        cuentas.set(leido.estado.account.login, leido.estado);
      }
      pintarSelector();
      if (elegida && cuentas.has(elegida)) {
        mostrar(cuentas.get(elegida), ahora);
        deFondo(elegida, ahora);
        ctx.recolocar();
        return;
      }
      deFondo(leido && leido.ok ? leido.estado.account.login : null, ahora);
      if (r.error === QV.puente.SIN_NATIVO) {
        estado('sin-nativo', 'Sin host nativo');
        ctx.guardia.sinDatos();
        aviso('MetaTrader 5 se lee a través de la aplicación QUORVEX.');
      } else if (r.error === 'sin MT5') {
        estado('sin-mt5', 'Sin MT5');
        ctx.guardia.sinDatos();
        aviso('');
      } else if (r.error) {
        estado('error', r.error);
      } else {
        if (leido.ok) mostrar(leido.estado, ahora);
        else estado('ilegible', 'Archivo ilegible');
      }
      ctx.recolocar();
    }

    // Each poll goes out a little before a beat of the clock and its answer
    // is painted on the beat, with the clock: one frame a second for both.
    // The first answer is painted at once.
    const ANTES_MS = 100;
    let pendiente = null;
    let primera = true;
    pinta.latido(() => {
      if (pendiente) atender(pendiente, Date.now());
      pendiente = null;
    });

    async function ciclo() {
      const [r, rc] = await Promise.all([ctx.pedir('qv-mt5://estado', { espera: 10000 }),
        ctx.pedir('qv-mt5://cuentas', { espera: 10000 })]);
      if (primera) atender({ r, rc }, Date.now());
      else pendiente = { r, rc };
      primera = false;
      if (r.error !== QV.puente.SIN_NATIVO) setTimeout(ciclo, pinta.hasta(ctx.cfg.mt5PollMs, Date.now() + ANTES_MS));
    }

    $('mt5-selector').addEventListener('change', (ev) => {
      elegida = ev.target.value;
      ctx.guardado.escribir(CLAVE_CUENTA, elegida);
    });

    new ResizeObserver(([e]) => {
      caja = { ancho: Math.round(e.contentRect.width), alto: Math.round(e.contentRect.height) };
      dibujar();
    }).observe(lienzo);
    ciclo();
  }

  QV.vistaMt5 = { montar, trazar };
})(typeof window !== 'undefined' ? window : globalThis);
