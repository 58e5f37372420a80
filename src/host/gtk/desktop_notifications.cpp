#include "host/gtk/desktop_notifications.h"

#include <memory>

#include "host/gtk/signal.h"
#include "host/gtk/web_view.h"

namespace qv::gtk {
namespace {

constexpr const char* kName = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";

void debug(const char* what, const GError* error) {
  g_log("quorvex", G_LOG_LEVEL_DEBUG, "aviso de escritorio: %s: %s", what,
        error ? error->message : "sin bus de sesión");
}

GList* originsOf(const std::vector<std::string>& addresses) {
  GList* list = nullptr;
  for (const auto& a : addresses)
    list = g_list_prepend(list, webkit_security_origin_new_for_uri(a.c_str()));
  return list;
}

void freeOrigins(GList* list) {
  g_list_free_full(list, reinterpret_cast<GDestroyNotify>(webkit_security_origin_unref));
}

}  // namespace

DesktopNotifications::DesktopNotifications(GDBusConnection* bus)
    : bus_(bus ? GObjectPtr<GDBusConnection>::ref(bus) : GObjectPtr<GDBusConnection>()),
      calls_(GObjectPtr<GCancellable>::adopt(g_cancellable_new())) {
  originsHandler_ = connect<void(WebKitWebContext*)>(
      webkit_web_context_get_default(), "initialize-notification-permissions",
      [this](WebKitWebContext* context) { giveOriginsTo(context); });
  if (!bus_) return;
  auto onSignal = +[](GDBusConnection*, const gchar*, const gchar*, const gchar*,
                      const gchar* signal, GVariant* parameters, gpointer self) {
    auto* me = static_cast<DesktopNotifications*>(self);
    guint32 id = 0;
    if (g_strcmp0(signal, "ActionInvoked") == 0) {
      const gchar* action = nullptr;
      g_variant_get(parameters, "(u&s)", &id, &action);
      if (g_strcmp0(action, "default") == 0) me->clicked(id);
    } else {
      guint32 reason = 0;
      g_variant_get(parameters, "(uu)", &id, &reason);
      me->forget(id);
    }
  };
  for (const char* signal : {"ActionInvoked", "NotificationClosed"})
    subscriptions_.push_back(
        g_dbus_connection_signal_subscribe(bus_.get(), kName, kName, signal, kPath, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, onSignal, this, nullptr));
}

DesktopNotifications::~DesktopNotifications() {
  g_cancellable_cancel(calls_.get());
  for (guint s : subscriptions_) g_dbus_connection_signal_unsubscribe(bus_.get(), s);
  g_signal_handler_disconnect(webkit_web_context_get_default(), originsHandler_);
  while (!shown_.empty()) forget(shown_.begin()->first);
}

void DesktopNotifications::setOrigins(std::vector<std::string> allowed,
                                      std::vector<std::string> refused) {
  allowed_ = std::move(allowed);
  refused_ = std::move(refused);
  giveOriginsTo(webkit_web_context_get_default());
}

void DesktopNotifications::giveOriginsTo(WebKitWebContext* context) const {
  GList* allowed = originsOf(allowed_);
  GList* refused = originsOf(refused_);
  webkit_web_context_initialize_notification_permissions(context, allowed, refused);
  freeOrigins(allowed);
  freeOrigins(refused);
}

void DesktopNotifications::show(WebKitWebView* view, WebKitNotification* notification) {
  if (!bus_) return debug("no se muestra", nullptr);
  GVariantBuilder actions;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  // "default" is the click on the notification itself.
  g_variant_builder_add(&actions, "s", "default");
  g_variant_builder_add(&actions, "s", "Abrir QUORVEX");
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(QV_APP_ID));
  const char* title = webkit_notification_get_title(notification);
  const char* body = webkit_notification_get_body(notification);
  struct Call {
    DesktopNotifications* self;
    Shown entry;
  };
  auto* call = new Call{
      this,
      {GObjectPtr<WebKitWebView>::ref(view), GObjectPtr<WebKitNotification>::ref(notification), 0}};
  g_dbus_connection_call(
      bus_.get(), kName, kPath, kName, "Notify",
      g_variant_new("(susssasa{sv}i)", "QUORVEX", 0u, "", title ? title : "", body ? body : "",
                    &actions, &hints, -1),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, calls_.get(),
      +[](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Call> call(static_cast<Call*>(data));
        GError* raw = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &raw);
        GErrorPtr error(raw);
        if (!reply) {
          // Cancelled means the owner is gone: nothing of it may be touched.
          if (!g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
            debug("el servicio no la aceptó", error.get());
          return;
        }
        guint32 id = 0;
        g_variant_get(reply, "(u)", &id);
        g_variant_unref(reply);
        call->self->shown(id, std::move(call->entry));
      },
      call);
}

void DesktopNotifications::shown(guint32 id, Shown entry) {
  // The page closing it (or leaving) takes it off the desktop too.
  entry.closedByPage = connect<void(WebKitNotification*)>(
      entry.notification.get(), "closed", [this, id](WebKitNotification*) {
        auto* self = this;
        const guint32 shownId = id;
        self->forget(shownId);  // ends this handler: only the copies above are used after
        g_dbus_connection_call(self->bus_.get(), kName, kPath, kName, "CloseNotification",
                               g_variant_new("(u)", shownId), nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
                               nullptr, nullptr, nullptr);
      });
  forget(id);
  shown_.emplace(id, std::move(entry));
}

void DesktopNotifications::forget(guint32 id) {
  auto it = shown_.find(id);
  if (it == shown_.end()) return;
  g_signal_handler_disconnect(it->second.notification.get(), it->second.closedByPage);
  shown_.erase(it);
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
