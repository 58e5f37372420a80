// Desktop notifications: the local page may always raise them; the chat
// pane only once the user allowed it on the dashboard, a choice kept in the
// settings and handed to the engine at every start. Each one a pane raises
// is also counted on the page, and a click brings the main window back.
#include "app/delegate.h"
#include "bridge/args.h"

namespace qv {
namespace {

constexpr char kClave[] = "avisos.chat";

}  // namespace

bool Delegate::chatMayNotify() { return platform.settings.string(kClave) == "permitidos"; }

void Delegate::handNotificationOrigins() {
  // The local page never has to ask. Every file page shares its origin, so
  // each notification is still checked against the page that raises it.
  std::vector<std::string> permitidos{"file:///"}, denegados;
  if (auto elegido = platform.settings.string(kClave))
    (*elegido == "permitidos" ? permitidos : denegados).push_back(config.chatAppURL);
  platform.application.setNotificationOrigins(permitidos, denegados);
}

void Delegate::chatNotices(const nlohmann::json& body) {
  if (auto permitir = args::boolean(body, "permitir")) {
    platform.settings.setString(kClave, *permitir ? "permitidos" : "denegados");
    handNotificationOrigins();
  }
  notifyPage("avisosChat", chatMayNotify() ? "true" : "false");
}

bool Delegate::grantsNotifications(WebView& view) {
  if (&view == webView.get()) return showsLocalPage();
  for (auto& [slot, pane] : webs)
    if (pane.get() == &view) return chatMayNotify();
  return false;
}

void Delegate::notificationShown(WebView& view) {
  for (auto& [slot, pane] : webs)
    if (pane.get() == &view) notifyPage("avisoChat");
}

void Delegate::notificationClicked(WebView&) {
  if (window) window->present();
}

}  // namespace qv
