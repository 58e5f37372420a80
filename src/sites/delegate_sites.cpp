// Site web views (created on first need, without a window) and the windows
// that show them so the user can log in once.
#include "app/delegate.h"
#include "sites/sites.h"
#include "util/url.h"

namespace qv {
namespace {

constexpr int kSiteWidth = 1100;
constexpr int kSiteHeight = 780;

}  // namespace

WebView* Delegate::sitioWeb(const std::string& key) {
  if (auto it = sWeb.find(key); it != sWeb.end()) return it->second.get();
  auto record = sitios.find(key);
  if (record == sitios.end() || !parseUrl(record->second.url)) return nullptr;

  auto view = platform.application.createWebView({.safariUserAgent = true});
  view->setMuted(doNotDisturb);
  view->loadRequest(record->second.url);
  WebView& site = *(sWeb[key] = std::move(view));
  keepAlive(site, [&site, start = record->second.url](const std::optional<std::string>& shown) {
    site.loadRequest(shown.value_or(start));
  });
  return &site;
}

void Delegate::sitioMostrar(const std::string& key) {
  WebView* view = sitioWeb(key);
  if (!view) return;
  auto record = sitios.find(key);
  if (record == sitios.end()) return;

  auto& win = sWin[key];
  if (!win) {
    WindowSpec shape;
    shape.title = siteWindowTitle(key);
    shape.width = kSiteWidth;
    shape.height = kSiteHeight;
    win = platform.application.createWindow(shape, *view);
  }
  // A view that wandered off the site (a sign-in page elsewhere, say) goes
  // back to the start page; any page of the site itself stays.
  if (!restsOnHost(view->url(), record->second.host)) view->loadRequest(record->second.url);
  // Presenting raises this window; activating the application would bring
  // back whichever window had the focus last, the main one.
  win->present();
}

}  // namespace qv
