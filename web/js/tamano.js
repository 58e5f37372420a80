// Position size: the lots that put a chosen amount at risk over a stop
// distance, from what the status file says of the symbol. No DOM here.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const num = (v) => typeof v === 'number' && isFinite(v);
  const positivo = (v) => num(v) && v > 0;

  // Decimals of a step (0.01 → 2, 0.5 → 1, 1 → 0).
  function decimales(paso) {
    let d = 0;
    while (d < 10 && Math.abs(paso * 10 ** d - Math.round(paso * 10 ** d)) > 1e-9) d++;
    return d;
  }

  // `volumen` rounded down to a whole number of steps.
  function alPaso(volumen, paso) {
    const pasos = Math.floor(volumen / paso + 1e-9);
    return Number((pasos * paso).toFixed(decimales(paso)));
  }

  // pedido: {
  //   simbolo: { tickSize, tickValue, point, volumeStep, volumeMin, volumeMax },
  //   distancia, unidad: 'puntos' | 'precio',
  //   riesgo: 'porcentaje' (of the balance) | 'importe' | 'diario' (percent of what is left of
  //           today's loss allowance), valor,
  //   saldo, restanteDiario }
  // → { error } or { lotes, riesgo (money at risk at those lots), pedido (the money asked for),
  //     porLote (money per lot over the distance), aviso ('minimo' | 'maximo' | '') }
  function calcular(p) {
    const s = p.simbolo || {};
    if (!positivo(s.tickSize) || !positivo(s.tickValue)) return { error: 'El archivo no trae el valor del tick de este símbolo.' };
    if (!positivo(p.distancia)) return { error: 'Pon la distancia del stop.' };
    const precio = p.unidad === 'puntos' ? (positivo(s.point) ? p.distancia * s.point : null) : p.distancia;
    if (precio === null) return { error: 'El archivo no trae el tamaño del punto de este símbolo.' };
    if (!positivo(p.valor)) return { error: 'Pon cuánto arriesgar.' };
    let pedido;
    if (p.riesgo === 'importe') pedido = p.valor;
    else if (p.riesgo === 'diario') {
      if (!num(p.restanteDiario)) return { error: 'Sin límite diario para esta cuenta.' };
      pedido = (Math.max(0, p.restanteDiario) * p.valor) / 100;
    } else {
      if (!num(p.saldo)) return { error: 'Sin saldo de la cuenta.' };
      pedido = (p.saldo * p.valor) / 100;
    }
    const porLote = (precio / s.tickSize) * s.tickValue;
    const paso = positivo(s.volumeStep) ? s.volumeStep : 0.01;
    let lotes = alPaso(pedido / porLote, paso);
    let aviso = '';
    if (positivo(s.volumeMax) && lotes > s.volumeMax) {
      lotes = alPaso(s.volumeMax, paso);
      aviso = 'maximo';
    }
    if (lotes <= 0 || (positivo(s.volumeMin) && lotes < s.volumeMin - 1e-9)) {
      lotes = 0;
      aviso = 'minimo';
    }
    return { lotes, riesgo: Math.round(lotes * porLote * 100) / 100, pedido, porLote, aviso };
  }

  // Open positions without a stop loss.
  const sinStop = (posiciones) => posiciones.filter((x) => !(num(x.sl) && x.sl > 0));

  QV.tamano = { calcular, alPaso, sinStop };
  if (typeof module !== 'undefined') module.exports = QV.tamano;
})(typeof window !== 'undefined' ? window : globalThis);
