// The one way the backend connects to GObject signals: a C++ callable with
// the signal's exact C signature (minus the trailing user data), owned by
// the connection and freed with it. No exception ever crosses into GLib.
#pragma once

#include <glib-object.h>

#include <type_traits>
#include <utility>

namespace qv::gtk {

template <typename Signature>
struct SignalTraits;

template <typename R, typename... Args>
struct SignalTraits<R(Args...)> {
  template <typename F>
  static R trampoline(Args... args, gpointer data) {
    try {
      return (*static_cast<F*>(data))(args...);
    } catch (...) {
      if constexpr (!std::is_void_v<R>) return R{};
    }
  }
};

// connect<gboolean(WebKitWebView*, WebKitScriptDialog*)>(view, "script-dialog", [](...) {...});
template <typename Signature, typename F>
gulong connect(gpointer instance, const char* signal, F callable) {
  auto* owned = new F(std::move(callable));
  return g_signal_connect_data(
      instance, signal, G_CALLBACK((&SignalTraits<Signature>::template trampoline<F>)), owned,
      [](gpointer data, GClosure*) { delete static_cast<F*>(data); }, GConnectFlags(0));
}

}  // namespace qv::gtk
