#include "host/gtk/services.h"

#include <gio/gio.h>

#include "host/gtk/callback.h"
#include "host/gtk/gobject_ptr.h"

namespace qv::gtk {

// Never gtk_show_uri: it would show its own error dialog.
void DefaultBrowser::open(const std::string& url) {
  auto ready = onReady([](GObject*, GAsyncResult* result) {
    GError* raw = nullptr;
    g_app_info_launch_default_for_uri_finish(result, &raw);
    debugError(raw, "navegador no abierto");
  });
  g_app_info_launch_default_for_uri_async(url.c_str(), nullptr, nullptr, ready.callback,
                                          ready.data);
}

void DebugLog::debug(const std::string& line) {
  g_log("quorvex", G_LOG_LEVEL_DEBUG, "%s", line.c_str());
}

Instant WallClock::now() { return static_cast<Instant>(g_get_real_time()) / 1e6; }

GMainQueue::~GMainQueue() {
  std::lock_guard guard(lock_);
  if (source_) g_source_remove(source_);
}

void GMainQueue::post(std::function<void()> task) {
  std::lock_guard guard(lock_);
  tasks_.push_back(std::move(task));
  if (!source_) {
    source_ = g_idle_add_full(
        G_PRIORITY_DEFAULT, +[](gpointer self) { return static_cast<GMainQueue*>(self)->runOne(); },
        this, nullptr);
  }
}

gboolean GMainQueue::runOne() {
  std::function<void()> task;
  {
    std::lock_guard guard(lock_);
    task = std::move(tasks_.front());
    tasks_.pop_front();
  }
  guarded<void>(task);
  std::lock_guard guard(lock_);
  if (!tasks_.empty()) return G_SOURCE_CONTINUE;
  source_ = 0;
  return G_SOURCE_REMOVE;
}

}  // namespace qv::gtk
