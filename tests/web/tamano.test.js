'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { calcular } = require('../../web/js/tamano.js');

const FX = { tickSize: 0.00001, tickValue: 1, point: 0.00001, volumeStep: 0.01, volumeMin: 0.01, volumeMax: 100 };
const JPY = { tickSize: 0.001, tickValue: 0.6702, point: 0.001, volumeStep: 0.01, volumeMin: 0.01, volumeMax: 50 };
const ORO = { tickSize: 0.01, tickValue: 1, point: 0.01, volumeStep: 0.01, volumeMin: 0.01, volumeMax: 20 };
const INDICE = { tickSize: 1, tickValue: 1, point: 1, volumeStep: 0.1, volumeMin: 0.1, volumeMax: 5 };

test('lots for a risk over a stop distance, rounded down to the volume step, with the money they risk', () => {
  for (const [nombre, simbolo, distancia, unidad, riesgo, valor, lotes, dinero, aviso] of [
    ['EURUSD 1 % over 150 points', FX, 150, 'puntos', 'porcentaje', 1, 0.66, 99, ''],
    ['USDJPY 200 over 0.35', JPY, 0.35, 'precio', 'importe', 200, 0.85, 199.38, ''],
    ['XAUUSD 0.5 % over 4.50', ORO, 4.5, 'precio', 'porcentaje', 0.5, 0.27, 121.5, ''],
    ['US30 half of the 300 left today over 85 points', INDICE, 85, 'puntos', 'diario', 50, 1.7, 144.5, ''],
    ['US30 too little for the minimum', INDICE, 85, 'puntos', 'importe', 8, 0, 0, 'minimo'],
    ['US30 more than the maximum', INDICE, 10, 'puntos', 'importe', 1000, 5, 50, 'maximo'],
    ['EURUSD exactly 0.29 lots is not 0.28', FX, 100, 'puntos', 'importe', 29, 0.29, 29, ''],
  ]) {
    const r = calcular({ simbolo, distancia, unidad, riesgo, valor, saldo: riesgo === 'porcentaje' && simbolo === ORO ? 25000 : 10000,
      restanteDiario: 300 });
    assert.deepEqual([r.lotes, r.riesgo, r.aviso], [lotes, dinero, aviso], nombre);
  }
  assert.match(calcular({ simbolo: { tickSize: 0.01 }, distancia: 1, unidad: 'precio', riesgo: 'importe', valor: 1 }).error, /tick/);
  assert.match(calcular({ simbolo: FX, distancia: 1, unidad: 'precio', riesgo: 'diario', valor: 1 }).error, /límite diario/);
});
