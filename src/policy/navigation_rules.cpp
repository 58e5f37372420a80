#include "policy/navigation_rules.h"

#include "util/url.h"

namespace qv {
namespace {

// The scheme of a URL that parses and has one; anything else counts as none.
std::optional<std::string> schemeOf(const std::string& url) {
  auto parsed = parseUrl(url);
  if (!parsed) return std::nullopt;
  return parsed->scheme;
}

// Case-sensitive on purpose: "http" and "https" as the page writes them.
bool isWebScheme(const std::string& scheme) { return scheme.starts_with("http"); }

}  // namespace

NavigationDecision navigationRule(const NavigationAction& action) {
  if (action.wantsDownload) return NavigationDecision::Download;
  if (!action.url) return NavigationDecision::Allow;
  auto scheme = schemeOf(*action.url);
  if (!scheme) return NavigationDecision::Allow;
  if (isWebScheme(*scheme) && action.type == NavigationType::LinkActivated)
    return NavigationDecision::Cancel;
  return NavigationDecision::Allow;
}

NewWindowTarget newWindowRule(const std::optional<std::string>& url, bool fromPane,
                              std::string_view paneHostFragment) {
  if (!url) return NewWindowTarget::Drop;
  auto parsed = parseUrl(*url);
  if (!parsed || !parsed->scheme || !isWebScheme(*parsed->scheme)) return NewWindowTarget::Drop;
  if (fromPane && parsed->host.value_or("").find(paneHostFragment) != std::string::npos)
    return NewWindowTarget::RequestingPane;
  return NewWindowTarget::Browser;
}

}  // namespace qv
