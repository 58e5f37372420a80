#include "host/gtk/desktop_notifications.h"

#include "host/gtk/callback.h"
#include "host/gtk/debug.h"
#include "host/gtk/web_view.h"
#include "host/gtk/webkit_ptr.h"

namespace qv::gtk {
namespace {

constexpr const char* kName = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";

using GListPtr = std::unique_ptr<GList, FreeWith<g_list_free>>;

// The engine copies what it needs: the origins and the list are ours.
struct Origins {
  explicit Origins(const std::vector<std::string>& addresses) {
    for (const auto& a : addresses) {
      held.push_back(SecurityOriginPtr::adopt(webkit_security_origin_new_for_uri(a.c_str())));
      list.reset(g_list_prepend(list.release(), held.back().get()));
    }
  }
  std::vector<SecurityOriginPtr> held;
  GListPtr list;
};

}  // namespace

DesktopNotifications::DesktopNotifications(GDBusConnection* bus)
    : bus_(GObjectPtr<GDBusConnection>::ref(bus)),
      calls_(GObjectPtr<GCancellable>::adopt(g_cancellable_new())),
      originsAsked_(connect<void(WebKitWebContext*)>(
          webkit_web_context_get_default(), "initialize-notification-permissions",
          [this](WebKitWebContext* context) { giveOriginsTo(context); })) {
  if (!bus_) return;
  subscriptions_.emplace_back(bus_.get(), kName, kName, "ActionInvoked", kPath,
                              [this](GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                     const gchar*, GVariant* parameters) {
                                guint32 id = 0;
                                const gchar* action = nullptr;
                                g_variant_get(parameters, "(u&s)", &id, &action);
                                // "default" is the click on the notification itself.
                                if (g_strcmp0(action, "default") == 0) clicked(id);
                              });
  subscriptions_.emplace_back(bus_.get(), kName, kName, "NotificationClosed", kPath,
                              [this](GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                     const gchar*, GVariant* parameters) {
                                guint32 id = 0, reason = 0;
                                g_variant_get(parameters, "(uu)", &id, &reason);
                                shown_.erase(id);
                              });
}

DesktopNotifications::~DesktopNotifications() { g_cancellable_cancel(calls_.get()); }

void DesktopNotifications::setOrigins(std::vector<std::string> allowed,
                                      std::vector<std::string> refused) {
  allowed_ = std::move(allowed);
  refused_ = std::move(refused);
  giveOriginsTo(webkit_web_context_get_default());
}

void DesktopNotifications::giveOriginsTo(WebKitWebContext* context) const {
  Origins allowed(allowed_), refused(refused_);
  webkit_web_context_initialize_notification_permissions(context, allowed.list.get(),
                                                         refused.list.get());
}

template <typename Delivered>
void DesktopNotifications::send(const char* title, const char* body, bool clickable,
                                Delivered delivered) {
  if (!bus_) {
    QV_DEBUG("avisos", "aviso de escritorio no mostrado: sin bus de sesión");
    return;
  }
  const char* actions[] = {"default", "Abrir QUORVEX", nullptr};
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(QV_APP_ID));
  auto ready =
      onReady([delivered = std::move(delivered)](GObject* source, GAsyncResult* result) mutable {
        GError* raw = nullptr;
        auto reply = GVariantPtr::adopt(
            g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &raw));
        auto error = GErrorPtr::adopt(raw);
        // Cancelled means the owner is gone: nothing of it may be touched.
        if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
        if (!reply) {
          QV_DEBUG("avisos", "el servicio de avisos no aceptó uno: %s", error.get()->message);
          return;
        }
        guint32 id = 0;
        g_variant_get(reply.get(), "(u)", &id);
        delivered(id);
      });
  g_dbus_connection_call(
      bus_.get(), kName, kPath, kName, "Notify",
      g_variant_new("(susss^asa{sv}i)", "QUORVEX", 0u, "", title ? title : "", body ? body : "",
                    clickable ? actions : actions + 2, &hints, -1),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, calls_.get(), ready.callback, ready.data);
}

void DesktopNotifications::show(WebKitWebView* view, WebKitNotification* notification) {
  send(webkit_notification_get_title(notification), webkit_notification_get_body(notification),
       true,
       [this, entry = Shown{GObjectPtr<WebKitWebView>::ref(view),
                            GObjectPtr<WebKitNotification>::ref(notification),
                            {}}](guint32 id) mutable { shown(id, std::move(entry)); });
}

void DesktopNotifications::showOwn(const std::string& title, const std::string& body) {
  send(title.c_str(), body.c_str(), false, [](guint32) {});
}

void DesktopNotifications::shown(guint32 id, Shown entry) {
  // The page closing it (or leaving) takes it off the desktop too.
  entry.closedByPage = connect<void(WebKitNotification*)>(
      entry.notification.get(), "closed", [this, id](WebKitNotification*) {
        g_dbus_connection_call(bus_.get(), kName, kPath, kName, "CloseNotification",
                               g_variant_new("(u)", id), nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
                               nullptr, nullptr, nullptr);
        shown_.erase(id);  // ends this handler, which touches nothing after
      });
  shown_.insert_or_assign(id, std::move(entry));
}

void DesktopNotifications::clicked(guint32 id) {
  auto it = shown_.find(id);
  if (it == shown_.end()) return;
  auto view = it->second.view;
  webkit_notification_clicked(it->second.notification.get());
  auto* wrapper = GtkWebView::from(view.get());
  if (auto* policy = wrapper ? wrapper->policy() : nullptr) policy->notificationClicked(*wrapper);
}

}  // namespace qv::gtk
