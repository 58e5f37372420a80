// Panes laid over the main page, each in a named slot, created once and then
// only moved, shown and hidden. A web pane shows an outside site and
// remembers across launches the last chat channel it showed; a video pane
// plays a stream from a page written here, replaced only when what it plays
// changes.
#include <set>

#include "app/delegate.h"
#include "bridge/args.h"
#include "panes/panes.h"
#include "panes/video_pages.h"
#include "util/url.h"

namespace qv {

// A new pane goes over the page and every pane before it, silent while the
// user asked for quiet.
Delegate::Panes::iterator Delegate::newPane(Panes& table, const std::string& slot,
                                            const WebViewConfig& config) {
  auto pane = platform.application.createWebView(config);
  pane->setMuted(doNotDisturb);
  window->addPane(*pane);
  return table.emplace(slot, std::move(pane)).first;
}

void Delegate::colocaWeb(const std::string& slot, const std::string& url, const Rect& frame) {
  if (!window) return;
  auto it = webs.find(slot);
  if (it == webs.end()) {
    const std::string key = "web." + slot;
    it = newPane(webs, slot,
                 {.mediaWithoutGesture = true,
                  .safariUserAgent = true,
                  .mediaCapture = true,
                  .policy = this});
    WebView& view = *it->second;
    // Without a usable address the pane stays blank and remembers nothing.
    if (auto address = webStartAddress(platform.settings.string(key), url)) {
      view.loadRequest(address->href);
      webObs[slot] = view.observeUrl(alive.guard([this, &view, key, host = address->host] {
        if (auto shown = view.url(); remembersChannel(shown, host))
          platform.settings.setString(key, *shown);
      }));
      keepAlive(view, [&view, start = address->href](const std::optional<std::string>& shown) {
        view.loadRequest(shown.value_or(start));
      });
    } else {
      platform.log.debug("paneles", "panel \"" + slot + "\" sin dirección utilizable: " + url);
    }
  }
  it->second->setFrame(frame);
  it->second->setHidden(false);
  webSleep.erase(slot);
  if (webHibernated.contains(slot)) wake(slot);
}

void Delegate::colocaVideo(const std::string& slot, const std::string& id, const std::string& tipo,
                           const std::string& hls, std::int64_t vol, const Rect& frame) {
  if (!window) return;
  auto it = vids.find(slot);
  if (it == vids.end()) {
    it = newPane(vids, slot,
                 {.mediaWithoutGesture = true,
                  .safariUserAgent = true,
                  .transparent = true,
                  .roundedCorners = true,
                  .sharesVideoProcess = true});
    // Video panes share one web process: they all end together, and each
    // plays its own stream again at the volume it had.
    keepAlive(*it->second, [this, slot](const std::optional<std::string>&) {
      if (auto play = vidPlay.find(slot); play != vidPlay.end() && vidIDs.contains(slot))
        loadVideo(slot, play->second);
    });
  }
  WebView& pane = *it->second;
  vidSleep.erase(slot);
  vidPlay[slot] = {tipo, id, hls, vol};

  // The same content keeps playing, whatever the volume asked now.
  auto key = paneKey(tipo, id, hls);
  if (auto known = vidIDs.find(slot); known == vidIDs.end() || known->second != key) {
    vidIDs[slot] = std::move(key);
    loadVideo(slot, vidPlay[slot]);
  }
  pane.setFrame(frame);
  pane.setHidden(false);
}

void Delegate::loadVideo(const std::string& slot, const VideoPlay& play) {
  // The players need an https origin, which the base address gives the page.
  std::optional<std::string> base;
  if (parseUrl(config.videoBaseURL)) base = config.videoBaseURL;
  vids.at(slot)->loadHtml(videoPage(config, play.tipo, play.id, play.hls, play.vol), base);
}

void Delegate::hideVideos(const nlohmann::json& body) {
  auto list = args::stringList(body, "quedan").value_or(std::vector<std::string>{});
  const std::set<std::string> quedan(list.begin(), list.end());
  const bool quitar = args::boolean(body, "quitar").value_or(false);
  for (auto& [slot, pane] : vids) {
    if (!quedan.empty() && quedan.contains(slot)) continue;
    pane->setHidden(true);
    if (quedan.empty() || quitar) {
      pane->loadHtml("", std::nullopt);
      vidIDs.erase(slot);
      vidSleep.erase(slot);
    } else if (vidIDs.contains(slot)) {
      hibernateLater(slot, true);
    }
  }
}

}  // namespace qv
