// Web panes: an outside site laid over the main page in a named slot. A pane
// is created once, then only moved, shown and hidden; it remembers across
// launches the last chat channel it showed.
#include "app/delegate.h"
#include "panes/pane_rules.h"

namespace qv {

void Delegate::colocaWeb(const std::string& slot, const std::string& url, const Rect& frame) {
  if (!window) return;
  auto it = webs.find(slot);
  if (it == webs.end()) {
    const std::string key = "web." + slot;
    auto pane = platform.application.createWebView(
        {.mediaWithoutGesture = true, .safariUserAgent = true, .policy = this});
    window->addPane(*pane);
    it = webs.emplace(slot, std::move(pane)).first;
    WebView& view = *it->second;
    // Neither address parsing leaves the pane blank; it is still observed so
    // that a channel the user opens in it is remembered.
    if (auto address = webStartAddress(platform.settings.string(key), url))
      view.loadRequest(*address);
    webObs[slot] = view.observeUrl([this, &view, key] {
      auto shown = view.url();
      if (shown && shown->find("/channels/") != std::string::npos)
        platform.settings.setString(key, *shown);
    });
  }
  it->second->setFrame(frame);
  it->second->setHidden(false);
}

}  // namespace qv
