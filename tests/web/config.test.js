'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { leerConfig, BASE } = require('../../web/js/config.js');

test('overrides take known keys of the right kind only', () => {
  assert.deepEqual(leerConfig('x'), BASE);
  const dado = { calendarUrl: 'http://127.0.0.1:8123/cal.json', mt5PollMs: 200, staleSeconds: 0, sitePollMs: '5', retryBaseMs: Infinity, fetchTimeoutMs: -1, inventado: 1 };
  assert.deepEqual(leerConfig(dado), Object.assign({}, BASE, { calendarUrl: dado.calendarUrl, mt5PollMs: 200 }));
  assert.equal(leerConfig({ calendarUrl: '' }).calendarUrl, BASE.calendarUrl);
});
