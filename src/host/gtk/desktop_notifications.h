// Web notifications on the desktop's notification service (the
// org.freedesktop.Notifications interface on the session bus). Ours rather
// than the engine's delivery: a click must reach whoever governs the view,
// which brings the main window to the front.
#pragma once

#include <webkit/webkit.h>

#include <map>
#include <string>
#include <vector>

#include "host/gtk/gobject_ptr.h"
#include "host/gtk/signal.h"

namespace qv::gtk {

class DesktopNotifications {
 public:
  // Without a bus (none in the session, or the application not registered
  // on it) nothing is shown, and each notification says so in the debug log.
  explicit DesktopNotifications(GDBusConnection* bus);
  ~DesktopNotifications();
  DesktopNotifications(const DesktopNotifications&) = delete;
  DesktopNotifications& operator=(const DesktopNotifications&) = delete;

  void show(WebKitWebView* view, WebKitNotification* notification);
  // The application's own: nothing to answer a click.
  void showOwn(const std::string& title, const std::string& body);
  // Pages of these addresses' origins notify, or not, without asking.
  void setOrigins(std::vector<std::string> allowed, std::vector<std::string> refused);

 private:
  struct Shown {
    GObjectPtr<WebKitWebView> view;
    GObjectPtr<WebKitNotification> notification;
    Connection closedByPage;
  };
  // Runs `delivered` with the service's id once it took the notification.
  template <typename Delivered>
  void send(const char* title, const char* body, bool clickable, Delivered delivered);
  void shown(guint32 id, Shown entry);
  void clicked(guint32 id);
  void giveOriginsTo(WebKitWebContext* context) const;

  GObjectPtr<GDBusConnection> bus_;
  GObjectPtr<GCancellable> calls_;
  std::vector<BusSubscription> subscriptions_;
  Connection originsAsked_;
  std::vector<std::string> allowed_, refused_;
  std::map<guint32, Shown> shown_;
};

}  // namespace qv::gtk
