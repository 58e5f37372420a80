// What a video slot plays, read from what the user typed, and the messages
// that place, tune and hide the video panes.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});

  const SLOTS = ['0', '1', '2', '3'];
  const ID_YOUTUBE = /^[A-Za-z0-9_-]{11}$/;
  const CANAL_KICK = /^[A-Za-z0-9_-]{2,40}$/;
  // The host writes these values into its player pages without escaping, so
  // anything that could end an HTML attribute or a script string is refused.
  const URL_SEGURA = /^https?:\/\/[^\s"'<>\\`]+$/;

  function analizarURL(texto) {
    if (!URL_SEGURA.test(texto)) return null;
    try {
      return new URL(texto);
    } catch (e) {
      return null;
    }
  }

  function deYouTube(u) {
    const host = u.hostname.replace(/^(www|m|music)\./, '');
    let id = '';
    if (host === 'youtu.be') id = u.pathname.split('/')[1] || '';
    else if (host === 'youtube.com' || host === 'youtube-nocookie.com') {
      const partes = u.pathname.split('/').filter(Boolean);
      if (partes[0] === 'watch') id = u.searchParams.get('v') || '';
      else if (['live', 'embed', 'shorts', 'v'].includes(partes[0])) id = partes[1] || '';
    } else return undefined;
    return ID_YOUTUBE.test(id) ? { tipo: 'yt', id, hls: '' } : null;
  }

  function deKick(u) {
    const host = u.hostname.replace(/^www\./, '');
    if (host !== 'kick.com' && host !== 'player.kick.com') return undefined;
    const canal = u.pathname.split('/').filter(Boolean)[0] || '';
    return CANAL_KICK.test(canal) ? { tipo: 'kick', id: canal, hls: '' } : null;
  }

  // Typed text → { tipo, id, hls } or null when it is not something we can play.
  // Accepted: a YouTube link or bare 11-character id; a Kick link or
  // "kick:canal"; an http(s) address of an HLS playlist (.m3u8), which the
  // host plays through its Kick/HLS page.
  function fuenteDe(entrada) {
    const t = typeof entrada === 'string' ? entrada.trim() : '';
    if (t === '') return null;
    const kick = /^kick:\s*(.+)$/i.exec(t);
    if (kick) return CANAL_KICK.test(kick[1]) ? { tipo: 'kick', id: kick[1], hls: '' } : null;
    if (/^https?:/i.test(t)) {
      const u = analizarURL(t);
      if (!u) return null;
      const yt = deYouTube(u);
      if (yt !== undefined) return yt;
      const k = deKick(u);
      if (k !== undefined) return k;
      return /\.m3u8$/i.test(u.pathname) ? { tipo: 'kick', id: '', hls: t } : null;
    }
    return ID_YOUTUBE.test(t) ? { tipo: 'yt', id: t, hls: '' } : null;
  }

  function volumen(v) {
    const n = Math.round(Number(v));
    return isFinite(n) ? Math.min(100, Math.max(0, n)) : 0;
  }

  function mensajeVideo(slot, fuente, vol, r) {
    return {
      cmd: 'video',
      slot,
      id: fuente.id,
      tipo: fuente.tipo,
      hls: fuente.hls,
      vol: volumen(vol),
      x: r.x,
      y: r.y,
      w: r.w,
      h: r.h,
    };
  }

  function mensajeVolumen(slot, vol) {
    return { cmd: 'videoVol', slot, v: volumen(vol) };
  }

  // One slot out of sight: keep every other slot as it is. `quitar` also
  // unloads it (stops the stream). The list is never empty, because the host
  // reads an empty list as "unload everything".
  function mensajeOcultarSlot(slot, quitar) {
    return { cmd: 'videoOcultar', quedan: SLOTS.filter((s) => s !== slot), quitar: !!quitar };
  }

  // Hide and unload every video pane.
  function mensajeDetenerTodo() {
    return { cmd: 'videoOcultar', quedan: [], quitar: true };
  }

  // Saved slots: [{ entrada, vol }] × 4, whatever the storage held.
  function leerGuardado(texto) {
    let datos = null;
    try {
      datos = JSON.parse(texto);
    } catch (e) {
      datos = null;
    }
    return SLOTS.map((_, i) => {
      const d = Array.isArray(datos) && datos[i] && typeof datos[i] === 'object' ? datos[i] : {};
      return {
        entrada: typeof d.entrada === 'string' ? d.entrada : '',
        vol: d.vol === undefined ? 50 : volumen(d.vol),
      };
    });
  }

  QV.video = {
    SLOTS,
    fuenteDe,
    volumen,
    mensajeVideo,
    mensajeVolumen,
    mensajeOcultarSlot,
    mensajeDetenerTodo,
    leerGuardado,
  };
  if (typeof module !== 'undefined') module.exports = QV.video;
})(typeof window !== 'undefined' ? window : globalThis);
