#include "host/gtk/services.h"

#include <gio/gio.h>

#include <memory>

namespace qv::gtk {

// Never gtk_show_uri: it would show its own error dialog.
void DefaultBrowser::open(const std::string& url) {
  g_app_info_launch_default_for_uri_async(url.c_str(), nullptr, nullptr, nullptr, nullptr);
}

void DebugLog::debug(const std::string& line) {
  g_log("quorvex", G_LOG_LEVEL_DEBUG, "%s", line.c_str());
}

Instant WallClock::now() { return static_cast<Instant>(g_get_real_time()) / 1e6; }

void GMainQueue::post(std::function<void()> task) {
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      +[](gpointer data) -> gboolean {
        try {
          (*static_cast<std::function<void()>*>(data))();
        } catch (...) {
        }
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(task)),
      +[](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

}  // namespace qv::gtk
