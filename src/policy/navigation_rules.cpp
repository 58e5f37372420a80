#include "policy/navigation_rules.h"

#include "util/engine_url.h"

namespace qv {
namespace {

// Case-sensitive on purpose: the engine reports schemes in lower case.
bool isWebScheme(const std::string& scheme) { return scheme.starts_with("http"); }

}  // namespace

NavigationDecision navigationRule(const NavigationAction& action) {
  if (action.wantsDownload) return NavigationDecision::Download;
  if (!action.url) return NavigationDecision::Allow;
  auto parts = readEngineUrl(*action.url);
  if (!parts) return NavigationDecision::Allow;
  if (isWebScheme(parts->scheme) && action.type == NavigationType::LinkActivated)
    return NavigationDecision::Cancel;
  return NavigationDecision::Allow;
}

NewWindowTarget newWindowRule(const std::optional<std::string>& url, bool fromPane,
                              std::string_view paneHostFragment) {
  if (!url) return NewWindowTarget::Drop;
  auto parts = readEngineUrl(*url);
  if (!parts || !isWebScheme(parts->scheme)) return NewWindowTarget::Drop;
  if (fromPane && parts->host.find(paneHostFragment) != std::string::npos)
    return NewWindowTarget::RequestingPane;
  return NewWindowTarget::Browser;
}

}  // namespace qv
