// C++ callables handed to GLib as a C function and its user data: the
// callable is allocated once, owned by GLib's side of the call and freed
// with it, and no exception ever crosses into C.
#pragma once

#include <gio/gio.h>

#include <exception>
#include <memory>
#include <type_traits>
#include <utility>

#include "host/gtk/debug.h"

namespace qv::gtk {

// An exception escaping a callback becomes a debug line, and the C caller
// gets the type's zero (FALSE, null): the engine's own default answer.
template <typename R, typename F, typename... Args>
R guarded(F& f, Args... args) noexcept {
  try {
    return f(args...);
  } catch (const std::exception& e) {
    QV_DEBUG("glib", "error en una llamada de GLib: %s", e.what());
  } catch (...) {
    QV_DEBUG("glib", "error en una llamada de GLib");
  }
  if constexpr (!std::is_void_v<R>) return R{};
}

template <typename Signature>
struct Trampoline;

// R(Args...) is the C callback's exact signature minus the trailing user data.
template <typename R, typename... Args>
struct Trampoline<R(Args...)> {
  // For a callback GLib may run many times and frees through `destroy`.
  template <typename F>
  static R repeated(Args... args, gpointer data) {
    return guarded<R>(*static_cast<F*>(data), args...);
  }
  // For a callback GLib runs exactly once and never frees.
  template <typename F>
  static R once(Args... args, gpointer data) {
    std::unique_ptr<F> f(static_cast<F*>(data));
    return guarded<R>(*f, args...);
  }
};

template <typename F>
void destroy(gpointer data, GClosure* = nullptr) {
  delete static_cast<F*>(data);
}

// The callback and user data of a GIO-style asynchronous call:
//   auto ready = onReady([](GObject* source, GAsyncResult* result) {...});
//   g_something_async(..., ready.callback, ready.data);
struct Ready {
  GAsyncReadyCallback callback;
  gpointer data;
};
template <typename F>
Ready onReady(F callable) {
  return {&Trampoline<void(GObject*, GAsyncResult*)>::template once<F>, new F(std::move(callable))};
}

// A timeout running `tick` (which returns G_SOURCE_CONTINUE or
// G_SOURCE_REMOVE); the callable goes with the source.
template <typename F>
guint addTimeout(guint milliseconds, F tick) {
  return g_timeout_add_full(G_PRIORITY_DEFAULT, milliseconds,
                            &Trampoline<gboolean()>::template repeated<F>, new F(std::move(tick)),
                            [](gpointer data) { destroy<F>(data); });
}

}  // namespace qv::gtk
