// MetaTrader 5 panel: polls the status file and shows account, positions and
// the session's equity line.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const f = QV.formato;
  const $ = (id) => document.getElementById(id);

  const MODOS = { demo: 'Demo', real: 'Real', contest: 'Concurso' };

  function signo(v) {
    if (typeof v !== 'number' || v === 0) return 'cero';
    return v > 0 ? 'pos' : 'neg';
  }

  function montar(ctx) {
    const panel = $('panel-mt5');
    const lienzo = $('mt5-grafico');
    const serie = QV.mt5.crearSerie();
    const vigia = QV.mt5.crearVigia();
    let moneda = '';

    function estado(clave, texto) {
      panel.dataset.estado = clave;
      $('mt5-estado').dataset.estado = clave;
      $('mt5-estado').textContent = texto;
      const sinArchivo = clave === 'sin-mt5';
      $('mt5-ayuda').hidden = !sinArchivo;
      $('mt5-datos').hidden = sinArchivo;
    }

    function aviso(texto) {
      $('mt5-aviso').hidden = !texto;
      $('mt5-aviso').textContent = texto || '';
    }

    function poner(id, texto, conSigno) {
      const el = $(id);
      el.textContent = texto;
      if (conSigno !== undefined) el.dataset.signo = signo(conSigno);
    }

    function pintarCuenta(a) {
      moneda = a.currency;
      poner('mt5-login', a.login || '—');
      poner('mt5-servidor', a.server);
      poner('mt5-moneda', a.currency);
      poner('mt5-modo', MODOS[a.tradeMode] || '');
      $('mt5-cuenta').title = [a.name, a.company, a.leverage ? '1:' + a.leverage : '']
        .filter(Boolean)
        .join(' · ');
      poner('mt5-balance', f.dinero(a.balance, a.currency));
      poner('mt5-equity', f.dinero(a.equity, a.currency));
      poner('mt5-beneficio', f.dinero(a.profit, a.currency, true), a.profit);
      poner('mt5-margen', f.dinero(a.margin, a.currency));
      poner('mt5-margen-libre', f.dinero(a.freeMargin, a.currency));
      // MetaTrader reports 0 when no margin is in use: there is no level then.
      poner('mt5-nivel', a.margin ? f.porcentaje(a.marginLevel) : f.GUION);
    }

    function celda(fila, texto, clase) {
      const td = fila.insertCell();
      td.textContent = texto;
      if (clase) td.className = clase;
      return td;
    }

    function pintarPosiciones(posiciones, divisa) {
      const cuerpo = $('mt5-posiciones').tBodies[0];
      cuerpo.replaceChildren();
      for (const p of posiciones) {
        const fila = cuerpo.insertRow();
        fila.dataset.ticket = p.ticket;
        fila.dataset.lado = p.type;
        celda(fila, p.symbol || f.GUION, 'simbolo');
        celda(fila, p.type === 'buy' ? 'Compra' : p.type === 'sell' ? 'Venta' : f.GUION, 'lado');
        celda(fila, f.lotes(p.volume), 'num');
        celda(fila, f.precio(p.openPrice, p.digits), 'num apertura');
        celda(fila, f.precio(p.currentPrice, p.digits), 'num');
        const b = celda(fila, f.dinero(p.profit, divisa, true), 'num con-signo beneficio');
        b.dataset.signo = signo(p.profit);
        if (typeof p.swap === 'number' && p.swap !== 0) b.title = 'Swap ' + f.dinero(p.swap, divisa, true);
      }
      $('mt5-posiciones').hidden = posiciones.length === 0;
      $('mt5-sin-posiciones').hidden = posiciones.length !== 0;
    }

    function dibujar() {
      const ancho = lienzo.clientWidth;
      const alto = lienzo.clientHeight;
      if (!ancho || !alto) return;
      const ppp = window.devicePixelRatio || 1;
      lienzo.width = Math.round(ancho * ppp);
      lienzo.height = Math.round(alto * ppp);
      const g = lienzo.getContext('2d');
      g.setTransform(ppp, 0, 0, ppp, 0, 0);
      g.clearRect(0, 0, ancho, alto);
      const puntos = serie.puntos();
      const { xy, min, max } = QV.mt5.escalarSerie(puntos, ancho, alto, 6);
      $('mt5-rango').textContent =
        xy.length > 1 ? f.dinero(min, moneda) + ' – ' + f.dinero(max, moneda) : '';
      if (xy.length < 2) {
        g.fillStyle = 'rgba(154, 170, 186, 0.6)';
        g.font = '12px system-ui, sans-serif';
        g.fillText('La línea aparece con los datos de la sesión.', 8, alto / 2);
        return;
      }
      const subida = puntos[puntos.length - 1].v >= puntos[0].v;
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

    function mostrar(est, ahora) {
      const a = est.account;
      const s = QV.mt5.situacion(est, ahora, ctx.cfg.staleSeconds, vigia.vistoDesde(est.time, ahora));
      estado(s.clave, s.texto);
      aviso(s.aviso);
      pintarCuenta(a);
      pintarPosiciones(est.positions, a.currency);
      ctx.guardia.estado(est, s);
      if (serie.anadir(a.login + '@' + a.server, est.time, a.equity)) dibujar();
    }

    // One reply of the status route → what the panel shows. Last good figures
    // stay on screen through passing errors.
    function atender(r, ahora) {
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
        const leido = QV.mt5.interpretarEstado(r.texto);
        if (leido.ok) mostrar(leido.estado, ahora);
        else estado('ilegible', 'Archivo ilegible');
      }
      ctx.recolocar();
    }

    async function ciclo() {
      const r = await ctx.pedir('qv-mt5://estado', { espera: 10000 });
      atender(r, Date.now());
      if (r.error !== QV.puente.SIN_NATIVO) setTimeout(ciclo, ctx.cfg.mt5PollMs);
    }

    new ResizeObserver(dibujar).observe(lienzo);
    ciclo();
  }

  QV.vistaMt5 = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
