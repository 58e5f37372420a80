// Video panes: a stream played over the main page in a named slot, from a
// page written here. The page is replaced only when what it plays changes.
#include "app/delegate.h"
#include "panes/pane_rules.h"
#include "panes/video_pages.h"
#include "util/url.h"

namespace qv {

void Delegate::colocaVideo(const std::string& slot, const std::string& id, const std::string& tipo,
                           const std::string& hls, std::int64_t vol, const Rect& frame) {
  if (!window) return;
  auto it = vids.find(slot);
  if (it == vids.end()) {
    auto pane = platform.application.createWebView({.mediaWithoutGesture = true,
                                                    .safariUserAgent = true,
                                                    .transparent = true,
                                                    .roundedCorners = true,
                                                    .sharesVideoProcess = true});
    window->addPane(*pane);
    it = vids.emplace(slot, std::move(pane)).first;
  }
  WebView& pane = *it->second;

  // The same content keeps playing, whatever the volume asked now.
  auto key = paneKey(tipo, id, hls);
  if (auto known = vidIDs.find(slot); known == vidIDs.end() || known->second != key) {
    vidIDs[slot] = std::move(key);
    // The players need an https origin, which the base address gives the page.
    std::optional<std::string> base;
    if (parseUrl(config.videoBaseURL)) base = config.videoBaseURL;
    pane.loadHtml(videoPage(config, tipo, id, hls, vol), base);
  }
  pane.setFrame(frame);
  pane.setHidden(false);
}

}  // namespace qv
