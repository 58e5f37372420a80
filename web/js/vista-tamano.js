// The position size calculator of the MT5 panel, over the sizing data the
// status file gives for the symbols with an open position and a watch list.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const f = QV.formato;
  const pinta = QV.pintado;
  const $ = (id) => document.getElementById(id);

  function montar() {
    const form = $('calculadora');
    const campo = (n) => form.elements[n];
    let simbolos = [];
    let cuenta = null;
    let restante = null;
    let opciones = null;
    let sinStopPintado = null;

    function calcular() {
      const s = simbolos.find((x) => x.symbol === campo('simbolo').value);
      const n = (nombre) => (campo(nombre).value === '' ? null : Number(campo(nombre).value));
      const r = s && cuenta ? QV.tamano.calcular({ simbolo: s, distancia: n('distancia'), unidad: campo('unidad').value,
        riesgo: campo('riesgo').value, valor: n('valor'), saldo: cuenta.balance, restanteDiario: restante })
        : { error: 'El archivo de estado no trae símbolos (hace falta la versión 2 del asesor).' };
      const m = cuenta ? cuenta.currency : '';
      pinta.texto($('calc-lotes'), r.error ? f.GUION : f.lotes(r.lotes));
      pinta.texto($('calc-riesgo'), r.error ? f.GUION : f.dinero(r.riesgo, m));
      const nota = r.error || (r.aviso === 'minimo' ? 'Menos que el volumen mínimo del símbolo: no da para una posición.'
        : r.aviso === 'maximo' ? 'Limitado al volumen máximo del símbolo.' : '');
      pinta.texto($('calc-nota'), nota);
      pinta.oculto($('calc-nota'), !nota);
    }

    // The shown account's file, on the beat.
    function estado(est, holguraDiaria) {
      cuenta = est.account;
      restante = holguraDiaria;
      simbolos = est.symbols;
      const nombres = simbolos.map((x) => x.symbol);
      const firma = JSON.stringify(nombres);
      if (firma !== opciones) {
        opciones = firma;
        const antes = campo('simbolo').value;
        campo('simbolo').replaceChildren(...nombres.map((x) => new Option(x, x)));
        if (nombres.includes(antes)) campo('simbolo').value = antes;
      }
      const sinStop = QV.tamano.sinStop(est.positions).map((p) => p.symbol + ' ' + p.ticket);
      const texto = sinStop.length ? 'Sin stop loss: ' + sinStop.join(', ') + '.' : '';
      if (texto !== sinStopPintado) {
        sinStopPintado = texto;
        pinta.texto($('calc-sin-stop'), texto);
        pinta.oculto($('calc-sin-stop'), !texto);
      }
      calcular();
    }

    form.addEventListener('input', calcular);
    form.addEventListener('submit', (ev) => ev.preventDefault());
    return { estado };
  }

  QV.vistaTamano = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
