// The day's trades on the MT5 panel: realised result, trades, win rate and
// average win and loss of today, the calendar of the last 30 days, and the
// journal's export. The deals are kept in the page's storage per login.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const f = QV.formato;
  const d = QV.diario;
  const g = QV.guardia;
  const pinta = QV.pintado;
  const $ = (id) => document.getElementById(id);

  const CLAVE = 'qv.diario';

  function montar(ctx) {
    let guardado;
    try {
      guardado = JSON.parse(ctx.guardado.leer(CLAVE) || '{}');
    } catch (e) {
      guardado = {};
    }
    if (!guardado || typeof guardado !== 'object' || Array.isArray(guardado)) guardado = {};
    let mostrada = null; // the account on the panel
    let pintado = null;

    // The deals of a file into its login's kept ones; stored when they changed.
    function registrar(est) {
      const login = est.account.login;
      if (!login) return;
      const antes = guardado[login];
      const ahora = d.registrar(antes || {}, est.deals, ctx.guardia.reloj(login), Date.now());
      if (ahora === antes || (!antes && !Object.keys(ahora).length)) return;
      guardado = Object.assign({}, guardado, { [login]: ahora });
      ctx.guardado.escribir(CLAVE, JSON.stringify(guardado));
    }

    function dato(id, t, signo) {
      pinta.texto($(id), t);
      if (signo !== undefined) pinta.dato($(id), 'signo', !signo ? 'cero' : signo > 0 ? 'pos' : 'neg');
    }

    // Today's figures and the calendar change only with the kept deals, the
    // day's clock or the reset at the end of the day: worked out again then,
    // not on every beat (each day's key is a time-zone reckoning).
    let calculado = null;
    function delDia(kept, reloj, ahora) {
      const c = calculado;
      if (!c || c.kept !== kept || c.hora !== reloj.hora || c.zona !== reloj.zona || ahora < c.desde ||
          ahora >= c.hasta) {
        calculado = {
          kept, hora: reloj.hora, zona: reloj.zona,
          desde: g.inicioDelDia(ahora, reloj.hora, reloj.zona),
          hasta: g.proximoReinicio(ahora, reloj.hora, reloj.zona),
          hoy: d.estadisticas(d.deHoy(kept || {}, reloj, ahora)),
          dias: d.calendario(kept || {}, reloj, ahora),
        };
      }
      return calculado;
    }

    function pintar() {
      if (!mostrada) return;
      const login = mostrada.login;
      const calculo = delDia(guardado[login], ctx.guardia.reloj(login), Date.now());
      // The same figures are the same object: the calendar is not rebuilt on every beat.
      if (pintado && pintado.calculo === calculo && pintado.moneda === mostrada.currency) return;
      pintado = { calculo, moneda: mostrada.currency };
      const { hoy, dias } = calculo;
      const m = mostrada.currency;
      dato('dia-resultado', hoy.operaciones ? f.dinero(hoy.resultado, m, true) : f.GUION, hoy.resultado);
      dato('dia-operaciones', String(hoy.operaciones));
      dato('dia-aciertos', hoy.aciertos === null ? f.GUION : f.cifra(hoy.aciertos * 100, 0) + ' %');
      dato('dia-media-ganancia', f.dinero(hoy.mediaGanancia, m));
      dato('dia-media-perdida', f.dinero(hoy.mediaPerdida, m));
      const celdas = dias.map((x) => {
        const c = document.createElement('span');
        c.className = 'dia-celda';
        c.dataset.signo = !x.operaciones || !x.resultado ? 'cero' : x.resultado > 0 ? 'pos' : 'neg';
        c.textContent = String(Number(x.clave.slice(8)));
        c.title = x.clave + (x.operaciones ? ': ' + f.dinero(x.resultado, m, true) + ', ' + x.operaciones +
          (x.operaciones === 1 ? ' operación' : ' operaciones') : ': sin operaciones');
        return c;
      });
      $('dia-calendario').replaceChildren(...celdas);
    }

    // The shown account's file, read by the MT5 panel on the beat.
    function estado(est) {
      registrar(est);
      mostrada = est.account;
      pintar();
    }

    // The journal goes out as an ordinary download of the page, to Downloads.
    $('dia-exportar').addEventListener('click', () => {
      if (!mostrada || !mostrada.login) {
        if (typeof toastNativo === 'function') toastNativo('Sin cuenta que exportar');
        return;
      }
      const reloj = ctx.guardia.reloj(mostrada.login);
      const ahora = Date.now();
      const texto = d.csv(mostrada, guardado[mostrada.login] || {}, reloj, ahora);
      const url = URL.createObjectURL(new Blob([texto], { type: 'text/csv;charset=utf-8' }));
      const a = document.createElement('a');
      a.href = url;
      a.download = d.nombreArchivo(mostrada.login, reloj, ahora);
      a.hidden = true;
      document.body.append(a);
      a.click();
      a.remove();
      setTimeout(() => URL.revokeObjectURL(url), 60000);
    });

    return { estado, registrar };
  }

  QV.vistaDia = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
