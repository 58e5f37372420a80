// The guard on the MT5 panel: one gauge per limit, the margin level, the
// next high-impact news of the open positions' currencies, the settings form,
// and the desktop notifications when a zone gets worse, news is near or the
// data stops coming. The MT5 panel and the calendar feed it.
(function (raiz) {
  'use strict';
  const QV = (raiz.QV = raiz.QV || {});
  const f = QV.formato;
  const g = QV.guardia;
  const pinta = QV.pintado;
  const $ = (id) => document.getElementById(id);

  const CLAVE_LIMITES = 'qv.guardia.limites';
  const CLAVE_MEMORIA = 'qv.guardia.memoria';
  const NOMBRES = { diaria: 'Pérdida diaria', maxima: 'Pérdida máxima', margen: 'Nivel de margen' };
  const ZONAS = { normal: 'Normal', precaucion: 'Precaución', stop: 'Stop' };

  function leerJson(ctx, clave) {
    try {
      const v = JSON.parse(ctx.guardado.leer(clave) || '{}');
      return v && typeof v === 'object' && !Array.isArray(v) ? v : {};
    } catch (e) {
      return {};
    }
  }

  function montar(ctx) {
    const caja = $('guardia');
    const form = $('guardia-ajustes');
    let limites = leerJson(ctx, CLAVE_LIMITES);
    let memorias = leerJson(ctx, CLAVE_MEMORIA);
    let login = null;
    let ultimo = null; // { est, situacion }
    let eventos = null;
    const zonas = {}; // last zone notified, per gauge
    let antiguo = false;
    const avisadas = new Set(); // news already warned about
    let medidoresPintados = []; // the gauges on the panel, in order
    let restante = null; // room left today on the shown account's daily limit, for the calculator

    // A notice on the page always, kept until closed for a stop; a desktop
    // notification when allowed (the host allows the local page before it loads).
    function notificar(titulo, texto, etiqueta, fijo = false) {
      if (typeof toastNativo === 'function') toastNativo(texto, { titulo, fijo });
      if (typeof Notification !== 'function' || Notification.permission !== 'granted') return;
      new Notification(titulo, { body: texto, tag: etiqueta });
    }

    const limitesDe = (cuenta) => g.normalizar(limites[cuenta]);
    const moneda = {}; // currency per login, for the texts of other accounts

    // What a snapshot did to the lockouts and the early warnings of its login.
    function avisarEventos(login, eventos) {
      const quien = login === ultimoLogin() ? '' : ' (cuenta ' + login + ')';
      for (const e of eventos) {
        if (e.tipo === 'bloqueo') {
          const lim = limitesDe(login);
          const reloj = lim.diaria || { hora: '00:00', zona: 'UTC' };
          notificar('Límite alcanzado: ' + NOMBRES[e.regla] + quien, 'Patrimonio ' + f.dinero(e.bloqueo.equity,
            moneda[login]) + ', la línea estaba en ' + f.dinero(e.bloqueo.linea, moneda[login]) +
            '. Hasta el reinicio (' + reloj.hora + ' ' + g.ZONAS_HORARIAS[reloj.zona] +
            ') los límites solo se pueden endurecer. QUORVEX no puede impedir que el terminal siga operando.',
          'qv-bloqueo-' + e.regla);
        } else if (e.tipo === 'aviso') {
          notificar(NOMBRES[e.regla] + ': ' + Math.round(e.nivel * 100) + ' % del límite' + quien,
            'Quedan ' + f.dinero(e.medida.holgura, moneda[login]) + ' hasta ' + f.dinero(e.medida.linea, moneda[login]) + '.',
            'qv-aviso-' + e.regla);
        }
      }
    }
    const ultimoLogin = () => (ultimo ? ultimo.est.account.login : login);

    // One live snapshot of a login into its memory, stored when it changed.
    function observar(est) {
      const a = est.account;
      moneda[a.login] = a.currency;
      const antes = memorias[a.login];
      const r = g.observar(memorias, a.login, limitesDe(a.login),
        { t: est.time * 1000, balance: a.balance, equity: a.equity });
      memorias = r.memorias;
      // Every snapshot moves the memory's time; that alone is not worth a write
      // to storage each second: what a reload needs is the rest.
      const sinHora = (m) => JSON.stringify(Object.assign({}, m, { t: 0 }));
      if (memorias[a.login] !== antes && (!antes || sinHora(memorias[a.login]) !== sinHora(antes))) {
        ctx.guardado.escribir(CLAVE_MEMORIA, JSON.stringify(memorias));
      }
      avisarEventos(a.login, r.eventos);
    }

    // The banner over the MT5 panel while the shown account's guard is locked.
    function pintarBloqueo() {
      const banner = $('guardia-bloqueo');
      const ahora = Date.now();
      const vigentes = ultimo ? g.bloqueosVigentes(memorias[ultimo.est.account.login], ahora) : [];
      pinta.oculto(banner, !vigentes.length);
      pinta.dato($('panel-mt5'), 'bloqueo', vigentes.length ? vigentes[0].regla : 'no');
      if (!vigentes.length) return;
      const a = ultimo.est.account;
      pinta.texto($('guardia-bloqueo-texto'), vigentes.map((b) => NOMBRES[b.regla] + ': rota a las ' +
        f.horaLocal(new Date(b.desde)) + ' con ' + f.dinero(b.equity, a.currency) + ' (línea ' +
        f.dinero(b.linea, a.currency) + '). Se reinicia en ' + g.cuentaAtras(b.hasta - ahora) + ', a las ' +
        f.horaLocal(new Date(b.hasta)) + '.').join(' '));
    }

    // A gauge's elements, made once per rule shown; each beat then writes only
    // the figures that changed, as the positions table does.
    function medidor(clave) {
      const el = document.createElement('div');
      el.className = 'medidor';
      el.dataset.clave = clave;
      const cab = document.createElement('div');
      cab.className = 'medidor-cab';
      const nombre = document.createElement('span');
      nombre.className = 'nombre';
      nombre.textContent = NOMBRES[clave];
      const zona = document.createElement('span');
      zona.className = 'zona';
      cab.append(nombre, zona);
      const barra = document.createElement('div');
      barra.className = 'barra';
      const lleno = document.createElement('span');
      barra.append(lleno);
      const cifras = document.createElement('div');
      cifras.className = 'medidor-cifras';
      const datos = (clave === 'margen' ? ['holgura', 'linea'] : ['linea', 'holgura', 'usado']).map((clase) => {
        const d = document.createElement('span');
        d.className = clase;
        cifras.append(d);
        return d;
      });
      el.append(cab, barra, cifras);
      return { el, zona, lleno, datos, lleva: null };
    }

    function ponerMedidor(partes, clave, m, moneda, vivo) {
      const { el, zona, lleno, datos } = partes;
      pinta.dato(el, 'zona', m.zona);
      pinta.texto(zona, m.superado ? 'Superado' : ZONAS[m.zona]);
      // To a tenth of a per cent, under a pixel of the bar: a price's every
      // tick would otherwise repaint a bar that shows no difference.
      const lleva = Math.round(10 * (clave === 'margen'
        ? (m.nivel === null ? 0 : Math.min(100, (m.umbral / m.nivel) * 100))
        : Math.min(100, m.usado * 100))) / 10;
      if (partes.lleva !== lleva) lleno.style.width = (partes.lleva = lleva) + '%';
      const textos = clave === 'margen'
        ? [(vivo ? 'Nivel' : 'Último nivel') + ' ' + (m.nivel === null ? 'sin margen usado' : f.porcentaje(m.nivel)),
          'Aviso bajo ' + f.porcentaje(m.umbral)]
        : ['Rompe en ' + f.dinero(m.linea, moneda), (vivo ? 'Quedan' : 'Quedaban') + ' ' + f.dinero(m.holgura, moneda),
          'Usado ' + f.cifra(m.usado * 100, 0) + ' %'];
      textos.forEach((t, i) => pinta.texto(datos[i], t));
    }

    function avisarZona(clave, m, moneda) {
      const antes = zonas[clave];
      zonas[clave] = m.zona;
      if (!g.empeora(antes, m.zona)) return;
      const titulo = NOMBRES[clave] + ': ' + ZONAS[m.zona].toLowerCase();
      const texto = clave === 'margen'
        ? 'Nivel ' + f.porcentaje(m.nivel) + ', aviso por debajo de ' + f.porcentaje(m.umbral) + '.'
        : 'Usado el ' + f.cifra(m.usado * 100, 0) + ' %: quedan ' + f.dinero(m.holgura, moneda) +
          ' hasta ' + f.dinero(m.linea, moneda) + '.';
      notificar(titulo, texto, 'qv-' + clave, m.zona === 'stop');
    }

    function pintar() {
      const medidores = $('guardia-medidores');
      if (!ultimo) {
        medidoresPintados = [];
        if (medidores.firstChild) medidores.replaceChildren();
        return;
      }
      const { est, situacion } = ultimo;
      const a = est.account;
      const vivo = situacion.clave === 'vivo';
      const lim = limitesDe(a.login);
      const r = g.evaluar(lim, memorias[a.login], a);
      restante = r.diaria ? r.diaria.holgura : null;
      pinta.oculto($('guardia-vacio'), Boolean(r.diaria || r.maxima));
      const claves = ['diaria', 'maxima', 'margen'].filter((clave) => r[clave]);
      if (claves.join() !== medidoresPintados.map((p) => p.el.dataset.clave).join()) {
        medidoresPintados = claves.map(medidor);
        medidores.replaceChildren(...medidoresPintados.map((p) => p.el));
      }
      claves.forEach((clave, i) => ponerMedidor(medidoresPintados[i], clave, r[clave], a.currency, vivo));
      if (vivo) for (const clave of claves) avisarZona(clave, r[clave], a.currency);
      const peor = ['stop', 'precaucion'].find((z) => Object.values(r).some((m) => m && m.zona === z));
      pinta.dato(caja, 'estado', vivo ? peor || 'normal' : 'antiguo');
      pinta.texto($('guardia-estado'), vivo ? '' : situacion.texto);
      pintarNoticia();
      pintarBloqueo();
    }

    function pintarNoticia() {
      const linea = $('guardia-noticia');
      const ahora = Date.now();
      const e = ultimo && eventos ? g.proximaNoticia(eventos, g.divisas(ultimo.est.positions), ahora) : null;
      pinta.oculto(linea, !e);
      if (!e) return;
      const falta = e.fecha.getTime() - ahora;
      pinta.texto(linea, 'Próxima noticia de alto impacto: ' + e.pais + ' · ' + e.titulo + ' a las ' +
        f.horaLocal(e.fecha) + ', en ' + g.cuentaAtras(falta) + '.');
      const clave = e.pais + e.titulo + e.fecha.getTime();
      const minutos = limitesDe(ultimo.est.account.login).avisoNoticiasMin;
      pinta.dato(linea, 'cerca', falta <= minutos * 60000);
      if (falta <= minutos * 60000 && !avisadas.has(clave)) {
        avisadas.add(clave);
        notificar('Noticia de alto impacto en ' + g.cuentaAtras(falta), e.pais + ' · ' + e.titulo + ', a las ' +
          f.horaLocal(e.fecha) + '.', 'qv-noticia');
      }
    }

    // One status snapshot read by the MT5 panel, with what it says about it.
    function estado(est, situacion) {
      const a = est.account;
      if (a.login !== login) {
        login = a.login;
        $('guardia-cuenta').textContent = login || '—';
        for (const k of Object.keys(zonas)) delete zonas[k];
      }
      const fueAntiguo = antiguo;
      antiguo = situacion.clave !== 'vivo';
      if (antiguo && !fueAntiguo) notificar('MetaTrader 5 sin datos nuevos', situacion.texto + '.', 'qv-mt5');
      ultimo = { est, situacion };
      if (!antiguo && typeof est.time === 'number') observar(est);
      pintar();
    }

    // A live snapshot of an account not shown: its memory, lockouts and
    // warnings go on all the same.
    function fondo(est) {
      if (typeof est.time === 'number' && est.account.login) observar(est);
    }

    // The MT5 panel has nothing to show: no claim about the account stays.
    function sinDatos() {
      ultimo = null;
      restante = null;
      pinta.dato(caja, 'estado', 'sin-datos');
      pinta.texto($('guardia-estado'), '');
      pintar();
    }

    function calendario(lista) {
      eventos = lista;
      pintarNoticia();
    }

    // The form.
    const campo = (nombre) => form.elements[nombre];
    for (const [zona, nombre] of Object.entries(g.ZONAS_HORARIAS)) campo('diariaZona').add(new Option(nombre, zona));
    g.PRESETS.forEach((p, i) => $('guardia-plantilla').add(new Option(p.nombre, String(i))));

    function rellenar(l) {
      const d = l.diaria || { tipo: 'porcentaje', valor: '', base: 'saldo', hora: '00:00', zona: 'UTC' };
      const m = l.maxima || { modelo: 'fija', tipo: 'porcentaje', valor: '', bloqueo: false };
      campo('diaria').checked = Boolean(l.diaria);
      campo('diariaValor').value = d.valor;
      campo('diariaTipo').value = d.tipo;
      campo('diariaBase').value = d.base;
      campo('diariaHora').value = d.hora;
      campo('diariaZona').value = d.zona;
      campo('maxima').checked = Boolean(l.maxima);
      campo('maximaValor').value = m.valor;
      campo('maximaTipo').value = m.tipo;
      campo('maximaModelo').value = m.modelo;
      campo('maximaBloqueo').checked = m.bloqueo;
      campo('saldoInicial').value = l.saldoInicial || '';
      campo('margen').value = l.margen || '';
      campo('avisoNoticiasMin').value = l.avisoNoticiasMin;
    }

    function leerFormulario() {
      const n = (nombre) => (campo(nombre).value === '' ? null : Number(campo(nombre).value));
      return g.normalizar({
        diaria: campo('diaria').checked ? { tipo: campo('diariaTipo').value, valor: n('diariaValor'),
          base: campo('diariaBase').value, hora: campo('diariaHora').value, zona: campo('diariaZona').value } : null,
        maxima: campo('maxima').checked ? { modelo: campo('maximaModelo').value, tipo: campo('maximaTipo').value,
          valor: n('maximaValor'), bloqueo: campo('maximaBloqueo').checked } : null,
        saldoInicial: n('saldoInicial'),
        margen: n('margen'),
        avisoNoticiasMin: n('avisoNoticiasMin'),
      });
    }

    function abrir(si) {
      form.hidden = !si;
      $('guardia-limites').setAttribute('aria-expanded', String(si));
      if (si) {
        $('guardia-plantilla').value = '';
        pinta.oculto($('guardia-rechazo'), true);
        rellenar(limitesDe(login));
      }
      ctx.recolocar();
    }

    $('guardia-limites').addEventListener('click', () => abrir(form.hidden));
    $('guardia-cancelar').addEventListener('click', () => abrir(false));
    $('guardia-plantilla').addEventListener('change', (ev) => {
      const p = g.PRESETS[Number(ev.target.value)];
      if (p && ev.target.value !== '') rellenar(g.normalizar(Object.assign({}, leerFormulario(), p)));
    });
    form.addEventListener('submit', (ev) => {
      ev.preventDefault();
      const nuevos = leerFormulario();
      const mem = memorias[login || ''];
      const motivo = g.bloqueosVigentes(mem, Date.now()).length ? g.endurece(limitesDe(login), nuevos, mem) : null;
      pinta.oculto($('guardia-rechazo'), !motivo);
      if (motivo) {
        const texto = 'Límite alcanzado: hasta el reinicio los límites solo se pueden endurecer, y ' + motivo + '.';
        pinta.texto($('guardia-rechazo'), texto);
        if (typeof toastNativo === 'function') toastNativo(texto);
        return;
      }
      limites = Object.assign({}, limites, { [login || '']: nuevos });
      ctx.guardado.escribir(CLAVE_LIMITES, JSON.stringify(limites));
      abrir(false);
      pintar();
    });

    pinta.latido(() => {
      pintarNoticia();
      pintarBloqueo();
    });
    // The clock of a login's trading day: its daily rule's, else local midnight.
    function reloj(cuenta) {
      const d = limitesDe(cuenta).diaria;
      return d ? { hora: d.hora, zona: d.zona } : { hora: '00:00', zona: Intl.DateTimeFormat().resolvedOptions().timeZone };
    }
    return { estado, fondo, sinDatos, calendario, reloj, restante: () => restante };
  }

  QV.vistaGuardia = { montar };
})(typeof window !== 'undefined' ? window : globalThis);
