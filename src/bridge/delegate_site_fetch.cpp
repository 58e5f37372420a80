// The site route: a fetch run inside the page of a site where the user has
// logged in, so that the site's own cookies and origin apply.
#include "app/delegate.h"
#include "bridge/reply.h"
#include "bridge/site_fetch.h"
#include "sites/sites.h"

namespace qv {
namespace {

constexpr const char* kInPageFetch =
    "const r = await fetch(p, { credentials: 'include' }); "
    "return JSON.stringify([r.status, await r.text()]);";

}  // namespace

void Delegate::fetchSite(const std::string& url, const std::string& id) {
  auto target = splitSiteUrl(url);
  if (!target) return responde(id, "", "sitio desconocido");
  const std::string& key = target->key;
  const std::string& path = target->path;

  if (path == "/login" || path == "login") {
    sitioMostrar(key);
    return responde(id, "", "");
  }

  WebView* view = sitioWeb(key);
  auto record = sitios.find(key);
  if (!view || record == sitios.end()) return responde(id, "", "sitio desconocido");
  // Until the start page has loaded on the site's own host, the page asks again.
  if (view->isLoading() || !restsOnHost(view->url(), record->second.host))
    return responde(id, "", "cargando");

  view->callAsyncFunction(
      kInPageFetch, {{"p", path}},
      alive.guard(
          [this, id, key, document = webView->documentNumber()](std::optional<std::string> result) {
            SiteReply reply;
            try {
              reply = siteReply(result);
            } catch (const std::exception& e) {
              platform.log.debug("sitios", std::string("fetch de sitio: ") + e.what());
              reply = {"", kErrorInterno};
            }
            responde(document, id, reply.data, reply.error);
            if (reply.error.empty()) sesionFija(key);
          }));
}

}  // namespace qv
