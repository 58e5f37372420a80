// Everything the main web view is told goes through here, and only while it
// shows the local page: fetch replies, and notices through the page's one
// entry point for them.
#include "app/delegate.h"
#include "bridge/reply.h"
#include "util/engine_url.h"

namespace qv {

bool Delegate::showsLocalPage() const {
  return !localPage.empty() && showsFile(webView->documentUrl(), localPage);
}

std::string Delegate::localPagePath() const {
  auto url = readEngineUrl(webView->documentUrl().value_or(""));
  return url ? url->path : "";
}

void Delegate::responde(const std::string& id, const std::string& data, const std::string& error) {
  responde(webView->documentNumber(), id, data, error);
}

void Delegate::responde(std::uint64_t document, const std::string& id, const std::string& data,
                        const std::string& error) {
  for (const auto& call : replyCalls(localPagePath(), id, data, error)) toDocument(document, call);
}

void Delegate::notifyPage(const std::string& name, const std::string& jsonValue) {
  toDocument(webView->documentNumber(), noticeCall(localPagePath(), name, jsonValue));
}

void Delegate::toDocument(std::uint64_t document, const PageCall& call) {
  // The page asks again once it is back: nothing is kept for it. A reload
  // of the page itself is a new document, which never hears the old one's answers.
  if (!showsLocalPage())
    return platform.log.debug("puente", "respuesta descartada: la página no es la local");
  if (webView->documentNumber() != document)
    return platform.log.debug("puente", "respuesta descartada: la página se cargó de nuevo");
  webView->callAsyncFunction(call.body, call.args, nullptr);
}

}  // namespace qv
