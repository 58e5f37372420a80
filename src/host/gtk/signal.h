// The one way the backend connects to GObject signals: a C++ callable with
// the signal's exact C signature (minus the trailing user data), owned by
// the connection and freed with it.
#pragma once

#include <glib-object.h>

#include <memory>
#include <utility>
#include <vector>

#include "host/gtk/callback.h"
#include "host/gtk/gobject_ptr.h"
#include "host/web_view.h"

namespace qv::gtk {

// A handler kept by its owner: it is disconnected when the connection goes,
// unless the instance went first. The instance is held weakly, so a
// connection never keeps it alive. `remove` undoes other kinds of handler
// by their id, such as a widget's tick callback.
class Connection {
 public:
  using Remove = void (*)(gpointer instance, gulong id);
  Connection() = default;
  Connection(gpointer instance, gulong id, Remove remove = &g_signal_handler_disconnect)
      : instance_(std::make_unique<GWeakRef>()), id_(id), remove_(remove) {
    g_weak_ref_init(instance_.get(), instance);
  }
  Connection(Connection&&) noexcept = default;
  Connection& operator=(Connection&& other) noexcept {
    if (this != &other) {
      reset();
      instance_ = std::move(other.instance_);
      id_ = std::exchange(other.id_, 0);
      remove_ = other.remove_;
    }
    return *this;
  }
  ~Connection() { reset(); }

  void reset() {
    if (!instance_) return;
    // The weak reference hands back a strong one, ours to drop.
    if (auto instance =
            GObjectPtr<GObject>::adopt(static_cast<GObject*>(g_weak_ref_get(instance_.get()))))
      remove_(instance.get(), id_);
    g_weak_ref_clear(instance_.get());
    instance_.reset();
  }

 private:
  std::unique_ptr<GWeakRef> instance_;
  gulong id_ = 0;
  Remove remove_ = nullptr;
};

// A handler that belongs to the instance itself (a dialog's answer, a
// download's progress): its callable lives exactly as long as the instance
// and may refer to nothing that can go before it.
template <typename Signature, typename F>
gulong attach(gpointer instance, const char* signal, F callable) {
  return g_signal_connect_data(instance, signal,
                               G_CALLBACK((&Trampoline<Signature>::template repeated<F>)),
                               new F(std::move(callable)), destroy<F>, GConnectFlags(0));
}

// connect<gboolean(WebKitWebView*, WebKitScriptDialog*)>(view, "script-dialog", [](...) {...});
template <typename Signature, typename F>
[[nodiscard]] Connection connect(gpointer instance, const char* signal, F callable) {
  return Connection(instance, attach<Signature>(instance, signal, std::move(callable)));
}

// The handlers of one owner, disconnected together when it goes.
class Connections {
 public:
  template <typename Signature, typename F>
  void add(gpointer instance, const char* signal, F callable) {
    all_.push_back(connect<Signature>(instance, signal, std::move(callable)));
  }

 private:
  std::vector<Connection> all_;
};

// A subscription to a D-Bus signal, dropped with the handle. The callable
// has GDBusSignalCallback's signature minus the user data, and goes with it.
class BusSubscription {
 public:
  template <typename F>
  BusSubscription(GDBusConnection* bus, const char* sender, const char* interface,
                  const char* member, const char* path, F callable)
      : bus_(GObjectPtr<GDBusConnection>::ref(bus)) {
    using Signature =
        void(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*);
    id_ = g_dbus_connection_signal_subscribe(
        bus, sender, interface, member, path, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        &Trampoline<Signature>::template repeated<F>, new F(std::move(callable)),
        [](gpointer data) { destroy<F>(data); });
  }
  BusSubscription(BusSubscription&& other) noexcept
      : bus_(std::move(other.bus_)), id_(std::exchange(other.id_, 0)) {}
  ~BusSubscription() {
    if (id_) g_dbus_connection_signal_unsubscribe(bus_.get(), id_);
  }

 private:
  GObjectPtr<GDBusConnection> bus_;
  guint id_ = 0;
};

// A connection or a source handed to the core as its registration.
template <typename Handle>
struct Held final : Observation {
  explicit Held(Handle h) : handle(std::move(h)) {}
  Handle handle;
};
template <typename Handle>
std::unique_ptr<Observation> hold(Handle handle) {
  return std::make_unique<Held<Handle>>(std::move(handle));
}

}  // namespace qv::gtk
