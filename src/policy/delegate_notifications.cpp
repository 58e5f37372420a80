// Desktop notifications: the local page may always raise them; the chat
// pane only once the user allowed it on the dashboard, a choice kept in the
// settings and handed to the engine at every start. Each one a pane raises
// is also counted on the page (policy/delegate_do_not_disturb.cpp holds them
// back while the user asked for quiet), and a click brings the main window back.
#include <algorithm>

#include "app/delegate.h"
#include "bridge/args.h"
#include "util/engine_url.h"

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

// The user's choice is for the chat: a pane showing any other site, or a
// page the chat sent it to, may not notify in its name.
bool Delegate::showsChat(const WebView& view) const {
  auto chat = originOf(config.chatAppURL);
  return chat && originOf(view.documentUrl()) == chat &&
         std::any_of(webs.begin(), webs.end(),
                     [&](const auto& entry) { return entry.second.get() == &view; });
}

bool Delegate::grantsNotifications(WebView& view) {
  if (&view == webView.get()) return showsLocalPage();
  return showsChat(view) && chatMayNotify();
}

void Delegate::notificationClicked(WebView&) {
  if (window) window->present();
}

}  // namespace qv
