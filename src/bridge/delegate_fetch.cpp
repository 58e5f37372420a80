// The fetch proxy: intake and routing of "fetch", and the network route.
#include "app/delegate.h"
#include "bridge/args.h"
#include "bridge/fetch.h"
#include "bridge/mt5_status.h"
#include "bridge/network_request.h"
#include "bridge/reply.h"
#include "util/url.h"

namespace qv {

void Delegate::fetch(const nlohmann::json& body) {
  // Without a usable url or id there is nobody to answer.
  auto url = args::string(body, "url");
  if (!url || !parseUrl(*url)) return discard("\"fetch\" sin una \"url\" utilizable");
  auto id = args::string(body, "id");
  if (!id) return discard("\"fetch\" sin \"id\"");

  switch (fetchRoute(*url)) {
    case FetchRoute::Sitio:
      fetchSite(*url, *id);
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
      fetchNetwork(*url, *id, body);
      break;
  }
}

void Delegate::fetchNetwork(const std::string& url, const std::string& id,
                            const nlohmann::json& body) {
  // The completion runs on a worker: it builds the calls there, guard
  // included, and the main queue's tasks only hand them to the engine, a
  // piece a turn, so no turn of the main loop copies more than one piece.
  // The path is the local page's as the engine writes it: the message came
  // from that page. The worker touches nothing of the Delegate; the task
  // does only while it lives.
  MainQueue& mainQueue = platform.mainQueue;
  platform.http.send(
      networkRequest(url, body, config),
      [&mainQueue, id, path = localPagePath(), document = webView->documentNumber(),
       deliver = alive.guard([this](std::uint64_t document, const PageCall& call) {
         toDocument(document, call);
       })](HttpResponse r) {
        std::vector<PageCall> calls;
        try {
          const auto texts = networkReply(std::move(r));
          calls = replyCalls(path, id, texts.data, texts.error);
        } catch (const std::exception&) {  // no memory for the reply, say
          calls = replyCalls(path, id, "", kErrorInterno);
        }
        // One piece a task: the queue runs one a turn, in order.
        for (auto& call : calls)
          mainQueue.post([deliver, call = std::move(call), document] { deliver(document, call); });
      });
}

}  // namespace qv
