#include "app/delegate.h"

namespace qv {

NavigationDecision Delegate::decideNavigation(WebView&, const NavigationAction&) {
  return NavigationDecision::Allow;
}
void Delegate::newWindowRequested(WebView&, const std::optional<std::string>&) {}
bool Delegate::grantsMediaCapture() { return true; }

}  // namespace qv
