// What each view costs, for the dashboard's "Recursos" panel, which asks
// every few seconds while it is open: the web process behind each view, the
// memory it holds (PSS) and its share of one core since the last time the
// page asked. Views sharing one process show it on each of their rows, and
// count it once in the total. The panel's buttons reload a view now, or put
// a hidden pane to sleep now.
#include <cmath>

#include "app/delegate.h"
#include "bridge/args.h"

namespace qv {
namespace {

double tenths(double value) { return std::round(value * 10) / 10; }

}  // namespace

void Delegate::recursos(bool abrir) {
  const Instant now = platform.clock.now();
  nlohmann::json vistas = nlohmann::json::array();
  std::map<int, CpuSample> seen;
  std::map<int, int> rowsOf;
  double memoria = 0, cpu = 0;
  auto row = [&](const char* tipo, const std::string& slot, const WebView& view,
                 const char* estado) {
    nlohmann::json r = {{"tipo", tipo},   {"slot", slot},       {"estado", estado},
                        {"pid", nullptr}, {"memoria", nullptr}, {"cpu", nullptr}};
    auto pid = view.contentProcess();
    auto use = pid ? platform.processes.use(*pid) : std::nullopt;
    if (use) {
      r["pid"] = *pid;
      r["memoria"] = tenths(static_cast<double>(use->pssKiB) / 1024);
      auto before = cpuSeen.find(*pid);
      if (before != cpuSeen.end() && now > before->second.at)
        r["cpu"] = tenths(100 * std::max(0.0, use->cpuSeconds - before->second.cpuSeconds) /
                          (now - before->second.at));
      if (!rowsOf[*pid]++) {
        memoria += r["memoria"].get<double>();
        if (r["cpu"].is_number()) cpu += r["cpu"].get<double>();
      }
      seen[*pid] = {now, use->cpuSeconds};
    }
    vistas.push_back(std::move(r));
  };

  row("pagina", "", *webView, "activo");
  for (auto& [slot, view] : webs)
    row("web", slot, *view,
        webHibernated.contains(slot) ? "reposo"
        : view->visible()            ? "activo"
                                     : "oculto");
  for (auto& [slot, view] : vids)
    row("video", slot, *view,
        view->visible()         ? "activo"
        : vidIDs.contains(slot) ? "oculto"
                                : "reposo");
  for (auto& [key, view] : sWeb) row("sitio", key, *view, "activo");
  for (auto& r : vistas) r["compartido"] = r["pid"].is_number() && rowsOf[r["pid"].get<int>()] > 1;
  cpuSeen = std::move(seen);

  nlohmann::json state = {{"vistas", std::move(vistas)},
                          {"total", {{"memoria", tenths(memoria)}, {"cpu", tenths(cpu)}}}};
  if (abrir) state["abrir"] = true;
  notifyPage("recursos", state.dump());
}

WebView* Delegate::resourceView(const std::string& tipo, const std::string& slot) {
  if (tipo == "pagina") return webView.get();
  const Panes* table = tipo == "web"     ? &webs
                       : tipo == "video" ? &vids
                       : tipo == "sitio" ? &sWeb
                                         : nullptr;
  if (!table) return nullptr;
  auto it = table->find(slot);
  return it == table->end() ? nullptr : it->second.get();
}

void Delegate::panelRecargar(const nlohmann::json& body) {
  const auto tipo = args::string(body, "tipo").value_or("");
  const auto slot = args::string(body, "slot").value_or("");
  WebView* view = resourceView(tipo, slot);
  if (!view) return discard("\"panelRecargar\" de una vista que no existe");
  if (view == webView.get()) return recargar();
  if (tipo == "web" && webHibernated.contains(slot)) {
    wake(slot);
    if (!view->visible()) hibernateLater(slot, false);
    return;
  }
  if (auto recovery = recoveries.find(view);
      recovery != recoveries.end() && recovery->second->stopped())
    return recovery->second->retry();
  if (tipo == "video") {
    if (auto play = vidPlay.find(slot); play != vidPlay.end() && vidIDs.contains(slot))
      loadVideo(slot, play->second);
    return;
  }
  view->reload();
}

void Delegate::panelReposo(const nlohmann::json& body) {
  const auto tipo = args::string(body, "tipo").value_or("");
  const auto slot = args::string(body, "slot").value_or("");
  WebView* view = tipo == "web" || tipo == "video" ? resourceView(tipo, slot) : nullptr;
  if (!view) return discard("\"panelReposo\" de un panel que no existe");
  // A pane on show would stay blank until the page placed it again.
  if (view->visible()) return discard("\"panelReposo\" de un panel a la vista");
  if (webHibernated.contains(slot) && tipo == "web") return;
  putToSleep(slot, tipo == "video");
}

}  // namespace qv
