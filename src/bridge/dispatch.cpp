// The "qv" channel: one message in, one command carried out, nothing back
// (replies to "fetch" go through `responde`).
#include <set>

#include "app/delegate.h"
#include "bridge/args.h"
#include "bridge/reply.h"
#include "util/browser_url.h"
#include "util/engine_url.h"

namespace qv {
namespace {

Rect frameOf(const nlohmann::json& body) {
  return {args::number(body, "x").value_or(0), args::number(body, "y").value_or(0),
          args::number(body, "w").value_or(0), args::number(body, "h").value_or(0)};
}

}  // namespace

bool Delegate::muestraPaginaLocal() const {
  return !paginaLocal.empty() && showsFile(webView->documentUrl(), paginaLocal);
}

void Delegate::scriptMessage(const nlohmann::json& body) {
  // The engine only relays messages from the local page's main frame; a
  // message that raced a navigation away from it is dropped here as well.
  if (!muestraPaginaLocal())
    return platform.log.debug("mensaje descartado: la página no es la local");
  if (!body.is_object()) return platform.log.debug("mensaje descartado: no es un objeto");
  auto cmd = args::string(body, "cmd");
  if (!cmd) return platform.log.debug("mensaje descartado: sin \"cmd\"");
  try {
    dispatch(*cmd, body);
  } catch (const std::exception& e) {
    // A fetch is answered whatever went wrong; other commands send nothing back.
    platform.log.debug("mensaje \"" + *cmd + "\" interrumpido: " + e.what());
    if (auto id = args::string(body, "id"); id && *cmd == "fetch") responde(*id, "", kErrorInterno);
  }
}

void Delegate::dispatch(const std::string& cmd, const nlohmann::json& body) {
  if (cmd == "web") {
    auto slot = args::string(body, "slot").value_or("web");
    auto url = args::string(body, "url").value_or(config.chatAppURL);
    colocaWeb(slot, url, frameOf(body));
  } else if (cmd == "webOcultar") {
    auto slot = args::string(body, "slot").value_or("web");
    if (auto it = webs.find(slot); it != webs.end()) it->second->setHidden(true);
  } else if (cmd == "abrir") {
    // Only what a browser or the mail client opens leaves: never a file or
    // another program's scheme, and never a "web" instead.
    auto url = args::string(body, "url");
    auto address = url ? browserUrl(*url, {"http", "https", "mailto"}) : std::nullopt;
    if (!address) return platform.log.debug("\"abrir\" descartado: no es una dirección web");
    platform.browser.open(address->href);
  } else if (cmd == "videoVol") {
    auto slot = args::string(body, "slot");
    if (!slot) return;
    auto it = vids.find(*slot);
    if (it == vids.end()) return;
    auto v = args::integer(body, "v").value_or(0);
    it->second->evaluateScript("setVol(" + std::to_string(v) + ")");
  } else if (cmd == "video") {
    auto id = args::string(body, "id");
    if (!id) return;
    colocaVideo(args::string(body, "slot").value_or("0"), *id,
                args::string(body, "tipo").value_or("yt"), args::string(body, "hls").value_or(""),
                args::integer(body, "vol").value_or(0), frameOf(body));
  } else if (cmd == "videoOcultar") {
    videoOcultar(body);
  } else if (cmd == "fetch") {
    fetch(body);
  } else if (cmd == "avisosChat") {
    avisosChat(body);
  } else {
    platform.log.debug("mensaje descartado: orden desconocida \"" + cmd + "\"");
  }
}

void Delegate::videoOcultar(const nlohmann::json& body) {
  auto list = args::stringList(body, "quedan").value_or(std::vector<std::string>{});
  const std::set<std::string> quedan(list.begin(), list.end());
  const bool quitar = args::boolean(body, "quitar").value_or(false);
  for (auto& [slot, pane] : vids) {
    if (!quedan.empty() && quedan.contains(slot)) continue;
    pane->setHidden(true);
    if (quedan.empty() || quitar) {
      pane->loadHtml("", std::nullopt);
      vidIDs.erase(slot);
    }
  }
}

}  // namespace qv
