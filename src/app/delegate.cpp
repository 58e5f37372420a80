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
  // A page whose process ended is no page at all: it comes back at once.
  mainContent = webView->observeContent(alive.guard([this](ContentEvent what) {
    if (what == ContentEvent::Crashed || what == ContentEvent::OutOfMemory) webView->reload();
  }));
  networkBack = platform.application.observeNetworkBack(alive.guard([this] { networkCameBack(); }));
  if (!localPage.empty()) webView->loadFile(localPage);
  window->present();
  platform.application.activate();
  menu();
  loadDoNotDisturb();
}

}  // namespace qv
