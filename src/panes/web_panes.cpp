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
    auto pane = platform.application.createWebView({.mediaWithoutGesture = true,
                                                    .safariUserAgent = true,
                                                    .mediaCapture = true,
                                                    .policy = this});
    window->addPane(*pane);
    it = webs.emplace(slot, std::move(pane)).first;
    WebView& view = *it->second;
    // Without a usable address the pane stays blank and remembers nothing.
    if (auto address = webStartAddress(platform.settings.string(key), url)) {
      view.loadRequest(address->href);
      webObs[slot] = view.observeUrl([this, &view, key, host = address->host] {
        if (auto shown = view.url(); remembersChannel(shown, host))
          platform.settings.setString(key, *shown);
      });
    } else {
      platform.log.debug("panel \"" + slot + "\" sin dirección utilizable: " + url);
    }
  }
  it->second->setFrame(frame);
  it->second->setHidden(false);
}

}  // namespace qv
