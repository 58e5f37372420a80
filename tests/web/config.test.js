'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { leerConfig, BASE } = require('../../web/js/config.js');

test('overrides take known keys of the right kind only', () => {
  assert.deepEqual(leerConfig(undefined), BASE);
  assert.deepEqual(leerConfig('x'), BASE);
  const c = leerConfig({
    calendarUrl: 'http://127.0.0.1:8123/cal.json',
    mt5PollMs: 200,
    staleSeconds: 0, // would make every file stale
    sitePollMs: '5', // wrong kind
    retryBaseMs: Infinity,
    fetchTimeoutMs: -1,
    calendarPollMs: 1e3,
    inventado: 1,
  });
  assert.equal(c.calendarUrl, 'http://127.0.0.1:8123/cal.json');
  assert.equal(c.mt5PollMs, 200);
  assert.equal(c.calendarPollMs, 1000);
  assert.equal(c.staleSeconds, BASE.staleSeconds);
  assert.equal(c.sitePollMs, BASE.sitePollMs);
  assert.equal(c.retryBaseMs, BASE.retryBaseMs);
  assert.equal(c.fetchTimeoutMs, BASE.fetchTimeoutMs);
  assert.equal('inventado' in c, false);
  assert.equal(leerConfig({ calendarUrl: '' }).calendarUrl, BASE.calendarUrl);
});
