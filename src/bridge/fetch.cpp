// The fetch proxy: intake and routing of "fetch", the network route, and the
// one reply operation every route answers through.
#include "app/delegate.h"
#include "bridge/args.h"
#include "bridge/fetch_route.h"
#include "bridge/mt5_status.h"
#include "bridge/network_request.h"
#include "bridge/reply.h"
#include "util/engine_url.h"
#include "util/url.h"

namespace qv {

void Delegate::fetch(const nlohmann::json& body) {
  // Without a usable url or id there is nobody to answer: drop silently.
  auto url = args::string(body, "url");
  if (!url || !parseUrl(*url)) return;
  auto id = args::string(body, "id");
  if (!id) return;

  switch (fetchRoute(*url)) {
    case FetchRoute::Sitio:
      fetchSitio(*url, *id);
      break;
    case FetchRoute::Estado: {
      const auto data = mt5Status(config.mt5Prefixes);
      responde(*id, data, data.empty() ? "sin MT5" : "");
      break;
    }
    case FetchRoute::Cuentas:
      // Always a document, its list empty when no account file is found.
      responde(*id, mt5Accounts(config.mt5Prefixes), "");
      break;
    case FetchRoute::Red:
      fetchRed(*url, *id, body);
      break;
  }
}

void Delegate::responde(const std::string& id, const std::string& data, const std::string& error) {
  alPaginaLocal(replyScript(id, data, error));
}

void Delegate::responde(std::uint64_t documento, const std::string& id, const std::string& data,
                        const std::string& error) {
  alPaginaLocalYa(onlyInFile(rutaLocal(), replyScript(id, data, error)), documento);
}

void Delegate::alPaginaLocal(const std::string& script) {
  alPaginaLocalYa(onlyInFile(rutaLocal(), script), webView->documentNumber());
}

void Delegate::alPaginaLocalYa(const std::string& guarded, std::uint64_t documento) {
  // The page asks again once it is back: nothing is kept for it. A reload
  // of the page itself is a new document, which never hears the old one's answers.
  if (!muestraPaginaLocal())
    return platform.log.debug("respuesta descartada: la página no es la local");
  if (webView->documentNumber() != documento)
    return platform.log.debug("respuesta descartada: la página se cargó de nuevo");
  webView->evaluateScript(guarded);
}

std::string Delegate::rutaLocal() const {
  auto url = readEngineUrl(webView->documentUrl().value_or(""));
  return url ? url->path : "";
}

void Delegate::fetchRed(const std::string& url, const std::string& id, const nlohmann::json& body) {
  // The completion runs on a worker: it builds the whole script there,
  // guard included, and the main queue's task only hands it to the engine,
  // so a large body is never copied on the main loop. The path is the local
  // page's as the engine writes it: the message came from that page.
  MainQueue& mainQueue = platform.mainQueue;
  platform.http.send(networkRequest(url, body, config),
                     [this, &mainQueue, id, path = rutaLocal(),
                      documento = webView->documentNumber()](HttpResponse r) {
                       std::vector<std::string> scripts;
                       try {
                         const auto texts = networkReply(std::move(r));
                         scripts = replyScriptsInFile(path, id, texts.data, texts.error);
                       } catch (const std::exception&) {  // no memory for the script, say
                         scripts = replyScriptsInFile(path, id, "", kErrorInterno);
                       }
                       // One piece a task: the queue runs one a turn, in order.
                       for (auto& script : scripts)
                         mainQueue.post([this, script = std::move(script), documento] {
                           alPaginaLocalYa(script, documento);
                         });
                     });
}

}  // namespace qv
