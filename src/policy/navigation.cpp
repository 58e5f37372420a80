#include <algorithm>

#include "app/delegate.h"
#include "policy/navigation_rules.h"

namespace qv {

NavigationDecision Delegate::decideNavigation(WebView&, const NavigationAction& action) {
  auto decision = navigationRule(action);
  if (decision == NavigationDecision::Cancel) platform.browser.open(*action.url);
  return decision;
}

void Delegate::newWindowRequested(WebView& view, const std::optional<std::string>& url) {
  bool fromPane = std::any_of(webs.begin(), webs.end(),
                              [&](const auto& entry) { return entry.second.get() == &view; });
  switch (newWindowRule(url, fromPane, config.paneNewWindowHostFragment)) {
    case NewWindowTarget::Drop:
      break;
    case NewWindowTarget::RequestingPane:
      view.loadRequest(*url);
      break;
    case NewWindowTarget::Browser:
      platform.browser.open(*url);
      break;
  }
}

// Camera and microphone are granted without a prompt of our own.
bool Delegate::grantsMediaCapture() { return true; }

}  // namespace qv
