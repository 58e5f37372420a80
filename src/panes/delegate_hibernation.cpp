// A web pane hidden for a while gives its web process back and loads its
// last address again when it is shown, unless it is busy with something the
// user would miss: sound, the camera or the microphone, or the chat's
// notifications (which the user may let go for that pane). A hidden video
// pane that plays no sound is unloaded and played again when shown.
#include "app/delegate.h"
#include "bridge/args.h"
#include "panes/hibernation.h"

namespace qv {
namespace {

std::string allowanceKey(const std::string& slot) { return "hibernar.siempre." + slot; }

}  // namespace

void Delegate::hibernation(const nlohmann::json& body) {
  if (auto minutos = args::number(body, "minutos"); minutos && *minutos >= 0)
    platform.settings.setString(kHibernationSetting, nlohmann::json(*minutos).dump());
  const auto delay = hibernationDelay(platform.settings.string(kHibernationSetting));
  nlohmann::json state = {{"minutos", delay ? *delay / 60 : 0.0}};
  if (auto slot = args::string(body, "slot")) {
    if (auto siempre = args::boolean(body, "siempre"))
      platform.settings.setString(allowanceKey(*slot), *siempre ? "si" : "no");
    state["slot"] = *slot;
    state["siempre"] = platform.settings.string(allowanceKey(*slot)) == "si";
  }
  notifyPage("hibernacion", state.dump());
}

void Delegate::hideWeb(const std::string& slot) {
  auto it = webs.find(slot);
  if (it == webs.end()) return;
  it->second->setHidden(true);
  if (!webHibernated.contains(slot)) hibernateLater(slot, false);
}

void Delegate::hibernateLater(const std::string& slot, bool video) {
  auto& timers = video ? vidSleep : webSleep;
  const auto delay = hibernationDelay(platform.settings.string(kHibernationSetting));
  if (!delay) return (void)timers.erase(slot);
  timers[slot] =
      platform.timers.after(*delay, alive.guard([this, slot, video] { hibernate(slot, video); }));
}

void Delegate::hibernate(const std::string& slot, bool video) {
  auto& table = video ? vids : webs;
  auto it = table.find(slot);
  if (it == table.end()) return;
  WebView& view = *it->second;
  const char* busy = view.playsAudio()      ? "suena"
                     : view.capturesMedia() ? "usa la cámara o el micrófono"
                                            : nullptr;
  if (!busy && !video && showsChat(view) && chatMayNotify() &&
      platform.settings.string(allowanceKey(slot)) != "si")
    busy = "avisa en el escritorio";
  if (busy) {
    platform.log.debug("paneles", "panel \"" + slot + "\" oculto sin hibernar: " + busy);
    return hibernateLater(slot, video);
  }
  putToSleep(slot, video);
}

void Delegate::putToSleep(const std::string& slot, bool video) {
  auto& table = video ? vids : webs;
  auto it = table.find(slot);
  if (it == table.end()) return;
  WebView& view = *it->second;
  platform.log.debug("paneles", "panel \"" + slot + "\" hiberna");
  if (video) {
    vidSleep.erase(slot);
    view.loadHtml("", std::nullopt);
    vidIDs.erase(slot);
    // The video panes' shared web process outlives their empty pages: it is
    // given back once none of them holds a stream. Each pane is asked, in
    // case one came back from a crash in a process of its own.
    if (vidIDs.empty())
      for (auto& [name, pane] : vids) pane->endContent();
    return;
  }
  webSleep.erase(slot);
  webHibernated[slot] = view.url().value_or("");
  view.endContent();
}

void Delegate::wake(const std::string& slot) {
  toWake.push_back(slot);
  wakeNext();
}

// One pane loads at a time, so that showing the dashboard again does not
// start every web process at once.
void Delegate::wakeNext() {
  while (!waking && !toWake.empty()) {
    const std::string slot = toWake.front();
    toWake.pop_front();
    auto address = webHibernated.find(slot);
    auto view = webs.find(slot);
    if (address == webHibernated.end() || view == webs.end()) continue;
    WebView& pane = *view->second;
    const std::string url = address->second;
    webHibernated.erase(address);
    if (url.empty()) continue;
    // The next one starts once this one's load ended, away from the
    // engine's signal that says so.
    waking = pane.observeLoaded(alive.guard([this] {
      platform.mainQueue.post(alive.guard([this] {
        waking.reset();
        wakeNext();
      }));
    }));
    pane.loadRequest(url);
  }
}

}  // namespace qv
