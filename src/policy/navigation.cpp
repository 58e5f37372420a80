#include "policy/navigation.h"

#include "util/engine_url.h"

namespace qv {
namespace {

// Case-sensitive on purpose: the engine reports schemes in lower case.
bool isWebScheme(const std::string& scheme) { return scheme.starts_with("http"); }

// The default browser is where the user is signed in to everything: only the
// local page itself, or a press of the user's, may send an address there.
// Frames inside the page and every pane need the press.
bool mayHandOff(const Requester& requester, Governed from) {
  return (from == Governed::LocalPage && requester.topFrame) || requester.gesture;
}

}  // namespace

NavigationRoute navigationRule(const NavigationAction& action, Governed from,
                               std::string_view webFolder) {
  if (action.wantsDownload) return NavigationRoute::Download;
  if (!action.url) return NavigationRoute::InPlace;
  auto parts = readEngineUrl(*action.url);
  // Loads the page or the application asks for go ahead, whatever their scheme.
  if (!parts || action.type != NavigationType::LinkActivated) return NavigationRoute::InPlace;
  if (!isWebScheme(parts->scheme))
    return from != Governed::Pane && inFolder(*action.url, webFolder) ? NavigationRoute::InPlace
                                                                      : NavigationRoute::Stay;
  return mayHandOff(action.requester, from) ? NavigationRoute::Browser : NavigationRoute::Unasked;
}

NewWindowTarget newWindowRule(const std::optional<std::string>& url, const Requester& requester,
                              Governed from, std::string_view paneHostFragment) {
  if (!url) return NewWindowTarget::Drop;
  auto parts = readEngineUrl(*url);
  if (!parts || !isWebScheme(parts->scheme)) return NewWindowTarget::Drop;
  if (from == Governed::Pane && parts->host.find(paneHostFragment) != std::string::npos)
    return NewWindowTarget::RequestingPane;
  return mayHandOff(requester, from) ? NewWindowTarget::Browser : NewWindowTarget::Unasked;
}

}  // namespace qv
