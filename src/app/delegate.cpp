#include "app/delegate.h"

namespace qv {

Delegate::Delegate(Host host, Config cfg)
    : platform(host), config(std::move(cfg)), sitios(config.sitios) {}

void Delegate::applicationDidFinishLaunching() {
  // Before the first view: the engine hands them to each content process as it starts.
  handNotificationOrigins();
  WebViewConfig c;
  c.transparent = true;
  c.allowFileAccessFromFileUrls = true;
  c.mediaCapture = true;
  c.policy = this;
  c.bridge = this;
  if (auto resources = platform.application.resourcesFolder())
    localPage = *resources + "/web/index.html";
  c.bridgePage = localPage;
  webView = platform.application.createWebView(c);
  window = platform.application.createWindow({.title = "QUORVEX",
                                              .width = 1280,
                                              .height = 860,
                                              .minimumSize = {{420, 560}},
                                              .autosaveName = "QuorvexMain"},
                                             *webView);
  if (!localPage.empty()) webView->loadFile(localPage);
  window->present();
  platform.application.activate();
  menu();
  loadDoNotDisturb();
}

void Delegate::contentProcessEnded(WebView& view) {
  // A pane whose process died is left as it is; only the main page comes back.
  if (&view == webView.get()) webView->reload();
}

}  // namespace qv
