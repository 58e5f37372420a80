#!/usr/bin/env bash
# How much the tests bite: applies, one at a time, a fixed list of single-point
# faults to the core and the page logic, runs the tests that can see each one
# (the unit tests for src/, the page tests for web/js/) and prints whether they
# caught it. Run by hand after changing tests; not part of tools/test.sh.
#
#   tools/mutants.sh [PATTERN]    only the mutations whose file holds PATTERN
#
# Each file is put back from a copy as soon as its mutation has been tried,
# also on an error or an interrupt; a run that was killed outright is undone
# at the start of the next one.
set -uo pipefail
cd "$(dirname "$0")/.."
build=build-mutants
only=${1:-}

# file ~> text that occurs exactly once in it ~> what it becomes
mutations=$(
  cat <<'EOF'
src/bridge/args.cpp ~> d != std::trunc(d) || ~>
src/bridge/args.cpp ~> if (!e.is_string()) return std::nullopt; ~> if (!e.is_string()) continue;
src/bridge/network_request.cpp ~> shortAgent ? kUserAgentShort : kUserAgentSafari ~> shortAgent ? kUserAgentSafari : kUserAgentShort
src/bridge/delegate_dispatch.cpp ~> if (!showsLocalPage()) return discard ~> if (false) return discard
src/bridge/delegate_dispatch.cpp ~> browserUrl(*url, {"http", "https", "mailto"}) ~> browserUrl(*url, {"http", "https"})
src/bridge/delegate_dispatch.cpp ~> args::string(b, "tipo").value_or("yt") ~> args::string(b, "tipo").value_or("kick")
src/bridge/delegate_dispatch.cpp ~> id && *cmd == "fetch") ~> id && *cmd == "video")
src/bridge/delegate_dispatch.cpp ~> {"webOcultar", ~> {"webocultar",
src/bridge/delegate_dispatch.cpp ~> if (!slot) return d.discard("\"videoVol\" sin \"slot\""); ~> if (!slot) return;
src/bridge/delegate_dispatch.cpp ~> if (it == d.vids.end()) return d.discard( ~> if (it == d.vids.end()) return (void)(
src/bridge/delegate_dispatch.cpp ~> platform.log.debug("puente", "mensaje descartado: " + why); ~> platform.log.debug("puente", why);
src/bridge/delegate_dispatch.cpp ~> if (command == commands.end()) return discard( ~> if (command == commands.end()) return (void)(
src/bridge/delegate_fetch.cpp ~> data.empty() ? "sin MT5" : "" ~> ""
src/bridge/delegate_fetch.cpp ~> if (!id) return discard("\"fetch\" sin \"id\""); ~> if (!id) return;
src/bridge/delegate_fetch.cpp ~> for (auto& call : calls) ~> for (auto& call : calls) if (deliver(document, call), false)
src/bridge/delegate_fetch.cpp ~> deliver = alive.guard([this](std::uint64_t document, const PageCall& call) { ~> deliver = std::function<void(std::uint64_t, const PageCall&)>([this](std::uint64_t document, const PageCall& call) {
src/bridge/delegate_reply.cpp ~> return !localPage.empty() && showsFile(webView->documentUrl(), localPage); ~> return !localPage.empty();
src/bridge/delegate_reply.cpp ~> if (!showsLocalPage()) ~> if (false)
src/bridge/delegate_reply.cpp ~> if (webView->documentNumber() != document) ~> if (webView->documentNumber() < document)
src/bridge/delegate_site_fetch.cpp ~> if (view->isLoading() || !restsOnHost ~> if (!restsOnHost
src/bridge/delegate_site_fetch.cpp ~> if (reply.error.empty()) sesionFija(key); ~> sesionFija(key);
src/bridge/delegate_site_fetch.cpp ~> alive.guard( ~> (
src/bridge/fetch.cpp ~> if (url == "qv-mt5://estado") ~> if (url.starts_with("qv-mt5://estado"))
src/bridge/fetch.cpp ~> if (isSiteUrl(url)) return FetchRoute::Sitio; ~>
src/bridge/site_fetch.cpp ~> return url.starts_with(kWebPrefix) || url.starts_with(kExnessPrefix); ~> return url.starts_with(kWebPrefix);
src/bridge/site_fetch.cpp ~> if (status == 401 || status == 403) ~> if (status == 401)
src/bridge/site_fetch.cpp ~> status < 200 || status > 299 ~> status > 299
src/bridge/site_fetch.cpp ~> auto start = rest.find_first_not_of('/'); ~> size_t start = 0;
src/policy/navigation.cpp ~> action.type != NavigationType::LinkActivated ~> action.type == NavigationType::LinkActivated
src/policy/navigation.cpp ~> if (action.wantsDownload) ~> if (false)
src/policy/navigation.cpp ~> if (from == Governed::Pane && parts->host.find ~> if (parts->host.find
src/policy/navigation.cpp ~> return (from == Governed::LocalPage && requester.topFrame) || requester.gesture; ~> return (from != Governed::Pane && requester.topFrame) || requester.gesture;
src/policy/delegate_navigation.cpp ~> if (!mainView) return Governed::Pane; ~> if (false && !mainView) return Governed::Pane;
src/policy/downloads.cpp ~> return c < 0x20 || c == 0x7f; ~> return c <= 0x20 || c == 0x7f;
src/policy/downloads.cpp ~> while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep; ~>
src/policy/downloads.cpp ~> name.size() - start <= kMaxNameBytes / 2 ~> true
src/util/browser_url.cpp ~> == schemes.end()) return std::nullopt; ~> == schemes.end() && scheme.empty()) return std::nullopt;
src/util/browser_url.cpp ~> if (ascii) return lowered(label); ~> return lowered(label);
src/util/punycode.cpp ~> bias = adapt(delta, handled + 1, handled == basic); ~> bias = adapt(delta, handled + 1, false);
src/util/engine_url.cpp ~> return url->substr(0, colon + 3) + std::string(authority); ~> return *url;
src/policy/downloads.cpp ~> std::filesystem::symlink_status(p, ec) ~> std::filesystem::status(p, ec)
src/policy/delegate_notifications.cpp ~> (*elegido == "permitidos" ? permitidos : denegados) ~> permitidos
src/policy/delegate_notifications.cpp ~> notifyPage("avisosChat", chatMayNotify() ? "true" : "false"); ~> notifyPage("avisosChat", "true");
src/policy/delegate_notifications.cpp ~> return chat && originOf(view.documentUrl()) == chat && ~> return chat &&
src/panes/panes.cpp ~> return kept && kept->host == asked->host ? kept : asked; ~> return kept ? kept : asked;
src/panes/panes.cpp ~> parts->host == startHost; ~> parts->host.find(startHost) != std::string::npos;
src/panes/panes.cpp ~> shown->find("/channels/") == std::string::npos ~> shown->find("/channels/") != std::string::npos
src/panes/delegate_panes.cpp ~> known == vidIDs.end() || known->second != key ~> known == vidIDs.end()
src/panes/delegate_panes.cpp ~> .sharesVideoProcess = true}); ~> .sharesVideoProcess = true, .bridge = this});
src/panes/delegate_panes.cpp ~> .policy = this}); ~> });
src/panes/delegate_panes.cpp ~> if (quedan.empty() || quitar) { ~> if (quitar) {
src/sites/delegate_fixed_session.cpp ~> if (stamp != sFija.end() && !passDue(stamp->second, now)) return; ~> (void)stamp;
src/sites/delegate_fixed_session.cpp ~> platform.cookies.allCookies(alive.guard( ~> platform.cookies.allCookies((
src/sites/sites.cpp ~> return parts && parts->host == host; ~> return parts && parts->host.find(host) != std::string::npos;
src/sites/sites.cpp ~> wordStart = std::isspace(u) != 0; ~> wordStart = c == ' ';
src/sites/delegate_sites.cpp ~> win->present(); ~> platform.application.activate();
src/sites/delegate_sites.cpp ~> record == sitios.end() || !parseUrl(record->second.url) ~> record == sitios.end()
src/sites/delegate_sites.cpp ~> createWebView({.safariUserAgent = true}); ~> createWebView({.safariUserAgent = true, .bridge = this});
src/bridge/network_request.cpp ~> headers->is_object() && allStringValues(*headers) ~> headers->is_object() && (allStringValues(*headers) || true)
src/bridge/network_request.cpp ~> response.status <= 299 ~> response.status < 299
src/bridge/mt5_status.cpp ~> if (candidate.modified > newest->modified) ~> if (candidate.modified >= newest->modified)
src/util/encode.cpp ~> t['"'] = t['\''] = kScript | kAttribute; ~> t['\''] = kScript | kAttribute;
src/util/encode.cpp ~> | marked(bytes + 48); ~> | marked(bytes + 32);
src/util/encode.cpp ~> (b == '&') | (b == '>') ~> (b == '>')
src/util/encode.cpp ~> if (C != kScript && n) { ~> if (n) {
src/util/encode.cpp ~> appendUnitEscape(out, 0xDC00 + (cp & 0x3FF)); ~> appendUnitEscape(out, 0xDC00 + (cp >> 10));
src/bridge/reply.cpp ~> location.protocol === 'file:' && location.pathname === ~> location.protocol === 'file:' || location.pathname ===
src/util/base64.cpp ~> if (left == 2) o[2] ~> if (left >= 1) o[2]
src/util/url.cpp ~> if (isUnreserved(c) || isSubDelim(c)) continue; ~> if (isUnreserved(c) || isSubDelim(c) || c == ' ') continue;
src/util/engine_url.cpp ~> (parts->host.empty() || parts->host == "localhost") ~> true
src/panes/video_pages.cpp ~> if (tipo != "kick") ~> if (tipo.empty())
src/sites/fixed_session.cpp ~> now - *last >= kPassInterval ~> now - *last > kPassInterval
src/app/delegate.cpp ~> if (what == ContentEvent::Crashed || what == ContentEvent::OutOfMemory) webView->reload(); ~> if (what != ContentEvent::Responsive) webView->reload();
web/js/puente.js ~> if (!w || !w.__qvNativo) return null; ~> if (!w) return null;
web/js/puente.js ~> pendientes.delete(String(id)); ~>
web/js/puente.js ~> quitar(p.reloj); ~>
web/js/puente.js ~> }, extra.espera || espera); ~> }, espera);
web/js/pintado.js ~> if (el.textContent !== t) el.textContent = t; ~> el.textContent = t;
web/js/mt5.js ~> } else if (puntos[i].v < puntos[abajo].v) { ~> } else if (false) {
web/js/mt5.js ~> if (c !== columna) { ~> if (true) {
web/js/pintado.js ~> return ms - (ahora % ms); ~> return ms;
web/js/pintado.js ~> console.error(e); ~> throw e;
web/js/puente.js ~> error: err || DATOS_ILEGIBLES ~> error: DATOS_ILEGIBLES
web/js/puente.js ~> opciones.prefijo || Date.now().toString(36) + Math.random().toString(36).slice(2, 6); ~> opciones.prefijo || 'p';
web/js/paneles.js ~> const x1 = Math.min(anchoVista, Math.round(r.right)); ~> const x1 = Math.round(r.right);
web/js/paneles.js ~> if (!(x1 > x0 && y1 > y0)) return null; ~> if (!(x1 >= x0 && y1 >= y0)) return null;
web/js/paneles.js ~> { ultimo: undefined } ~> { ultimo: null }
web/js/paneles.js ~> if (p && p.ultimo) p.ultimo = undefined; ~> if (p) p.ultimo = undefined;
web/js/paneles.js ~> } else if (!p.ultimo || !mismoRect(r, p.ultimo)) { ~> } else if (!p.ultimo) {
web/js/sitios.js ~> return Math.min(tope, base * Math.pow(2, Math.max(0, intento))); ~> return base * Math.pow(2, Math.max(0, intento));
web/js/sitios.js ~> if (c.estado === 'sin-nativo') return; ~>
web/js/sitios.js ~> programar(o.intervalo); ~> programar(o.base);
web/js/sitios.js ~> if (enCurso) { ~> if (false) {
web/js/video.js ~> [^\s"'<>\\`] ~> [^\s<>\\`]
web/js/video.js ~> Math.min(100, Math.max(0, n)) ~> Math.min(100, n)
web/js/video.js ~> SLOTS.filter((s) => s !== slot) ~> SLOTS.filter((s) => s === slot)
web/js/video.js ~> d.vol === undefined ? 50 : volumen(d.vol) ~> d.vol === undefined ? 0 : volumen(d.vol)
web/js/video.js ~> /^kick:\s*(.+)$/i ~> /^kick:\s*(.+)$/
web/js/calendario.js ~> if (dia < hoy) continue; ~> if (dia <= hoy) continue;
web/js/calendario.js ~> const siguiente = !pasado && !siguienteMarcado; ~> const siguiente = !pasado;
web/js/calendario.js ~> (Z|[+-]\d{2}:?\d{2})$ ~> (Z|[+-]\d{2}:?\d{2})?$
web/js/config.js ~> v > 0 && isFinite(v) ~> v >= 0 && isFinite(v)
web/js/guardia.js ~> if (t <= ms) return t; ~> if (t < ms) return t;
web/js/guardia.js ~> if (s.t < mem.t) return mem; ~>
web/js/guardia.js ~> mayor: Math.max(mem.saldoDia, mem.patrimonioDia) }[lim.diaria.base]; ~> mayor: mem.saldoDia }[lim.diaria.base];
web/js/guardia.js ~> Math.min(pico - dd, inicial) ~> pico - dd
web/js/guardia.js ~> Math.max(inicial, mem.maxPatrimonio) ~> inicial
web/js/guardia.js ~> stopOut ? 2 * stopOut : 100 ~> stopOut ? stopOut : 100
web/js/guardia.js ~> stopOut && nivel <= stopOut ? 'stop' ~> stopOut && nivel < stopOut ? 'stop'
web/js/mt5.js ~> if (ahoraMs - desde > umbralSegundos * 1000) ~> if (ahoraMs - desde >= umbralSegundos * 1000)
web/js/mt5.js ~> const desde = Math.min(estado.time * 1000, visto); ~> const desde = estado.time * 1000;
web/js/mt5.js ~> if (ultimo && t <= ultimo.t) return false; ~> if (ultimo && t < ultimo.t) return false;
web/js/mt5.js ~> if (cuenta !== clave) { ~> if (clave === null) {
web/js/mt5.js ~> profit = equity - balance; ~> profit = balance - equity;
web/js/mt5.js ~> if (t === 'sell' || t === 1) ~> if (t === 'sell')
web/js/mt5.js ~> .replace(/[\s\u0000]+$/, '') ~> .replace(/\s+$/, '')
web/js/mt5.js ~> escrito.getHours() === 1 ? 'la ' : 'las ' ~> escrito.getHours() === 0 ? 'la ' : 'las '
EOF
)

# The mutated file's path; beside it copies of the file and of its object.
# Both go back with their old dates, so that putting a file back costs no
# compilation: the next mutation relinks the tests with the clean object.
undo="$build/mutant-undo"
object() { echo "$build/CMakeFiles/quorvex_core.dir/$1.o"; }
put_back() {
  [[ -f $undo ]] || return 0
  local file
  file=$(cat "$undo")
  cp -p "$undo.orig" "$file" || return 1
  [[ -f $undo.o ]] && cp -p "$undo.o" "$(object "$file")"
  rm -f "$undo" "$undo.orig" "$undo.o"
}
trap put_back EXIT
trap 'exit 130' INT TERM HUP
mkdir -p "$build"
put_back

replace() {  # FILE OLD NEW: fails unless OLD occurs exactly once
  python3 - "$@" <<'PY'
import sys
path, old, new = sys.argv[1:]
text = open(path, encoding="utf-8").read()
if text.count(old) != 1:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(text.replace(old, new))
PY
}
unit_tests() {
  ninja -C "$build" -j1 unit_tests >/dev/null 2>&1 || return 2
  timeout 60 "$build/bin/unit_tests" --gtest_brief=1 >/dev/null 2>&1
}
page_tests() { timeout 60 node --test tests/web/ >/dev/null 2>&1; }

# Sanitized: a mutant that drops a lifetime guard shows only as a use after free.
cmake -S . -B "$build" -G Ninja -DQV_SANITIZE=ON -DQV_GTK=OFF -DQV_BENCH=OFF >/dev/null || exit 1
if ! unit_tests || ! page_tests; then
  echo "the tests do not pass on the unmutated tree" >&2
  exit 1
fi

killed=0 survived=0 errors=0
while IFS= read -r entry; do
  file=${entry%% ~> *}
  rest=${entry#* ~> }
  from=${rest%% ~>*}
  to=${rest#"$from ~>"}
  to=${to# }
  [[ -n $only && $file != *"$only"* ]] && continue
  label="$file: $from → $to"

  cp -p "$file" "$undo.orig" && printf '%s' "$file" >"$undo"
  [[ $file == *.cpp ]] && cp -p "$(object "$file")" "$undo.o"
  if ! replace "$file" "$from" "$to"; then
    echo "ERROR     $label (text not found exactly once)"
    errors=$((errors + 1))
    put_back
    continue
  fi
  if [[ $file == *.js ]]; then page_tests; else unit_tests; fi
  case $? in
    0) echo "SURVIVED  $label"; survived=$((survived + 1)) ;;
    2) echo "ERROR     $label (does not build)"; errors=$((errors + 1)) ;;
    *) echo "KILLED    $label"; killed=$((killed + 1)) ;;
  esac
  put_back
done <<<"$mutations"

# The library and the tests still hold the last mutated object.
rm -f "$build/libquorvex_core.a" && ninja -C "$build" -j1 unit_tests >/dev/null 2>&1
total=$((killed + survived))
echo "killed $killed, survived $survived, errors $errors; kill rate $((total ? 100 * killed / total : 0))% of $total"
[[ $errors -eq 0 ]]
