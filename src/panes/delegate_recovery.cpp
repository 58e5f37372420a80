// Every pane and site view comes back by itself when its web process ends,
// and a view left on the error page loads again once the network is back.
// The main view keeps its own rule: it reloads at once, every time.
#include "app/delegate.h"

namespace qv {

void Delegate::keepAlive(WebView& view,
                         std::function<void(const std::optional<std::string>&)> restore) {
  recoveries[&view] = std::make_unique<Recovery>(view, platform.timers, platform.log,
                                                 alive.guard(std::move(restore)));
}

void Delegate::networkCameBack() {
  auto retry = [this](WebView& view) {
    if (!view.showsLoadError()) return;
    platform.log.debug("recuperación", "la red volvió: se recarga " + view.url().value_or(""));
    view.reload();
  };
  for (auto* table : {&webs, &sWeb})
    for (auto& [name, view] : *table) retry(*view);
}

}  // namespace qv
