// Page settings in one place. An end-to-end harness may set `window.__qvConfig`
// before the scripts run; only known keys of the right type are taken from it,
// so a typo in a test cannot silently switch a poll off.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  const BASE = Object.freeze({
    calendarUrl: 'https://nfs.faireconomy.media/ff_calendar_thisweek.json',
    calendarPollMs: 30 * 60 * 1000,
    mt5PollMs: 1000,
    staleSeconds: 5,
    sitePollMs: 60 * 1000,
    retryBaseMs: 1000,
    retryMaxMs: 30 * 1000,
    // The native network route gives up after 20 s; wait a little longer so
    // its own error text reaches the page instead of ours.
    fetchTimeoutMs: 25 * 1000,
  });

  function leerConfig(extra) {
    const cfg = Object.assign({}, BASE);
    if (!extra || typeof extra !== 'object') return cfg;
    for (const clave of Object.keys(BASE)) {
      const v = extra[clave];
      if (typeof BASE[clave] === 'string' && typeof v === 'string' && v !== '') cfg[clave] = v;
      if (typeof BASE[clave] === 'number' && typeof v === 'number' && v > 0 && isFinite(v)) {
        cfg[clave] = v;
      }
    }
    return cfg;
  }

  QV.leerConfig = leerConfig;
  QV.config = leerConfig(raiz.__qvConfig);
  if (typeof module !== 'undefined') module.exports = { leerConfig, BASE };
})(typeof window !== 'undefined' ? window : globalThis);
