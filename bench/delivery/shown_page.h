// What the two delivery benchmarks share: a web view shown in a window with
// its page loaded, and figures printed as Spanish text writes them.
#pragma once

#include <webkit/webkit.h>

#include <algorithm>
#include <string>

namespace bench {

// Shows `view` in a new window and returns that window once `html` has
// loaded in it as the local page would, from a file: address.
inline GtkWindow* showPage(WebKitWebView* view, const char* html) {
  auto* window = GTK_WINDOW(gtk_window_new());
  gtk_window_set_child(window, GTK_WIDGET(view));
  gtk_window_present(window);
  bool loaded = false;
  const gulong handler = g_signal_connect(
      view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, bool* l) {
        if (e == WEBKIT_LOAD_FINISHED) *l = true;
      }),
      &loaded);
  webkit_web_view_load_html(view, html, "file:///qv/index.html");
  while (!loaded) g_main_context_iteration(nullptr, TRUE);
  g_signal_handler_disconnect(view, handler);
  return window;
}

// `v` with `digits` decimals and a decimal comma.
inline std::string decimal(double v, int digits) {
  std::string s = std::to_string(v);
  s = s.substr(0, s.find('.') + (digits ? digits + 1 : 0));
  std::replace(s.begin(), s.end(), '.', ',');
  return s;
}

}  // namespace bench
