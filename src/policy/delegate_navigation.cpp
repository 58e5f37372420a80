#include "app/delegate.h"
#include "policy/navigation.h"

namespace qv {
namespace {

// Only the main web view and the panes are governed.
Governed governed(bool mainView, bool showsLocalPage) {
  if (!mainView) return Governed::Pane;
  return showsLocalPage ? Governed::LocalPage : Governed::MainView;
}

}  // namespace

NavigationDecision Delegate::decideNavigation(WebView& view, const NavigationAction& action) {
  auto from = governed(&view == webView.get(), showsLocalPage());
  switch (navigationRule(action, from, localPage.substr(0, localPage.rfind('/')))) {
    case NavigationRoute::InPlace:
      return NavigationDecision::Allow;
    case NavigationRoute::Download:
      return NavigationDecision::Download;
    case NavigationRoute::Browser:
      platform.browser.open(*action.url);
      return NavigationDecision::Cancel;
    case NavigationRoute::Stay:
      platform.log.debug("navegación",
                         "enlace que la vista no puede mostrar, no se sigue: " + *action.url);
      return NavigationDecision::Cancel;
    case NavigationRoute::Unasked:
      platform.log.debug("navegación",
                         "enlace sin un clic del usuario, no se abre: " + *action.url);
      return NavigationDecision::Cancel;
  }
  return NavigationDecision::Cancel;
}

void Delegate::newWindowRequested(WebView& view, const std::optional<std::string>& url,
                                  const Requester& requester) {
  auto from = governed(&view == webView.get(), showsLocalPage());
  switch (newWindowRule(url, requester, from, config.paneNewWindowHostFragment)) {
    case NewWindowTarget::Drop:
      platform.log.debug("navegación",
                         "ventana nueva descartada: " + url.value_or("sin dirección"));
      break;
    case NewWindowTarget::Unasked:
      platform.log.debug("navegación",
                         "ventana nueva sin un clic del usuario, no se abre: " + *url);
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
